// The literal decoder, the comma list, the delimiter helpers and file names without extension.
#include "i18n/LangStrUtils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(LangStrUtils, DecodesStringLiterals)
{
    const struct {
        const char* literal;
        std::string decoded;
    } cases[] = {
        {"'It''s'#13#10'ok'", "It's\r\nok"},
        {"Hello", "Hello"},
        {"Hello world", "Hello world"},
        {"'open", ""},                  // ends inside quotes
        {"x", ""},                      // fewer than 2 characters
        {"'", ""},
        {"", ""},
        {"''", ""},
        {"'a''b'", "a'b"},              // one run with a quote inside
        {"'a' 'b'", ""},                // a closed run followed by a blank fails
        {"'a'#66'c'", "aBc"},
        {"#65#66", "AB"},
        {"#321", "A"},                  // low 8 bits of 321
        {"'x'#", "x\xFF"},              // "#" without digits
        {"#", ""},
        {"'Caf'#233", "Caf\xE9"},
        {"'Line 1'#13#10'Line 2'", "Line 1\r\nLine 2"},
        {"ab''cd", "abcd"},             // a doubled quote outside quotes adds nothing
        {"'#13'", "#13"},               // inside quotes "#" is text
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeStringLiteral(c.literal), c.decoded) << c.literal;
    }
}

TEST(LangStrUtils, SplitsCommaLists)
{
    using Lines = std::vector<std::string>;
    const struct {
        const char* value;
        Lines lines;
    } cases[] = {
        {"'first item', second,", {"first item", "second", ""}},
        {"  a,b , c", {"a", "b", "c"}},
        {"'it''s', 'x,y'", {"it's", "x,y"}},
        {"", {}},
        {"   ", {}},
        {",", {"", ""}},
        {"a b", {"a"}},                 // an item ends at a blank; what follows is no item
        {"'unterminated", {"unterminated"}},
        {"a,\t\r\nb", {"a", "b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeCommaList(c.value), c.lines) << c.value;
    }
}

TEST(LangStrUtils, TextAroundADelimiterAndFileNames)
{
    EXPECT_EQ(TextBefore(".", "btn_ok.Caption"), "btn_ok");
    EXPECT_EQ(TextAfter(".", "btn_ok.Caption"), "Caption");
    EXPECT_EQ(TextBefore(".", "Caption"), "Caption");
    EXPECT_EQ(TextAfter(".", "Caption"), "");
    EXPECT_EQ(TextAfter(".", "a.b.c"), "b.c");
    EXPECT_EQ(TextBefore("_", "  65000_Field"), "  65000");

    const std::pair<const char*, const char*> names[] = {
        {"/opt/zentivor/language/German.lng", "German"},
        {"C:\\Program\\language\\English.lng", "English"},
        {"English", ""},
        {"/opt/my.folder/English", ""},
        {"archive.tar.gz", "archive.tar"},
        {"", ""},
    };
    for (const auto& [path, name] : names) {
        EXPECT_EQ(FileNameWithoutExt(path), name) << path;
    }
}

}  // namespace
