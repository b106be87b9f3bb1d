#include "platform/rtl/Classes.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

TEST(StringLists, OneChangeNotificationPerBulkOperation)
{
    TStringList list;
    TStringList source;
    source.SetText("a\r\nb\nc");
    int changes = 0;
    list.OnChange = [&changes](TObject*) { ++changes; };
    struct Step {
        const char* name;
        std::function<void()> action;
    } steps[] = {
        {"SetText", [&] { list.SetText("x\ry\r\n"); }},
        {"SetCommaText", [&] { list.SetCommaText("p, q"); }},
        {"Assign", [&] { list.Assign(source); }},
        {"Add", [&] { list.Add("d"); }},
    };
    for (const Step& step : steps) {
        changes = 0;
        step.action();
        EXPECT_EQ(changes, 1) << step.name;
    }
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
    list.BeginUpdate();
    list.Add("e");
    list.Delete(0);
    changes = 0;
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
}

TEST(StringLists, CommaTextQuotesWhatItMust)
{
    TStringList list;
    list.Add("plain");
    list.Add("two words");
    list.Add("");
    list.Add("say \"hi\"");
    list.Add("a,b");
    list.Add("tab\there");
    list.Add(std::string("ctl\x01"));
    EXPECT_EQ(list.CommaText(), "plain,\"two words\",\"\",\"say \"\"hi\"\"\",\"a,b\",\"tab\there\",\"ctl\x01\"");
    TStringList back;
    back.SetCommaText(list.CommaText());
    ASSERT_EQ(back.Count(), list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(back[i], list[i]);
    }
    back.SetCommaText(" a , b c,,\"d\"");
    EXPECT_EQ(back.Text(), "a\r\nb\r\nc\r\n\r\nd\r\n");
}

TEST(StringLists, SortedListsAndDuplicates)
{
    struct Case {
        TDuplicates duplicates;
        bool caseSensitive;
        const char* expected;
    } cases[] = {
        {TDuplicates::dupIgnore, false, "apple\r\nBanana\r\ncherry\r\n"},
        // An equal item goes in front of the ones already there.
        {TDuplicates::dupAccept, false, "apple\r\nbanana\r\nBanana\r\ncherry\r\n"},
        // Case-sensitive lists sort byte-wise.
        {TDuplicates::dupIgnore, true, "Banana\r\napple\r\nbanana\r\ncherry\r\n"},
    };
    for (const Case& c : cases) {
        TStringList list;
        list.SetDuplicates(c.duplicates);
        list.SetCaseSensitive(c.caseSensitive);
        list.SetSorted(true);
        for (const char* item : {"cherry", "Banana", "apple", "banana"}) {
            list.Add(item);
        }
        EXPECT_EQ(list.Text(), c.expected);
        EXPECT_GE(list.IndexOf("CHERRY"), c.caseSensitive ? -1 : 0);
    }
    TStringList strict;
    strict.SetDuplicates(TDuplicates::dupError);
    strict.SetSorted(true);
    strict.Add("x");
    EXPECT_THROW(strict.Add("X"), EStringListError);
    EXPECT_THROW(strict.Insert(0, "a"), EStringListError);
    try {
        (void)strict[5];
        FAIL();
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
}

TEST(StringLists, NameValuePairs)
{
    TStringList list;
    list.SetText("Width=10\nName=a=b\nflag");
    EXPECT_EQ(list.Values("width"), "10");
    EXPECT_EQ(list.Values("Name"), "a=b");
    EXPECT_EQ(list.Values("flag"), "");
    list.SetValues("Height", "5");
    list.SetValues("Width", "12");
    list.SetValues("Name", "");
    EXPECT_EQ(list.Text(), "Width=12\r\nflag\r\nHeight=5\r\n");
    EXPECT_EQ(list.Names(2), "Height");
    EXPECT_EQ(list.ValueFromIndex(2), "5");
}
