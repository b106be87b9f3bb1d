#pragma once
// The text of form descriptions and component streams, parsed into a tree before anything is
// created, so that a damaged text changes nothing:
//
//   object btn_ok: TKitButton        (or "object TKitButton" for an unnamed component)
//     Left = -8                      integers, also $FF
//     Ratio = 1.5                    floats
//     Caption = 'It''s'#13#10 +      strings: quoted pieces, #nn characters, + across lines
//       'more'
//     Visible = False                identifiers: enumerations, Booleans, references, handlers
//     Font.Style = [fsBold, fsItalic] sets; a dotted name sets a property of an owned object
//     Items.Strings = ('one' 'two')  string lists
//     Columns = <item Width = 5 end> collections
//     Internal = {0A1B}              extra data as hex bytes
//     object ... end                 nested components
//   end
//
// Errors are EParserError "<source>(<line>): <what>".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TFormItem;

struct TFormValue {
    enum class Kind { Integer, Float, String, Identifier, Set, List, Collection, Binary };
    Kind kind = Kind::Integer;
    int line = 0;
    int64_t integer = 0;
    double real = 0;
    std::string text;                // String, Identifier, Binary (the bytes)
    std::vector<std::string> names;  // Set
    std::vector<TFormValue> list;    // List
    std::vector<TFormItem> items;    // Collection
};

struct TFormProperty {
    std::string path;  // "Caption", "Font.Name", "Items.Strings"
    int line = 0;
    TFormValue value;
};

struct TFormItem {
    int line = 0;
    std::vector<TFormProperty> properties;
};

struct TFormObject {
    std::string name;  // empty for an unnamed component
    std::string className;
    int line = 0;
    std::vector<TFormProperty> properties;
    std::vector<TFormObject> children;
};

// Parses a whole description: one object block and nothing after it.
TFormObject ParseFormText(std::string_view text, std::string_view sourceName);
// Parses a component stream of a collection: one <...> value and nothing after it.
TFormValue ParseCollectionText(std::string_view text, std::string_view sourceName);

// Writes a string as the parser reads it: printable characters quoted, others as #nn.
std::string QuoteFormString(std::string_view text);
// Throws EParserError "<source>(<line>): <message>".
[[noreturn]] void ThrowFormError(std::string_view sourceName, int line, const std::string& message);
