// Feeds random bytes to the form description reader: the parser, then the reader on a small form
// class with properties of every kind, then the collection stream reader. Only the reader's own
// errors may come out; anything else (or a crash) is a finding.
#include "platform/classes/ComponentStreams.h"
#include "platform/classes/FormReader.h"
#include "platform/rtl/Exceptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

enum class TFuzzKind { fkOne, fkTwo, fkThree };

class TFuzzFont : public TPersistent {
public:
    const char* ClassName() const noexcept override { return "TFuzzFont"; }
    std::string name;
    uint64_t style = 0;
};

class TFuzzItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    const char* ClassName() const noexcept override { return "TFuzzItem"; }
    std::string caption;
    int width = 0;
    TFuzzFont font;
};

class TFuzzControl : public TComponent {
public:
    explicit TFuzzControl(TComponent* owner)
        : TComponent(owner), items(this, CollectionItemClassOf<TFuzzItem>("TFuzzItem"))
    {
    }
    const char* ClassName() const noexcept override { return "TFuzzControl"; }
    void Handler(TObject*) {}
    std::string caption;
    int64_t width = 0;
    double ratio = 0;
    bool visible = true;
    TFuzzKind kind = TFuzzKind::fkOne;
    TFuzzFont font;
    TStringList lines;
    TCollection items;
    TComponent* link = nullptr;
    TNotifyEvent OnClick;
    std::string data;
};

void Register()
{
    RegisterEnum<TFuzzKind>("TFuzzKind", {"fkOne", "fkTwo", "fkThree"});
    TClassRegistration<TFuzzFont, TPersistent>("TFuzzFont")
        .String("Name", [](const TFuzzFont& f) { return f.name; }, [](TFuzzFont& f, const std::string& v) { f.name = v; })
        .Set<TFuzzKind>("Style", [](const TFuzzFont& f) { return f.style; }, [](TFuzzFont& f, uint64_t v) { f.style = v; });
    TClassRegistration<TFuzzItem, TCollectionItem>("TFuzzItem")
        .Item()
        .String("Caption", [](const TFuzzItem& i) { return i.caption; },
                [](TFuzzItem& i, const std::string& v) { i.caption = v; })
        .Integer("Width", [](const TFuzzItem& i) { return i.width; }, [](TFuzzItem& i, int v) { i.width = v; })
        .Object("Font", [](TFuzzItem& i) { return &i.font; });
    using C = TFuzzControl;
    TClassRegistration<C, TComponent>("TFuzzControl")
        .Component()
        .String("Caption", [](const C& c) { return c.caption; }, [](C& c, const std::string& v) { c.caption = v; })
        .Integer("Width", [](const C& c) { return c.width; }, [](C& c, int64_t v) { c.width = v; })
        .Float("Ratio", [](const C& c) { return c.ratio; }, [](C& c, double v) { c.ratio = v; })
        .Boolean("Visible", [](const C& c) { return c.visible; }, [](C& c, bool v) { c.visible = v; })
        .Enum("Kind", [](const C& c) { return c.kind; }, [](C& c, TFuzzKind v) { c.kind = v; }, TFuzzKind::fkOne)
        .Object("Font", [](C& c) { return &c.font; })
        .Strings("Lines", [](C& c) -> TStrings& { return c.lines; })
        .Collection("Items", [](C& c) { return &c.items; })
        .Reference("Link", [](C& c) { return c.link; }, [](C& c, TComponent* v) { c.link = v; })
        .Event("OnClick", &C::OnClick)
        .Defined("Data", [](C& c, const std::string& bytes) { c.data = bytes; },
                 [](const C& c) -> std::optional<std::string> { return c.data; })
        .Handler("Handler", &C::Handler);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool registered = (Register(), true);
    (void)registered;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        TFuzzControl root(nullptr);
        ReadComponentText(root, text, "fuzz.form");
    } catch (const EParserError&) {
    } catch (const EClassNotFound&) {
    } catch (const EComponentError&) {
    }
    try {
        TComponent* made = CreateComponentFromText(text, "fuzz.form", nullptr);
        delete made;
    } catch (const EParserError&) {
    } catch (const EClassNotFound&) {
    } catch (const EComponentError&) {
    }
    try {
        TFuzzControl owner(nullptr);
        ReadCollectionText(owner.items, text, "fuzz.dat");
        // What was read is written and read back.
        std::string written = WriteCollectionText(owner.items);
        TFuzzControl again(nullptr);
        if (ReadCollectionText(again.items, written, "again.dat") != 0 || again.items.Count() != owner.items.Count()) {
            std::abort();
        }
    } catch (const EParserError&) {
    }
    return 0;
}
