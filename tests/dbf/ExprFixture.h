#pragma once
// The small table the expression tests evaluate against: one record of ordinary values, one
// with negative numbers and a quote in a name, and one blank record.

#include "XbExprMemorySource.h"

#include "platform/rtl/DateTime.h"

inline void AddFixtureFields(TXbExprMemorySource& source)
{
    source.AddField("NAME", 'C', 10);
    source.AddField("FIRST NAME", 'C', 10);
    source.AddField("PRODUCT", 'C', 10);
    source.AddField("STATUS", 'C', 8);
    source.AddField("AMOUNT", 'N', 10, 2);
    source.AddField("PRICE", 'N', 5, 2);
    source.AddField("QTY", 'N', 5);
    source.AddField("BIG", 'N', 12);
    source.AddField("BORN", 'D', 8);
    source.AddField("ACTIVE", 'L', 1);
    source.AddField("DELETED", 'L', 1);
    source.AddField("NOTES", 'M', 10);
    source.AddField("A", 'N', 5);
    source.AddField("B", 'N', 5);
    source.AddField("X", 'C', 5);
}

inline void AddFixtureRecords(TXbExprMemorySource& source)
{
    source.AddRecord({Variant("Smith"), Variant("Anna"), Variant("Alpha"), Variant("Open"), Variant(3.5), Variant(3.5),
                      Variant(42), Variant(int64_t(1234567890123)), Variant::FromDateTime(EncodeDate(2024, 2, 29)),
                      Variant(true), Variant(false), Variant("memo text"), Variant(5), Variant(7), Variant("abc")});
    source.AddRecord({Variant("O'Brien"), Variant("Bo"), Variant("Beta"), Variant("Closed"), Variant(-3.5),
                      Variant(-3.5), Variant(-7), Variant(int64_t(-1234567890123)),
                      Variant::FromDateTime(EncodeDate(1999, 12, 31)), Variant(false), Variant(true), Variant("x"),
                      Variant(-2), Variant(0), Variant("ABCD")});
    source.AddRecord({});
}

struct ExprFixture {
    TXbExprMemorySource source;
    ExprFixture()
    {
        AddFixtureFields(source);
        AddFixtureRecords(source);
    }
};
