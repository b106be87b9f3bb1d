#include "platform/rtl/Variants.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

Currency Money(int64_t scaled) { return Currency{scaled}; }

template <typename Error>
std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace

TEST(Variants, ConversionsBetweenKinds)
{
    struct Case {
        Variant value;
        bool boolean;
        int64_t integer;
        double real;
        const char* text;
    } cases[] = {
        {Variant(), false, 0, 0.0, ""},
        {Variant(true), true, -1, -1.0, "True"},
        {Variant(false), false, 0, 0.0, "False"},
        {Variant(42), true, 42, 42.0, "42"},
        {Variant(int64_t{5000000000}), true, 5000000000, 5e9, "5000000000"},
        {Variant(2.5), true, 2, 2.5, "2.5"},  // reals round to the even neighbour
        {Variant(3.5), true, 4, 3.5, "3.5"},
        {Variant(-0.1), true, 0, -0.1, "-0.1"},
        {Variant(Money(12345)), true, 1, 1.2345, "1.2345"},
        {Variant(" 17 "), true, 17, 17.0, " 17 "},
        {Variant("1.5"), true, 2, 1.5, "1.5"},
        {Variant("-1e3"), true, -1000, -1000.0, "-1e3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value.AsBoolean(), c.boolean);
        EXPECT_EQ(c.value.AsInt64(), c.integer);
        EXPECT_DOUBLE_EQ(c.value.AsDouble(), c.real);
        EXPECT_EQ(c.value.AsString(), c.text);
    }
    EXPECT_TRUE(Variant("true").AsBoolean());
    EXPECT_FALSE(Variant("FALSE").AsBoolean());
    EXPECT_EQ(Variant(1.5).AsCurrency(), Money(15000));
    EXPECT_EQ(Variant(Money(25000)).AsInteger(), 2);
    EXPECT_EQ(Variant::FromDateTime(EncodeDate(2024, 3, 1)).AsString(), "01/03/2024");
    EXPECT_EQ(Variant("01/03/2024").AsDateTime(), EncodeDate(2024, 3, 1));
    EXPECT_EQ(VarToStr(Variant::Null()), "");
}

TEST(Variants, FailedConversionsNameTheTypes)
{
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant::Null().AsInteger(); }),
              "Could not convert variant of type (Null) into type (Integer)");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant::Null().AsDouble(); }),
              "Could not convert variant of type (Null) into type (Double)");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant("maybe").AsBoolean(); }),
              "Could not convert variant of type (String) into type (Boolean)");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)VarArrayOf({1, 2}).AsString(); }),
              "Could not convert variant of type (Array Variant) into type (String)");
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)Variant(true).AsDateTime(); }),
              "Could not convert variant of type (Boolean) into type (Date)");
    EXPECT_EQ(MessageOf<EConvertError>([] { (void)Variant("12,5").AsDouble(); }),
              "'12,5' is not a valid floating point value");
    EXPECT_EQ(MessageOf<EConvertError>([] { (void)Variant("abc").AsInteger(); }), "'abc' is not a valid integer value");
    EXPECT_EQ(MessageOf<EConvertError>([] { (void)Variant("31/02/2024").AsDateTime(); }),
              "'31/02/2024' is not a valid date");
    EXPECT_THROW((void)Variant(int64_t{1} << 40).AsInteger(), EVariantError);
    EXPECT_THROW((void)Variant(1e300).AsInt64(), EVariantError);
    EXPECT_THROW((void)Variant(1).Elements(), EVariantError);
}

TEST(Variants, Comparison)
{
    using R = TVariantRelationship;
    const TDateTime morning = ComposeDateTime(EncodeDate(2024, 5, 1), EncodeTime(8, 0, 0, 0));
    struct Case {
        Variant a, b;
        R expected;
    } cases[] = {
        {Variant::Null(), Variant::Null(), R::vrEqual},
        {Variant::Null(), Variant(0), R::vrLessThan},
        {Variant(""), Variant::Null(), R::vrGreaterThan},
        {Variant(), Variant(0), R::vrEqual},
        {Variant(), Variant(""), R::vrEqual},
        {Variant("abc"), Variant("abd"), R::vrLessThan},
        {Variant("abc"), Variant("ABC"), R::vrGreaterThan},  // byte-wise, case-sensitive
        {Variant("ab"), Variant("abc"), R::vrLessThan},
        {Variant("10"), Variant(9), R::vrGreaterThan},  // text meeting a number is read as a number
        {Variant(9), Variant("10"), R::vrLessThan},
        {Variant("2.50"), Variant(2.5), R::vrEqual},
        {Variant(3), Variant(3.0), R::vrEqual},
        {Variant(int64_t{9007199254740993}), Variant(int64_t{9007199254740992}), R::vrGreaterThan},
        {Variant(Money(15000)), Variant(1.5), R::vrEqual},
        {Variant(Money(10001)), Variant(1), R::vrGreaterThan},
        {Variant(false), Variant(true), R::vrLessThan},
        {Variant("True"), Variant(true), R::vrEqual},
        {Variant::FromDateTime(morning), Variant("01/05/2024 08:00:00"), R::vrEqual},
        {Variant::FromDateTime(morning), Variant::FromDateTime(EncodeDate(2024, 5, 1)), R::vrGreaterThan},
        {Variant::FromDateTime(EncodeDate(2024, 5, 1)), Variant(45413), R::vrEqual},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a.AsString() + " vs " + c.b.AsString());
        EXPECT_EQ(Variant::Compare(c.a, c.b), c.expected);
    }
    EXPECT_TRUE(Variant("x") != Variant::Null());
    EXPECT_THROW((void)(Variant("abc") == Variant(1)), EConvertError);
    EXPECT_THROW((void)Variant::Compare(VarArrayOf({1}), Variant(1)), EVariantError);
}

TEST(Variants, Arithmetic)
{
    struct Case {
        Variant result;
        TVarType type;
        const char* text;
    } cases[] = {
        {Variant(2) + Variant(3), TVarType::varInteger, "5"},
        {Variant(std::numeric_limits<int32_t>::max()) + Variant(1), TVarType::varInt64, "2147483648"},
        {Variant(std::numeric_limits<int64_t>::max()) + Variant(1), TVarType::varDouble, "9.22337203685478E18"},
        {Variant(int64_t{3000000000}) * Variant(-2), TVarType::varInt64, "-6000000000"},
        {Variant(7) / Variant(2), TVarType::varDouble, "3.5"},
        {Variant(0.1) + Variant(0.2), TVarType::varDouble, "0.3"},
        {Variant("ab") + Variant("cd"), TVarType::varString, "abcd"},
        {Variant("1.5") + Variant(1), TVarType::varDouble, "2.5"},
        {Variant("4") - Variant("1"), TVarType::varDouble, "3"},
        {Variant(Money(15000)) * Variant(Money(15000)), TVarType::varCurrency, "2.25"},
        {Variant(Money(10000)) + Variant(2), TVarType::varCurrency, "3"},
        {Variant::Null() + Variant(1), TVarType::varNull, ""},
        {Variant("x") + Variant::Null(), TVarType::varNull, ""},
        {Variant() + Variant(4), TVarType::varInteger, "4"},
        {-Variant(std::numeric_limits<int32_t>::min()), TVarType::varInt64, "2147483648"},
        {-Variant(2.5), TVarType::varDouble, "-2.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.result.VarType(), c.type);
        EXPECT_EQ(c.result.AsString(), c.text);
    }
    EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
    EXPECT_THROW(Variant("a") - Variant(1), EConvertError);
    EXPECT_THROW(VarArrayOf({1}) + Variant(1), EVariantError);
}

TEST(Variants, DateArithmeticIsExact)
{
    const TDateTime day = EncodeDate(2024, 5, 1);
    const Variant eight = Variant::FromDateTime(ComposeDateTime(day, EncodeTime(8, 0, 0, 0)));
    const Variant nine = Variant::FromDateTime(ComposeDateTime(day, EncodeTime(9, 0, 0, 0)));
    const Variant difference = nine - eight;
    EXPECT_EQ(difference.VarType(), TVarType::varDouble);
    EXPECT_EQ(difference.AsDouble() * 24, 1.0);
    const Variant later = eight + Variant(0.5);
    EXPECT_EQ(later.VarType(), TVarType::varDate);
    EXPECT_EQ(later.AsString(), "01/05/2024 20:00:00");
    // Before day 0 a day and a half later is still counted on the real time line.
    const Variant early = Variant::FromDateTime(-1.25) + Variant(0.5);
    EXPECT_EQ(early.AsString(), "29/12/1899 18:00:00");
    EXPECT_EQ((Variant("02/05/2024") - Variant::FromDateTime(day)).AsDouble(), 1.0);
}

TEST(Variants, Arrays)
{
    const Variant values = VarArrayOf({Variant(1), Variant("two"), Variant::Null()});
    EXPECT_TRUE(VarIsArray(values));
    EXPECT_EQ(values.ArrayLowBound(), 0);
    EXPECT_EQ(values.ArrayHighBound(), 2);
    EXPECT_EQ(values.Elements()[1].AsString(), "two");
    EXPECT_TRUE(VarIsNull(values.Elements()[2]));
    EXPECT_TRUE(VarIsEmpty(Variant()));
    EXPECT_EQ(Variant(5LL).VarType(), TVarType::varInt64);
    EXPECT_EQ(Variant(0.5f).VarType(), TVarType::varDouble);
}

TEST(Variants, CurrencyTextIsExact)
{
    EXPECT_EQ(CurrToStr(Currency{12345}), "1.2345");
    EXPECT_EQ(CurrToStr(Currency{-5}), "-0.0005");
    EXPECT_EQ(CurrToStr(Currency{-30000}), "-3");
    EXPECT_EQ(CurrToStr(Currency{std::numeric_limits<int64_t>::min()}), "-922337203685477.5808");
    EXPECT_EQ(Currency::FromDouble(0.1).scaled, 1000);
    EXPECT_THROW(Currency::FromDouble(1e300), EVariantError);
}

TEST(Variants, CopiesMovesAndAssignmentsKeepEachKind)
{
    const std::string longText(100, 'x');  // beyond any inline text room
    const std::vector<Variant> kinds = {Variant(),           Variant::Null(),   Variant(true),
                                        Variant(-7),         Variant(int64_t{1} << 40), Variant(2.5),
                                        Variant(Money(15000)), Variant::FromDateTime(45000.5), Variant("short"),
                                        Variant(longText),   VarArrayOf({Variant(1), Variant(longText)})};
    auto same = [](const Variant& a, const Variant& b) {
        if (a.VarType() != b.VarType())
            return false;
        if (a.IsArray())
            return a.Elements().size() == b.Elements().size() &&
                   a.Elements().back().AsString() == b.Elements().back().AsString();
        return a.IsNull() || a.AsString() == b.AsString();
    };
    for (const Variant& from : kinds) {
        SCOPED_TRACE(Variant::TypeName(from.VarType()));
        Variant copy(from);
        EXPECT_TRUE(same(copy, from));
        Variant moved(std::move(copy));
        EXPECT_TRUE(same(moved, from));
        for (const Variant& over : kinds) {
            Variant target(over);
            target = from;
            EXPECT_TRUE(same(target, from));
            Variant source(from);
            Variant other(over);
            other = std::move(source);
            EXPECT_TRUE(same(other, from));
        }
        Variant self(from);
        const Variant& alias = self;
        self = alias;
        EXPECT_TRUE(same(self, from));
    }
    // A copied array keeps its elements when the original goes.
    Variant kept;
    {
        const Variant array = VarArrayOf({Variant(longText)});
        kept = array;
    }
    EXPECT_EQ(kept.Elements()[0].AsString(), longText);
    EXPECT_EQ(Variant("abc").TextValue(), "abc");
    EXPECT_THROW(Variant(1).TextValue(), EVariantError);

    // Text written in place: every kind becomes a String (an array's elements let go), and a
    // String keeps its storage for the next text.
    for (const Variant& from : kinds) {
        SCOPED_TRACE(Variant::TypeName(from.VarType()));
        Variant target(from);
        target.TextForWrite() = longText;
        EXPECT_EQ(target.VarType(), TVarType::varString);
        EXPECT_EQ(target.TextValue(), longText);
        Variant copy(target);
        EXPECT_EQ(copy.TextValue(), longText);
    }
    Variant reused(longText);
    const char* storage = reused.TextValue().data();
    reused.TextForWrite().assign(50, 'y');
    EXPECT_EQ(reused.TextValue(), std::string(50, 'y'));
    EXPECT_EQ(reused.TextValue().data(), storage);
}
