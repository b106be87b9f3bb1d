// Reads arbitrary bytes as a language file and translates a small window-like component tree
// from it (every key as a path, every value by its property's kind), then looks up built-in
// string replacements; the decoders get the raw bytes as well.

#include "i18n/LangKit.h"
#include "i18n/LangStrUtils.h"
#include "platform/classes/Collections.h"
#include "platform/classes/PropertyRegistry.h"
#include "platform/rtl/Files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

enum class TFuzzAlign { faLeft, faRight, faCenter };

class TFuzzFont : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TFuzzFont"; }
    std::string name;
    int64_t size = 8;
};

class TFuzzColumn : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    const char* ClassName() const noexcept override { return "TFuzzColumn"; }
    std::string caption;
    int64_t width = 64;
};

class TFuzzControl : public TComponent {
public:
    using TComponent::TComponent;
    const char* ClassName() const noexcept override { return "TFuzzControl"; }
    std::string caption;
    std::string hint;
    std::string fileName;  // must never be reached
    int64_t width = 0;
    double ratio = 0;
    bool visible = true;
    TFuzzAlign alignment = TFuzzAlign::faLeft;
    TStringList items;
    TFuzzFont font;
    TCollection columns{this, CollectionItemClassOf<TFuzzColumn>("TFuzzColumn")};
};

class TFuzzRoot : public TFuzzControl {
public:
    using TFuzzControl::TFuzzControl;
    const char* ClassName() const noexcept override { return "TFuzzRoot"; }
};

void Register()
{
    RegisterEnum<TFuzzAlign>("TFuzzAlign", {"faLeft", "faRight", "faCenter"});
    TClassRegistration<TFuzzFont, TPersistent>("TFuzzFont")
        .String("Name", [](const TFuzzFont& f) { return f.name; }, [](TFuzzFont& f, const std::string& v) { f.name = v; })
        .Integer("Size", [](const TFuzzFont& f) { return f.size; }, [](TFuzzFont& f, int64_t v) { f.size = v; });
    TClassRegistration<TFuzzColumn, TCollectionItem>("TFuzzColumn")
        .Item()
        .String("Caption", [](const TFuzzColumn& c) { return c.caption; },
                [](TFuzzColumn& c, const std::string& v) { c.caption = v; })
        .Integer("Width", [](const TFuzzColumn& c) { return c.width; }, [](TFuzzColumn& c, int64_t v) { c.width = v; });
    TClassRegistration<TFuzzControl, TComponent>("TFuzzControl")
        .String("Caption", [](const TFuzzControl& c) { return c.caption; },
                [](TFuzzControl& c, const std::string& v) { c.caption = v; })
        .String("Hint", [](const TFuzzControl& c) { return c.hint; },
                [](TFuzzControl& c, const std::string& v) { c.hint = v; })
        .String("FileName", [](const TFuzzControl& c) { return c.fileName; },
                [](TFuzzControl& c, const std::string& v) { c.fileName = v; })
        .Integer("Width", [](const TFuzzControl& c) { return c.width; }, [](TFuzzControl& c, int64_t v) { c.width = v; })
        .Float("Ratio", [](const TFuzzControl& c) { return c.ratio; }, [](TFuzzControl& c, double v) { c.ratio = v; })
        .Boolean("Visible", [](const TFuzzControl& c) { return c.visible; }, [](TFuzzControl& c, bool v) { c.visible = v; })
        .Enum("Alignment", [](const TFuzzControl& c) { return c.alignment; },
              [](TFuzzControl& c, TFuzzAlign v) { c.alignment = v; }, TFuzzAlign::faLeft)
        .Strings("Items", [](TFuzzControl& c) -> TStrings& { return c.items; })
        .Object("Font", [](TFuzzControl& c) -> TFuzzFont& { return c.font; })
        .Collection("Columns", [](TFuzzControl& c) -> TCollection& { return c.columns; });
    TClassRegistration<TFuzzRoot, TFuzzControl>("TFuzzRoot");
}

struct TFuzzSetup {
    std::string folder;
    TFuzzSetup()
    {
        Register();
        char pattern[] = "/tmp/zv-langfuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        folder = made != nullptr ? std::string(made) + "/" : std::string("/tmp/");
        WriteFileAtomically(folder + "Fuzz.lng", "");
        GetLangCore()->SetTranslateResourceStrings(true);
        GetLangCore()->SetLangsDir(folder);
        GetLangCore()->SetCurrentLang("Fuzz");
    }
    ~TFuzzSetup()
    {
        DeleteFile(folder + "Fuzz.lng");
        ::rmdir(folder.c_str());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TFuzzSetup setup;
    std::string text(reinterpret_cast<const char*>(data), size);
    DecodeStringLiteral(text);
    DecodeCommaList(text);
    FileNameWithoutExt(text);

    if (!WriteFileAtomically(setup.folder + "Fuzz.lng", text)) {
        return 0;
    }
    TLangCore* core = GetLangCore();
    core->LoadLanguageFile();

    TFuzzRoot root(nullptr);
    auto* child = new TFuzzControl(&root);
    child->SetName("child");
    root.columns.Add();
    child->columns.Add();
    core->TranslateComponent(root);
    if (!root.fileName.empty() || !child->fileName.empty()) {
        __builtin_trap();  // a file name is no user-interface text
    }
    for (int id : {0, 1, 65000, 65001, -1}) {
        core->FindResourceString(id);
    }
    return 0;
}
