#include "i18n/LangKit.h"

#include "i18n/LangCtrlUtils.h"
#include "i18n/LangINIFile.h"
#include "i18n/LangStrUtils.h"
#include "platform/classes/PropertyPaths.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/ResourceStrings.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr const char* kSingleInstanceMessage =
    "Core Multi Lang is single instance class. Please use GetLangCore class function to obtain an instance.";
constexpr const char* kNoCoreOnRead = "Core polyglot is not assigned.";
constexpr const char* kNoCoreOnWrite = "Core multi lang is not assigned";
constexpr const char* kResourceStringsSection = "ResourceStrings";

TLangCore* theCore = nullptr;       // the one core, or null
TLangCore* constructedCore = nullptr;  // set while a core object exists (also during its construction)
bool kitFinalized = false;

std::mutex translatableMutex;
std::vector<std::string>& TranslatableNames()
{
    static std::vector<std::string> names = {
        "Caption", "Hint",  "Text",      "Title",        "Lines",       "Items",      "Tabs",
        "Columns", "Panels", "Font",     "TitleFont",    "DisplayLabel", "Left",      "Top",
        "Width",   "Height", "ClientWidth", "ClientHeight", "Alignment", "Visible",
    };
    return names;
}
// Properties of the objects inside components (fonts, column titles) that a language may set.
constexpr const char* kSubObjectNames[] = {"Name", "Size", "Color", "Charset", "Style", "Pitch"};

bool ContainsName(const std::vector<std::string>& names, std::string_view name)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return SameText(n, name); });
}

std::string NormalizeFolder(const std::string& folder)
{
    std::string result = folder;
    std::replace(result.begin(), result.end(), '\\', '/');
    if (!result.empty() && result.back() != '/') {
        result += '/';
    }
    return result;
}

// Language files set plain values, string lists and the values inside objects and collections;
// sets, events, extra data and references to other components are never set by a language file.
bool LanguageMaySet(const TPropertyInfo& property)
{
    switch (property.kind) {
    case TPropertyKind::Integer:
    case TPropertyKind::Enumeration:
    case TPropertyKind::Float:
    case TPropertyKind::String:
    case TPropertyKind::Strings:
    case TPropertyKind::Object:
    case TPropertyKind::Collection:
        return true;
    default:
        return false;
    }
}

}  // namespace

// ---- translatable properties

bool IsTranslatableProperty(const TObject& instance, const TPropertyInfo& property)
{
    {
        std::lock_guard lock(translatableMutex);
        if (ContainsName(TranslatableNames(), property.name)) {
            return true;
        }
    }
    if (dynamic_cast<const TComponent*>(&instance) != nullptr) {
        return false;
    }
    return std::any_of(std::begin(kSubObjectNames), std::end(kSubObjectNames),
                       [&](const char* name) { return SameText(name, property.name); });
}

void RegisterTranslatableProperty(const std::string& name)
{
    std::lock_guard lock(translatableMutex);
    if (!ContainsName(TranslatableNames(), name)) {
        TranslatableNames().push_back(name);
    }
}

TPropertyTarget ResolveTranslatablePath(TObject& root, const std::string& path)
{
    return ResolvePropertyPath(root, path, [](const TObject& instance, const TPropertyInfo& property) {
        return LanguageMaySet(property) && IsTranslatableProperty(instance, property);
    });
}

bool ApplyPropertyValue(const TPropertyTarget& target, const std::string& value)
{
    if (!target) {
        return false;
    }
    const TPropertyInfo& property = *target.property;
    TObject& instance = *target.instance;
    switch (property.kind) {
    case TPropertyKind::Integer:
    case TPropertyKind::Float:
        return SetPropertyText(target, value);
    case TPropertyKind::Enumeration: {
        int ordinal = property.Enum().IndexOf(value);
        if (ordinal < 0) {
            return false;  // a misspelt value name is skipped like a path that leads nowhere
        }
        property.setInteger(instance, ordinal);
        return true;
    }
    case TPropertyKind::String:
        property.setString(instance, DecodeStringLiteral(value));
        return true;
    case TPropertyKind::Strings: {
        auto* strings = dynamic_cast<TStrings*>(property.getObject(instance));
        if (strings == nullptr) {
            return false;
        }
        std::vector<std::string> lines = DecodeCommaList(value);
        strings->Clear();
        for (const std::string& line : lines) {
            strings->Add(line);
        }
        return true;
    }
    default:
        return false;
    }
}

// ---- the core

TLangCore::TLangCore()
{
    if (constructedCore != nullptr) {
        throw Exception(kSingleInstanceMessage);
    }
    constructedCore = this;
    SetLangsDir("./Language/");
    SelectLanguage("English");
    SetTranslateResourceStrings(true);
}

TLangCore::~TLangCore()
{
    SetTranslateResourceStrings(false);
    {
        std::lock_guard managers(managersLock_);
        managers_.clear();
    }
    {
        std::lock_guard state(stateLock_);
        file_.reset();
    }
    if (constructedCore == this) {
        constructedCore = nullptr;
    }
}

std::string TLangCore::LangsDir() const
{
    std::lock_guard lock(stateLock_);
    return folder_;
}

std::vector<std::string> TLangCore::Languages() const
{
    std::lock_guard lock(stateLock_);
    return languages_;
}

std::string TLangCore::CurrentLang() const
{
    std::lock_guard lock(stateLock_);
    return current_;
}

bool TLangCore::HasLanguageFile() const
{
    std::lock_guard lock(stateLock_);
    return file_ != nullptr;
}

void TLangCore::SetLangsDir(const std::string& folder)
{
    bool rescanned = false;
    std::string remembered;
    {
        std::lock_guard lock(stateLock_);
        remembered = current_;
        if (folder.empty()) {
            folder_.clear();
            ScanLanguagesLocked();
            rescanned = true;
        } else {
            std::string normalized = NormalizeFolder(folder);
            if (!AnsiSameText(normalized, folder_)) {
                folder_ = normalized;
                ScanLanguagesLocked();
                rescanned = true;
            }
        }
    }
    if (rescanned) {
        SelectLanguage(remembered);
    }
}

void TLangCore::ScanLanguages()
{
    std::lock_guard lock(stateLock_);
    ScanLanguagesLocked();
}

void TLangCore::ScanLanguagesLocked()
{
    current_.clear();
    languages_.clear();
    languageFiles_.clear();
    // The file of the language that was current belongs to the old list: close it, so that
    // nothing is translated from a folder that is no longer the languages folder.
    file_.reset();
    if (folder_.empty()) {
        return;
    }
    // FindFiles matches the mask without regard to letter case and sorts the names, so the list
    // (and the fallback to its first entry) does not depend on the directory's order.
    for (const std::string& name : FindFiles(folder_, "*.lng")) {
        languages_.push_back(name.substr(0, name.size() - 4));
        languageFiles_.push_back(name);
    }
}

void TLangCore::SetCurrentLang(const std::string& name)
{
    bool changed = false;
    {
        std::lock_guard lock(stateLock_);
        bool listed = std::any_of(languages_.begin(), languages_.end(),
                                  [&](const std::string& language) { return AnsiSameText(language, name); });
        if (name != current_ && (listed || name.empty())) {
            current_ = name;
            LoadLanguageFileLocked();
            changed = true;
        }
    }
    if (changed) {
        std::lock_guard lock(managersLock_);
        RetranslateAll();
    }
}

void TLangCore::SelectLanguage(const std::string& name)
{
    SetCurrentLang(name);
    std::string first;
    {
        std::lock_guard lock(stateLock_);
        if (!current_.empty() || languages_.empty()) {
            return;
        }
        first = languages_.front();
    }
    SetCurrentLang(first);
}

void TLangCore::LoadLanguageFile()
{
    std::lock_guard lock(stateLock_);
    LoadLanguageFileLocked();
}

std::string TLangCore::LanguageFileName(const std::string& name) const
{
    for (size_t i = 0; i < languages_.size(); ++i) {
        if (AnsiSameText(languages_[i], name)) {
            return folder_ + languageFiles_[i];
        }
    }
    return folder_ + name + ".lng";
}

void TLangCore::LoadLanguageFileLocked()
{
    file_.reset();
    if (current_.empty()) {
        return;
    }
    std::string fileName = LanguageFileName(current_);
    if (FileExists(fileName)) {
        file_ = std::make_unique<TLangINIFile>(fileName);
    }
}

void TLangCore::RetranslateAll()
{
    std::lock_guard lock(managersLock_);
    // A handler may free a manager or a translator: work on a copy, and skip what has gone.
    const std::vector<TLangManager*> managers = managers_;
    for (TLangManager* manager : managers) {
        if (std::find(managers_.begin(), managers_.end(), manager) == managers_.end()) {
            continue;
        }
        if (manager->BeforeAllTranslate) {
            manager->BeforeAllTranslate(manager);
        }
        const std::vector<TLangTranslator*> translators = manager->translators_;
        for (TLangTranslator* translator : translators) {
            if (std::find(managers_.begin(), managers_.end(), manager) == managers_.end()) {
                break;
            }
            const auto& current = manager->translators_;
            if (std::find(current.begin(), current.end(), translator) != current.end()) {
                translator->Translate();
            }
        }
        if (std::find(managers_.begin(), managers_.end(), manager) != managers_.end() && manager->AfterAllTranslate) {
            manager->AfterAllTranslate(manager);
        }
    }
}

void TLangCore::TranslateComponent(TComponent& root)
{
    std::lock_guard lock(stateLock_);
    if (!file_) {
        return;
    }
    const std::string section = root.ClassName();
    TStringList keys;
    file_->ReadSection(section, keys);
    for (int i = 0; i < keys.Count(); ++i) {
        ApplyKey(root, section, keys[i]);
    }
}

void TLangCore::ApplyKey(TComponent& root, const std::string& section, const std::string& key)
{
    try {
        TPropertyTarget target = ResolveTranslatablePath(root, key);
        if (target) {
            ApplyPropertyValue(target, file_->ReadString(section, key, ""));
        }
    } catch (const Exception&) {
        // A value the property refuses leaves it as it was; the other keys still apply.
    }
}

std::optional<std::string> TLangCore::FindResourceString(int id) const
{
    std::lock_guard lock(stateLock_);
    if (!file_) {
        return std::nullopt;
    }
    const std::string wanted = std::to_string(id);
    TStringList keys;
    file_->ReadSection(kResourceStringsSection, keys);
    for (int i = 0; i < keys.Count(); ++i) {
        if (Trim(TextBefore("_", keys[i])) == wanted) {
            return DecodeStringLiteral(file_->ReadString(kResourceStringsSection, keys[i], ""));
        }
    }
    return std::nullopt;
}

bool TLangCore::TranslateResourceStrings() const
{
    std::lock_guard lock(stateLock_);
    return translateResourceStrings_;
}

void TLangCore::SetTranslateResourceStrings(bool on)
{
    std::lock_guard lock(stateLock_);
    if (on == translateResourceStrings_) {
        return;
    }
    translateResourceStrings_ = on;
    if (on) {
        SetResourceStringLoader([](int id) -> std::optional<std::string> {
            // Never creates a core: a lookup after the kit is finalised finds the built-in text.
            TLangCore* core = theCore;
            return core != nullptr ? core->FindResourceString(id) : std::nullopt;
        });
    } else {
        SetResourceStringLoader({});
    }
}

void TLangCore::RegisterManager(TLangManager* manager)
{
    std::lock_guard lock(managersLock_);
    if (manager != nullptr && std::find(managers_.begin(), managers_.end(), manager) == managers_.end()) {
        managers_.push_back(manager);
    }
}

void TLangCore::UnregisterManager(TLangManager* manager)
{
    std::lock_guard lock(managersLock_);
    managers_.erase(std::remove(managers_.begin(), managers_.end(), manager), managers_.end());
}

TLangCore* GetLangCore()
{
    if (theCore == nullptr && !kitFinalized) {
        InitializeLangKit();
    }
    return theCore;
}

void InitializeLangKit()
{
    if (theCore != nullptr) {
        return;
    }
    static const bool exitHook = [] {
        std::atexit([] { FinalizeLangKit(); });
        return true;
    }();
    (void)exitHook;
    kitFinalized = false;
    theCore = new TLangCore();
}

void FinalizeLangKit()
{
    kitFinalized = true;
    TLangCore* core = theCore;
    theCore = nullptr;
    if (core != nullptr) {
        core->SetTranslateResourceStrings(false);
        delete core;
    }
}

// ---- manager

TLangManager::TLangManager(TComponent* owner) : TComponent(owner)
{
    if (TLangCore* core = GetLangCore()) {
        core->RegisterManager(this);
    }
}

TLangManager::~TLangManager()
{
    for (TLangTranslator* translator : translators_) {
        translator->manager_ = nullptr;
    }
    translators_.clear();
    if (theCore != nullptr) {
        theCore->UnregisterManager(this);
    }
}

std::string TLangManager::LangsDir() const
{
    TLangCore* core = GetLangCore();
    if (core == nullptr) {
        throw Exception(kNoCoreOnRead);
    }
    return core->LangsDir();
}

void TLangManager::SetLangsDir(const std::string& folder)
{
    TLangCore* core = GetLangCore();
    if (core == nullptr) {
        throw Exception(kNoCoreOnWrite);
    }
    bool cancel = false;
    if (LangsDirChanging) {
        LangsDirChanging(this, core->LangsDir(), folder, cancel);
    }
    if (!cancel) {
        core->SetLangsDir(folder);
    }
}

std::string TLangManager::CurrentLang() const
{
    TLangCore* core = GetLangCore();
    if (core == nullptr) {
        throw Exception(kNoCoreOnRead);
    }
    return core->CurrentLang();
}

void TLangManager::SetCurrentLang(const std::string& name)
{
    TLangCore* core = GetLangCore();
    if (core == nullptr) {
        throw Exception(kNoCoreOnWrite);
    }
    bool cancel = false;
    if (CurrentLangChanging) {
        CurrentLangChanging(this, core->CurrentLang(), name, cancel);
    }
    if (!cancel) {
        core->SetCurrentLang(name);
    }
}

bool TLangManager::TranslateResourceStrings() const
{
    TLangCore* core = GetLangCore();
    if (core == nullptr) {
        throw Exception(kNoCoreOnRead);
    }
    return core->TranslateResourceStrings();
}

void TLangManager::SetTranslateResourceStrings(bool on)
{
    if (TLangCore* core = GetLangCore()) {
        core->SetTranslateResourceStrings(on);
    }
}

void TLangManager::AddTranslator(TLangTranslator* translator)
{
    if (std::find(translators_.begin(), translators_.end(), translator) == translators_.end()) {
        translators_.push_back(translator);
    }
}

void TLangManager::RemoveTranslator(TLangTranslator* translator)
{
    translators_.erase(std::remove(translators_.begin(), translators_.end(), translator), translators_.end());
}

void TLangManager::RegisterClass()
{
    TClassRegistration<TLangManager, TComponent>("TLangManager")
        .Component()
        .String("LangsDir", &TLangManager::LangsDir, &TLangManager::SetLangsDir)
        .String("CurrentLang", &TLangManager::CurrentLang, &TLangManager::SetCurrentLang)
        .Boolean("TranslateResourceStrings", &TLangManager::TranslateResourceStrings,
                 &TLangManager::SetTranslateResourceStrings, true)
        .Event("CurrentLangChanging", &TLangManager::CurrentLangChanging)
        .Event("LangsDirChanging", &TLangManager::LangsDirChanging)
        .Event("BeforeAllTranslate", &TLangManager::BeforeAllTranslate)
        .Event("AfterAllTranslate", &TLangManager::AfterAllTranslate);
}

// ---- translator

TLangTranslator::TLangTranslator(TComponent* owner) : TComponent(owner) {}

TLangTranslator::~TLangTranslator()
{
    if (manager_ != nullptr) {
        manager_->RemoveTranslator(this);
        manager_ = nullptr;
    }
}

void TLangTranslator::SetManager(TLangManager* manager)
{
    if (manager == manager_) {
        return;
    }
    if (manager_ != nullptr) {
        manager_->RemoveTranslator(this);
    }
    manager_ = manager;
    if (manager_ != nullptr) {
        manager_->AddTranslator(this);
    }
}

void TLangTranslator::Translate()
{
    if (BeforeTranslate) {
        BeforeTranslate(this);
    }
    if (Owner() != nullptr && manager_ != nullptr) {
        if (TLangCore* core = GetLangCore()) {
            core->TranslateComponent(*Owner());
        }
    }
    if (AfterTranslate) {
        AfterTranslate(this);
    }
}

void TLangTranslator::Loaded()
{
    TComponent::Loaded();
    if (!IsDesigning()) {
        Translate();
    }
}

void TLangTranslator::RegisterClass()
{
    TClassRegistration<TLangTranslator, TComponent>("TLangTranslator")
        .Component()
        .Reference("Manager", &TLangTranslator::Manager, &TLangTranslator::SetManager)
        .Event("BeforeTranslate", &TLangTranslator::BeforeTranslate)
        .Event("AfterTranslate", &TLangTranslator::AfterTranslate);
}

void RegisterLangKitClasses()
{
    static const bool registered = [] {
        TLangManager::RegisterClass();
        TLangTranslator::RegisterClass();
        return true;
    }();
    (void)registered;
}
