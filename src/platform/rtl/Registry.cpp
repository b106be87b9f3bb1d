#include "platform/rtl/Registry.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxKeyNameLength = 255;

struct TRootName {
    HKEY root;
    const char* name;
};
constexpr TRootName kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"}, {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
};

std::string& StoreFolderOverride()
{
    static std::string folder;
    return folder;
}

// ---- the store file -----------------------------------------------------------------------

struct TStoreLine {
    bool isValue = false;
    std::string text;  // a line the store does not read, kept as it stands
    std::string name;
    TRegDataType type = TRegDataType::rdUnknown;
    std::string data;  // text of strings, raw bytes of binary data, decimal text of integers
};

struct TStoreKey {
    std::string path;
    std::vector<TStoreLine> lines;
};

struct TStore {
    std::vector<std::string> preamble;  // lines before the first key
    std::vector<TStoreKey> keys;
};

constexpr const char* kDefaultValueName = "@";

char HexDigit(unsigned value)
{
    return "0123456789ABCDEF"[value & 0xF];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "%XX" for every byte that would change the meaning of a store line: "%", line breaks and other
// control bytes, `special` characters, and blanks at either end (which the reader trims).
std::string Escape(const std::string& text, const std::string& special)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool edgeBlank = (c == ' ' || c == '\t') && (i == 0 || i + 1 == text.size());
        if (c < 0x20 || c == '%' || c == 0x7F || edgeBlank || special.find(static_cast<char>(c)) != std::string::npos) {
            result.push_back('%');
            result.push_back(HexDigit(c >> 4));
            result.push_back(HexDigit(c));
        } else {
            result.push_back(static_cast<char>(c));
        }
    }
    return result;
}

std::string Unescape(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            result.push_back(static_cast<char>(HexValue(text[i + 1]) << 4 | HexValue(text[i + 2])));
            i += 2;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

std::string EscapeName(const std::string& name)
{
    if (name.empty()) {
        return kDefaultValueName;
    }
    if (name == kDefaultValueName) {
        return "%40";
    }
    return Escape(name, "=[;");
}

std::string TrimBlanks(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t' || text[first] == '\r')) ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r')) --last;
    return text.substr(first, last - first);
}

const char* TypeName(TRegDataType type)
{
    switch (type) {
    case TRegDataType::rdString: return "sz";
    case TRegDataType::rdExpandString: return "expand_sz";
    case TRegDataType::rdInteger: return "dword";
    case TRegDataType::rdBinary: return "binary";
    case TRegDataType::rdUnknown: break;
    }
    return "none";
}

std::string EncodeData(TRegDataType type, const std::string& data)
{
    if (type == TRegDataType::rdInteger) {
        const auto value = static_cast<uint32_t>(std::strtol(data.c_str(), nullptr, 10));
        std::string hex;
        for (int shift = 28; shift >= 0; shift -= 4) {
            hex.push_back(HexDigit(value >> shift));
        }
        return hex;
    }
    if (type == TRegDataType::rdBinary) {
        std::string hex;
        for (const char c : data) {
            hex.push_back(HexDigit(static_cast<unsigned char>(c) >> 4));
            hex.push_back(HexDigit(static_cast<unsigned char>(c)));
        }
        return hex;
    }
    return Escape(data, "");
}

// Reads a "type:data" text; false when it is not one the store writes.
bool DecodeData(const std::string& text, TRegDataType& type, std::string& data)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    const std::string typeName = text.substr(0, colon);
    const std::string encoded = text.substr(colon + 1);
    if (typeName == "sz" || typeName == "expand_sz") {
        type = typeName == "sz" ? TRegDataType::rdString : TRegDataType::rdExpandString;
        data = Unescape(encoded);
        return true;
    }
    if (typeName == "dword") {
        if (encoded.size() != 8) {
            return false;
        }
        uint32_t value = 0;
        for (const char c : encoded) {
            if (HexValue(c) < 0) {
                return false;
            }
            value = value << 4 | static_cast<uint32_t>(HexValue(c));
        }
        type = TRegDataType::rdInteger;
        data = std::to_string(static_cast<int32_t>(value));
        return true;
    }
    if (typeName == "binary") {
        if (encoded.size() % 2 != 0) {
            return false;
        }
        std::string bytes;
        for (std::size_t i = 0; i < encoded.size(); i += 2) {
            if (HexValue(encoded[i]) < 0 || HexValue(encoded[i + 1]) < 0) {
                return false;
            }
            bytes.push_back(static_cast<char>(HexValue(encoded[i]) << 4 | HexValue(encoded[i + 1])));
        }
        type = TRegDataType::rdBinary;
        data = std::move(bytes);
        return true;
    }
    return false;
}

TStore ParseStore(const std::string& text)
{
    TStore store;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::string trimmed = TrimBlanks(line);
        if (!trimmed.empty() && trimmed.front() == '[' && trimmed.back() == ']') {
            store.keys.push_back(TStoreKey{Unescape(trimmed.substr(1, trimmed.size() - 2)), {}});
            continue;
        }
        if (store.keys.empty()) {
            store.preamble.push_back(line);
            continue;
        }
        TStoreLine entry;
        entry.text = line;
        const std::size_t equals = trimmed.find('=');
        if (equals != std::string::npos && equals > 0 && trimmed.front() != ';' &&
            DecodeData(trimmed.substr(equals + 1), entry.type, entry.data)) {
            const std::string name = TrimBlanks(trimmed.substr(0, equals));
            entry.isValue = true;
            entry.name = name == kDefaultValueName ? std::string() : Unescape(name);
        }
        store.keys.back().lines.push_back(std::move(entry));
    }
    return store;
}

std::string ValueLine(const TStoreLine& line)
{
    return EscapeName(line.name) + "=" + TypeName(line.type) + ":" + EncodeData(line.type, line.data) + "\n";
}

std::string StoreText(const TStore& store)
{
    std::string text;
    for (const std::string& line : store.preamble) {
        text += line + "\n";
    }
    for (std::size_t i = 0; i < store.keys.size(); ++i) {
        const TStoreKey& key = store.keys[i];
        if (i > 0 || !store.preamble.empty()) {
            text += "\n";
        }
        text += "[" + Escape(key.path, "[]") + "]\n";
        for (const TStoreLine& line : key.lines) {
            if (line.isValue) {
                text += ValueLine(line);
            } else if (!TrimBlanks(line.text).empty()) {
                text += line.text + "\n";
            }
        }
    }
    return text;
}

TStore LoadStore(HKEY root)
{
    return ParseStore(ReadFileContents(RegistryStoreFileName(root)));
}

bool SaveStore(HKEY root, const TStore& store)
{
    const std::string fileName = RegistryStoreFileName(root);
    if (fileName.empty() || !ForceDirectories(RegistryStoreFolder())) {
        return false;
    }
    return WriteFileAtomically(fileName, StoreText(store));
}

bool SamePath(const std::string& a, const std::string& b)
{
    return AnsiSameText(a, b);
}

// True when `path` lies below `parent` ("" is the root, above everything).
bool IsBelow(const std::string& path, const std::string& parent)
{
    if (parent.empty()) {
        return !path.empty();
    }
    return path.size() > parent.size() + 1 && path[parent.size()] == '\\' &&
           AnsiSameText(std::string_view(path).substr(0, parent.size()), parent);
}

TStoreKey* FindKey(TStore& store, const std::string& path)
{
    for (TStoreKey& key : store.keys) {
        if (SamePath(key.path, path)) {
            return &key;
        }
    }
    return nullptr;
}

bool KeyInStore(const TStore& store, const std::string& path)
{
    if (path.empty()) {
        return true;
    }
    for (const TStoreKey& key : store.keys) {
        if (SamePath(key.path, path) || IsBelow(key.path, path)) {
            return true;
        }
    }
    return false;
}

// Adds the key and every key above it that is missing; true when anything was added.
bool AddKey(TStore& store, const std::string& path)
{
    bool added = false;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('\\', at + 1);
        const std::string part = path.substr(0, at);
        if (!part.empty() && FindKey(store, part) == nullptr) {
            store.keys.push_back(TStoreKey{part, {}});
            added = true;
        }
    }
    return added;
}

TStoreLine* FindValue(TStoreKey& key, const std::string& name)
{
    for (TStoreLine& line : key.lines) {
        if (line.isValue && AnsiSameText(line.name, name)) {
            return &line;
        }
    }
    return nullptr;
}

}  // namespace

std::string RootKeyName(HKEY root)
{
    for (const TRootName& entry : kRoots) {
        if (entry.root == root) {
            return entry.name;
        }
    }
    return std::string();
}

std::string RegistryStoreFolder()
{
    if (!StoreFolderOverride().empty()) {
        return IncludeTrailingPathDelimiter(StoreFolderOverride());
    }
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        base = std::string(home) + "/.config";
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        base = std::string(entry->pw_dir) + "/.config";
    } else {
        base = "/tmp";
    }
    return IncludeTrailingPathDelimiter(base) + "zentivor/registry/";
}

void SetRegistryStoreFolder(const std::string& folder)
{
    StoreFolderOverride() = folder;
}

std::string RegistryStoreFileName(HKEY root)
{
    const std::string name = RootKeyName(root);
    return name.empty() ? std::string() : RegistryStoreFolder() + name + ".reg";
}

TRegistryKeyImage RegistryKeyImage(HKEY root, const std::string& path)
{
    TRegistryKeyImage image;
    if (RootKeyName(root).empty()) {
        return image;
    }
    const TStore store = LoadStore(root);
    image.Exists = KeyInStore(store, path);
    if (!image.Exists) {
        return image;
    }
    image.Keys[std::string()];
    for (const TStoreKey& key : store.keys) {
        if (!SamePath(key.path, path) && !IsBelow(key.path, path)) {
            continue;
        }
        const std::size_t skip = path.empty() || SamePath(key.path, path) ? path.size() : path.size() + 1;
        std::string& values = image.Keys[AnsiUpperCase(key.path.substr(skip))];
        for (const TStoreLine& line : key.lines) {
            if (line.isValue) {
                values += ValueLine(line);
            }
        }
    }
    return image;
}

// ---- TRegistry ----------------------------------------------------------------------------

void TRegistry::SetRootKey(HKEY root)
{
    CloseKey();
    rootKey_ = root;
}

bool TRegistry::ResolvePath(const std::string& key, std::string& path) const
{
    std::string base = key.starts_with('\\') ? std::string() : currentPath_;
    std::string rest = key.starts_with('\\') ? key.substr(1) : key;
    if (!rest.empty() && rest.back() == '\\') {
        rest.pop_back();
    }
    if (RootKeyName(rootKey_).empty()) {
        return false;
    }
    if (rest.empty()) {
        path = base;
        return true;
    }
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find('\\', start);
        if (end == std::string::npos) {
            end = rest.size();
        }
        const std::size_t length = end - start;
        if (length == 0 || length > kMaxKeyNameLength) {
            return false;
        }
        start = end + 1;
    }
    path = base.empty() ? rest : base + "\\" + rest;
    return true;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    std::string path;
    if (!ResolvePath(key, path)) {
        return false;
    }
    TStore store = LoadStore(rootKey_);
    if (!KeyInStore(store, path)) {
        if (!canCreate || !AddKey(store, path) || !SaveStore(rootKey_, store)) {
            return false;
        }
    }
    currentPath_ = path;
    open_ = true;
    readOnly_ = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    std::string path;
    if (!ResolvePath(key, path) || !KeyInStore(LoadStore(rootKey_), path)) {
        return false;
    }
    currentPath_ = path;
    open_ = true;
    readOnly_ = true;
    return true;
}

void TRegistry::CloseKey()
{
    currentPath_.clear();
    open_ = false;
    readOnly_ = false;
}

bool TRegistry::CreateKey(const std::string& key)
{
    std::string path;
    if (!ResolvePath(key, path) || path.empty()) {
        return false;
    }
    TStore store = LoadStore(rootKey_);
    if (!AddKey(store, path)) {
        return true;
    }
    return SaveStore(rootKey_, store);
}

bool TRegistry::DeleteKey(const std::string& key)
{
    std::string path;
    if (!ResolvePath(key, path) || path.empty()) {
        return false;
    }
    TStore store = LoadStore(rootKey_);
    const std::size_t before = store.keys.size();
    std::erase_if(store.keys, [&](const TStoreKey& entry) { return SamePath(entry.path, path) || IsBelow(entry.path, path); });
    if (store.keys.size() == before || !SaveStore(rootKey_, store)) {
        return false;
    }
    if (SamePath(currentPath_, path) || IsBelow(currentPath_, path)) {
        CloseKey();
    }
    return true;
}

bool TRegistry::KeyExists(const std::string& key) const
{
    std::string path;
    return ResolvePath(key, path) && KeyInStore(LoadStore(rootKey_), path);
}

bool TRegistry::ReadValue(const std::string& name, TRegDataType& type, std::string& data) const
{
    TStore store = LoadStore(rootKey_);
    TStoreKey* key = FindKey(store, currentPath_);
    TStoreLine* line = key == nullptr ? nullptr : FindValue(*key, name);
    if (line == nullptr) {
        return false;
    }
    type = line->type;
    data = line->data;
    return true;
}

void TRegistry::WriteValue(const std::string& name, TRegDataType type, const std::string& data)
{
    if (readOnly_ || RootKeyName(rootKey_).empty()) {
        throw ERegistryException("Failed to set data for '" + name + "'");
    }
    TStore store = LoadStore(rootKey_);
    AddKey(store, currentPath_);
    TStoreKey* key = currentPath_.empty() ? nullptr : FindKey(store, currentPath_);
    if (key == nullptr) {
        // Values directly under the root live in a key of no name.
        key = FindKey(store, std::string());
        if (key == nullptr) {
            store.keys.push_back(TStoreKey{});
            key = &store.keys.back();
        }
    }
    TStoreLine* line = FindValue(*key, name);
    if (line == nullptr) {
        key->lines.push_back(TStoreLine{});
        line = &key->lines.back();
        line->isValue = true;
        line->name = name;
    }
    line->type = type;
    line->data = data;
    if (!SaveStore(rootKey_, store)) {
        throw ERegistryException("Failed to set data for '" + name + "'");
    }
}

bool TRegistry::ValueExists(const std::string& name) const
{
    TRegDataType type;
    std::string data;
    return ReadValue(name, type, data);
}

TRegDataType TRegistry::GetDataType(const std::string& name) const
{
    TRegDataType type = TRegDataType::rdUnknown;
    std::string data;
    return ReadValue(name, type, data) ? type : TRegDataType::rdUnknown;
}

std::string TRegistry::ReadString(const std::string& name) const
{
    TRegDataType type;
    std::string data;
    if (!ReadValue(name, type, data)) {
        return std::string();
    }
    if (type != TRegDataType::rdString && type != TRegDataType::rdExpandString) {
        throw ERegistryException("Invalid data type for '" + name + "'");
    }
    return data;
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    WriteValue(name, TRegDataType::rdString, value);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value)
{
    WriteValue(name, TRegDataType::rdExpandString, value);
}

int TRegistry::ReadInteger(const std::string& name) const
{
    TRegDataType type;
    std::string data;
    if (!ReadValue(name, type, data)) {
        throw ERegistryException("Failed to get data for '" + name + "'");
    }
    if (type != TRegDataType::rdInteger) {
        throw ERegistryException("Invalid data type for '" + name + "'");
    }
    return static_cast<int>(std::strtol(data.c_str(), nullptr, 10));
}

void TRegistry::WriteInteger(const std::string& name, int value)
{
    WriteValue(name, TRegDataType::rdInteger, std::to_string(value));
}

std::string TRegistry::ReadBinaryData(const std::string& name) const
{
    TRegDataType type;
    std::string data;
    if (!ReadValue(name, type, data)) {
        return std::string();
    }
    if (type != TRegDataType::rdBinary) {
        throw ERegistryException("Invalid data type for '" + name + "'");
    }
    return data;
}

void TRegistry::WriteBinaryData(const std::string& name, const std::string& bytes)
{
    WriteValue(name, TRegDataType::rdBinary, bytes);
}

bool TRegistry::DeleteValue(const std::string& name)
{
    if (readOnly_) {
        return false;
    }
    TStore store = LoadStore(rootKey_);
    TStoreKey* key = FindKey(store, currentPath_);
    if (key == nullptr) {
        return false;
    }
    const std::size_t before = key->lines.size();
    std::erase_if(key->lines, [&](const TStoreLine& line) { return line.isValue && AnsiSameText(line.name, name); });
    return key->lines.size() != before && SaveStore(rootKey_, store);
}

void TRegistry::GetKeyNames(TStrings& strings) const
{
    strings.BeginUpdate();
    strings.Clear();
    const TStore store = LoadStore(rootKey_);
    for (const TStoreKey& key : store.keys) {
        if (!IsBelow(key.path, currentPath_)) {
            continue;
        }
        const std::size_t start = currentPath_.empty() ? 0 : currentPath_.size() + 1;
        const std::string child = key.path.substr(start, key.path.find('\\', start) - start);
        bool known = false;
        for (int i = 0; i < strings.Count() && !known; ++i) {
            known = AnsiSameText(strings[i], child);
        }
        if (!known) {
            strings.Add(child);
        }
    }
    strings.EndUpdate();
}

void TRegistry::GetValueNames(TStrings& strings) const
{
    strings.BeginUpdate();
    strings.Clear();
    TStore store = LoadStore(rootKey_);
    if (TStoreKey* key = FindKey(store, currentPath_)) {
        for (const TStoreLine& line : key->lines) {
            if (line.isValue) {
                strings.Add(line.name);
            }
        }
    }
    strings.EndUpdate();
}

bool TRegistry::HasSubKeys() const
{
    const TStore store = LoadStore(rootKey_);
    for (const TStoreKey& key : store.keys) {
        if (IsBelow(key.path, currentPath_)) {
            return true;
        }
    }
    return false;
}
