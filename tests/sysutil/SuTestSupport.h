#pragma once
// What the utility kit's tests share: a notification area that records every request, and a
// temporary folder for files and the registry store.

#include "platform/gui/TrayIcons.h"
#include "platform/rtl/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

// Takes the place of the desktop's notification area while it lives.
class TRecordingTrayShell : public TNotifyIconShell {
public:
    struct Call {
        unsigned Message = 0;
        TNotifyIconData Data;
    };

    TRecordingTrayShell() { SetNotifyIconShell(this); }
    ~TRecordingTrayShell() override { SetNotifyIconShell(nullptr); }
    TRecordingTrayShell(const TRecordingTrayShell&) = delete;
    TRecordingTrayShell& operator=(const TRecordingTrayShell&) = delete;

    bool Available() override { return Present; }
    bool Notify(unsigned message, const TNotifyIconData& data) override
    {
        Calls.push_back({message, data});
        const std::pair<TMessageWindow*, unsigned> key{data.Wnd, data.uID};
        switch (message) {
        case NIM_ADD: return Present && Icons.insert(key).second;
        case NIM_MODIFY: return Icons.count(key) != 0;
        case NIM_DELETE: return Icons.erase(key) != 0;
        default: return false;
        }
    }

    bool Present = true;
    std::vector<Call> Calls;
    std::set<std::pair<TMessageWindow*, unsigned>> Icons;
};

// A fresh temporary folder, removed again with the object; the registry store lives in its
// "registry" folder meanwhile.
class TKitTestFolder {
public:
    TKitTestFolder()
    {
        char pattern[] = "/tmp/zv_sysutil_XXXXXX";
        path_ = mkdtemp(pattern);
        SetRegistryStoreFolder(Path("registry"));
    }
    ~TKitTestFolder()
    {
        SetRegistryStoreFolder(std::string());
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TKitTestFolder(const TKitTestFolder&) = delete;
    TKitTestFolder& operator=(const TKitTestFolder&) = delete;

    std::string Path(const std::string& name = std::string()) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The standard output of a shell command line.
inline std::string ShellOutput(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::size_t count = std::fread(buffer, 1, sizeof(buffer), pipe)) {
            output.append(buffer, count);
        }
        ::pclose(pipe);
    }
    return output;
}

// Sets an environment variable while it lives, then puts back what was there.
class TEnvironmentValue {
public:
    TEnvironmentValue(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            had_ = true;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~TEnvironmentValue()
    {
        if (had_) {
            ::setenv(name_, old_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    TEnvironmentValue(const TEnvironmentValue&) = delete;
    TEnvironmentValue& operator=(const TEnvironmentValue&) = delete;

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};
