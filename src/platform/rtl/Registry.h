#pragma once
// The registry: a tree of keys under six roots, each key holding named values of a type.
//
// This system keeps it in a store of its own: one text file per root in the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config, then "zentivor/registry/"), named
// after the root ("HKEY_CURRENT_USER.reg"). Each key is a "[path]" line followed by its values,
// one "name=type:data" line each (type sz, expand_sz, dword, binary; the default value's name
// is "@"). Key paths and value names are compared without regard to letter case and keep the
// case they were made with. Every change rewrites the file whole through a temporary file
// that is renamed over it, so the store holds either the old or the new contents, never a part;
// nothing is cached, so every read sees what another program wrote. Lines the store cannot
// read are kept as they stand and otherwise ignored.
//
// TRegistry works on one root and one current key, as the class library's registry class does:
// OpenKey opens (or creates) a key relative to the current key ("\" in front: from the root),
// and the value operations act on the current key.

#include "platform/rtl/Classes.h"
#include "platform/rtl/Exceptions.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

ZV_DECLARE_EXCEPTION(ERegistryException, Exception);

using HKEY = uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// "HKEY_CURRENT_USER" and so on; empty for a number that is no root.
std::string RootKeyName(HKEY root);

// The folder of the store with a trailing "/". Tests can set it; an empty text returns to the
// user's configuration folder.
std::string RegistryStoreFolder();
void SetRegistryStoreFolder(const std::string& folder);
// The file that holds a root's keys; empty for a number that is no root.
std::string RegistryStoreFileName(HKEY root);

// A key as it stands at one moment, to tell later what changed in it: whether it exists, and
// for the key and every key below it (by path relative to it in upper case; "" is the key
// itself) its values as the store writes them. `path` is from the root ("" is the root).
struct TRegistryKeyImage {
    bool Exists = false;
    std::map<std::string, std::string> Keys;
};
TRegistryKeyImage RegistryKeyImage(HKEY root, const std::string& path);

class TRegistry : public TObject {
public:
    TRegistry() = default;
    const char* ClassName() const noexcept override { return "TRegistry"; }

    HKEY RootKey() const noexcept { return rootKey_; }
    // Closes the current key.
    void SetRootKey(HKEY root);
    // The current key's path from the root, without a leading "\" (empty at the root or when
    // no key is open).
    const std::string& CurrentPath() const noexcept { return currentPath_; }
    bool HasCurrentKey() const noexcept { return open_; }

    // Opens a key; with `canCreate` a missing key is created (with every key above it). False
    // when the key does not exist, the name is not a key path, or the store cannot be written.
    bool OpenKey(const std::string& key, bool canCreate);
    // Opens an existing key; the value writes then raise.
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    bool CreateKey(const std::string& key);
    // Deletes the key with every key below it; false when it does not exist or cannot be written.
    bool DeleteKey(const std::string& key);
    bool KeyExists(const std::string& key) const;

    // Values of the current key. Reads of a value of another type raise ERegistryException
    // "Invalid data type for '<name>'"; a missing value reads as "" (strings), raises
    // "Failed to get data for '<name>'" (integers) or reads 0 bytes (binary). A write that
    // cannot be made raises "Failed to set data for '<name>'" and leaves the store as it was.
    bool ValueExists(const std::string& name) const;
    TRegDataType GetDataType(const std::string& name) const;
    std::string ReadString(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    int ReadInteger(const std::string& name) const;
    void WriteInteger(const std::string& name, int value);
    std::string ReadBinaryData(const std::string& name) const;
    void WriteBinaryData(const std::string& name, const std::string& bytes);
    bool DeleteValue(const std::string& name);

    // Names of the current key's direct sub-keys and of its values, in store order.
    void GetKeyNames(TStrings& strings) const;
    void GetValueNames(TStrings& strings) const;
    bool HasSubKeys() const;

private:
    // Path of `key` from the root ("A\B"): from the current key, or from the root when it
    // begins with "\". False for a name that is no key path.
    bool ResolvePath(const std::string& key, std::string& path) const;
    void WriteValue(const std::string& name, TRegDataType type, const std::string& data);
    bool ReadValue(const std::string& name, TRegDataType& type, std::string& data) const;

    HKEY rootKey_ = HKEY_CURRENT_USER;
    std::string currentPath_;
    bool open_ = false;
    bool readOnly_ = false;
};
