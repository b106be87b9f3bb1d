#pragma once
// The localisation kit: language files ("<language>.lng", INI text with one section per window
// class) set the published properties of every window at run time.
//
// TLangCore (one per process, GetLangCore) knows the languages folder, the languages found there
// (file names without ".lng", sorted without regard to letter case), the current language and
// its open file. TLangManager components read and set the folder and the language through the
// core; one TLangTranslator per window translates its owner when the window is loaded (put it
// last in the form description, so every other component is loaded before it) and again
// whenever the language changes.
//
// A key of a window's section is a path from the window: "Caption", "btn_ok.Hint",
// "grp5.Font.Name", "grp1.lb_product.Caption" (a child control of another control),
// "listname.Items.Strings" (a string list, value a comma list) and
// "maingrid.Columns.Items(0).Title.Caption" (item 0 of a collection). Only properties that are
// registered as translatable are reached: the user-interface texts and layout (captions, hints,
// texts, item lists, titles, fonts, sizes and positions, alignment, visibility); no path follows
// a reference to another component. A path that leads nowhere, and a value name that the
// property's enumeration does not have, are skipped.
//
// Locks: the language-state lock guards folder, list, current name, file and every translation;
// the manager-list lock guards the managers and is always taken outside the state lock. Both are
// recursive, so a translate handler may set the language again without a deadlock.
//
// Section "ResourceStrings" holds replacements of the built-in strings (keys "<number>_<any
// text>", values string literals); they are served while TranslateResourceStrings is on.

#include "platform/classes/Components.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class TLangINIFile;
class TLangManager;
class TLangTranslator;
struct TPropertyTarget;
class TPropertyInfo;

using TCurrentLangChangingEvent = std::function<void(TObject* sender, const std::string& oldLanguage,
                                                     const std::string& newLanguage, bool& cancel)>;
using TLangsDirChangingEvent = std::function<void(TObject* sender, const std::string& oldFolder,
                                                  const std::string& newFolder, bool& cancel)>;

class TLangCore : public TObject {
public:
    // Raises Exception when a core exists already. Sets the folder "./Language/" and selects
    // "English" (or the first language found); resource-string translation is on.
    TLangCore();
    ~TLangCore() override;
    TLangCore(const TLangCore&) = delete;
    TLangCore& operator=(const TLangCore&) = delete;
    const char* ClassName() const noexcept override { return "TLangCore"; }

    std::string LangsDir() const;
    std::vector<std::string> Languages() const;
    std::string CurrentLang() const;
    // True while a language file is open.
    bool HasLanguageFile() const;

    // Stores the folder ("/" appended; "\" read as "/") and rescans when it differs from the
    // stored one (letter case ignored), then selects the language that was current before.
    void SetLangsDir(const std::string& folder);
    void ScanLanguages();
    // Makes `name` current when it differs and is a listed language (letter case ignored) or
    // empty; loads its file and retranslates every registered window. Any other name changes
    // nothing.
    void SetCurrentLang(const std::string& name);
    // SetCurrentLang, falling back to the first listed language when none is current then.
    void SelectLanguage(const std::string& name);
    void LoadLanguageFile();
    void RetranslateAll();
    // Sets the properties of `root` from the section named after its class.
    void TranslateComponent(TComponent& root);
    // The replacement of built-in string `id` from section "ResourceStrings", if any.
    std::optional<std::string> FindResourceString(int id) const;

    bool TranslateResourceStrings() const;
    void SetTranslateResourceStrings(bool on);

    void RegisterManager(TLangManager* manager);
    void UnregisterManager(TLangManager* manager);

private:
    void ScanLanguagesLocked();
    void LoadLanguageFileLocked();
    std::string LanguageFileName(const std::string& name) const;
    void ApplyKey(TComponent& root, const std::string& section, const std::string& key);

    mutable std::recursive_mutex stateLock_;
    mutable std::recursive_mutex managersLock_;
    std::string folder_;
    std::vector<std::string> languages_;
    std::vector<std::string> languageFiles_;  // file names as found, beside languages_
    std::string current_;
    std::unique_ptr<TLangINIFile> file_;
    std::vector<TLangManager*> managers_;
    bool translateResourceStrings_ = false;
};

// The core, or null when the kit is finalised.
TLangCore* GetLangCore();
// Creates the core when there is none (GetLangCore does this on first use).
void InitializeLangKit();
// Frees the core: resource-string translation is switched off first, so that no lookup reaches a
// freed core.
void FinalizeLangKit();

// Whether a language file may set this property of this object. Registered: Caption, Hint,
// Text, Title, Lines, Items, Tabs, Columns, Panels, Font, TitleFont, DisplayLabel, Left, Top,
// Width, Height, ClientWidth, ClientHeight, Alignment, Visible; inside objects that are not
// components (fonts, column titles) also Name, Size, Color, Charset, Style and Pitch.
bool IsTranslatableProperty(const TObject& instance, const TPropertyInfo& property);
// Adds a property name to the translatable ones.
void RegisterTranslatableProperty(const std::string& name);

// The translatable property a language-file key leads to from `root`; empty when it leads
// nowhere.
TPropertyTarget ResolveTranslatablePath(TObject& root, const std::string& path);
// Sets the target from a language-file value (by the property's kind: integer, enumeration name,
// number, string literal, comma list). False when nothing was set.
bool ApplyPropertyValue(const TPropertyTarget& target, const std::string& value);

class TLangManager : public TComponent {
public:
    explicit TLangManager(TComponent* owner);
    ~TLangManager() override;
    const char* ClassName() const noexcept override { return "TLangManager"; }
    static void RegisterClass();

    // Without a core reading raises Exception "Core polyglot is not assigned.", writing
    // "Core multi lang is not assigned".
    std::string LangsDir() const;
    void SetLangsDir(const std::string& folder);
    std::string CurrentLang() const;
    void SetCurrentLang(const std::string& name);
    bool TranslateResourceStrings() const;
    void SetTranslateResourceStrings(bool on);

    TCurrentLangChangingEvent CurrentLangChanging;
    TLangsDirChangingEvent LangsDirChanging;
    TNotifyEvent BeforeAllTranslate;
    TNotifyEvent AfterAllTranslate;

    // The translators in registration order.
    const std::vector<TLangTranslator*>& Translators() const noexcept { return translators_; }

private:
    friend class TLangTranslator;
    friend class TLangCore;
    void AddTranslator(TLangTranslator* translator);
    void RemoveTranslator(TLangTranslator* translator);

    std::vector<TLangTranslator*> translators_;
};

class TLangTranslator : public TComponent {
public:
    explicit TLangTranslator(TComponent* owner);
    ~TLangTranslator() override;
    const char* ClassName() const noexcept override { return "TLangTranslator"; }
    static void RegisterClass();

    TLangManager* Manager() const noexcept { return manager_; }
    void SetManager(TLangManager* manager);

    // BeforeTranslate; the owner translated through the core when there is an owner and a
    // manager; AfterTranslate.
    void Translate();

    TNotifyEvent BeforeTranslate;
    TNotifyEvent AfterTranslate;

protected:
    void Loaded() override;

private:
    friend class TLangManager;
    TLangManager* manager_ = nullptr;
};

// Registers the kit's components with the property registry (safe to call more than once).
void RegisterLangKitClasses();
