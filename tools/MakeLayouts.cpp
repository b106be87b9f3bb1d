// make_layouts FOLDER: writes the default layout files of the main window's eight grids
// ("maingrd.dat" ...) into FOLDER. The main window is started on an empty database in a
// folder of its own, its grids put the columns a user reads first at the front, and each
// grid's columns are written by the grids' own layout writer, so the files read back like any
// layout the program saved. Runs without a display.
#include "app/Unit1.h"
#include "app/tables/EmptyDatabase.h"
#include "platform/gui/DBGrids.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A folder under the system's temporary folder, removed with everything in it.
class TScratchFolder {
public:
    TScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zentivor-layouts-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw Exception("Cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~TScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    const std::filesystem::path& Path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};

void WriteLayouts(const std::string& target)
{
    TScratchFolder program;
    MakeEmptyDatabase((program.Path() / "databases").string());
    std::filesystem::create_directories(program.Path() / "backup");
    std::filesystem::create_directories(program.Path() / "attachments");
    // The first start would open the maker's web site.
    std::ofstream(program.Path() / "Ovralun.ini") << "[Settings]\nOpenSite=1\n";
    SetApplicationFolder(program.Path().string());
    SetOpener([](const std::string&, const std::string&) { return true; });

    TDialogScript boxes;  // no box may wait for an answer
    Tmainfrm window(nullptr);
    for (const TDialogRecord& box : boxes.Records()) {
        throw Exception("The main window did not start: " + box.Text);
    }
    window.ArrangeDefaultColumns();
    std::filesystem::create_directories(target);
    for (size_t i = 0; i < window.Grids().size(); ++i) {
        const std::string file = (std::filesystem::path(target) / kGridLayoutFiles[i]).string();
        window.Grids()[i]->Columns().SaveToFile(file);
        std::printf("wrote %s\n", file.c_str());
    }
    SetOpener(nullptr);
    SetApplicationFolder("");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make_layouts FOLDER\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argumentCount = 1;
    TApplication application(argumentCount, argv);
    try {
        WriteLayouts(argv[1]);
        return 0;
    } catch (const Exception& error) {
        std::fprintf(stderr, "make_layouts: %s\n", error.DisplayText().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_layouts: %s\n", error.what());
    }
    return 1;
}
