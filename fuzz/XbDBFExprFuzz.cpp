// Fuzz target of the expression parser and evaluator. The first byte chooses filter or key
// mode (bit 0), case-insensitive and no-partial comparison (bits 1 and 2) and partial keys
// (bit 3); the rest is the expression text. Parsing may only fail with the parser's own
// database errors; evaluation may only fail with the platform's exceptions; the same text must
// always give the same tree.

#include "dbf/XbDBFParser.h"

#include "../tests/dbf/ExprFixture.h"
#include "platform/rtl/Exceptions.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

TXbExprMemorySource& Source()
{
    static TXbExprMemorySource source = [] {
        TXbExprMemorySource s;
        AddFixtureFields(s);
        s.AddField("TICKETID", 'C', 10);
        s.AddField("SUBTICKET", 'C', 10);
        s.AddField("CLOSED", 'L', 1);
        s.AddField("COMPLETED", 'L', 1);
        s.AddField("LISTNAME", 'C', 20);
        s.AddField("JOB", 'C', 20);
        s.AddField("D", 'D', 8);
        AddFixtureRecords(s);
        return s;
    }();
    return source;
}

// The tree's printout, or the parse error's message.
std::string ParseOutcome(TXbDBFExprParser& parser, const std::string& text, bool filterMode, TFilterOptions options)
{
    try {
        if (filterMode)
            parser.SetFilterExpression(text, options);
        else
            parser.ParseExpression(text);
        return "tree:" + XbExprTreeText(parser.Root());
    } catch (const EDatabaseError& e) {
        return "error:" + e.Message();
    } catch (const Exception&) {
        // Evaluation inside SetFilterExpression may fail with a conversion or arithmetic error;
        // parsing alone raises nothing but database errors.
        if (!filterMode)
            std::abort();
        return "evaluation error";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    const bool filterMode = (mode & 1) == 0;
    TFilterOptions options;
    if (mode & 2)
        options.Include(TFilterOption::foCaseInsensitive);
    if (mode & 4)
        options.Include(TFilterOption::foNoPartialCompare);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    TXbExprMemorySource& source = Source();
    source.SetRecord(0);
    TXbDBFExprParser first(&source);
    TXbDBFExprParser second(&source);
    const std::string outcome = ParseOutcome(first, text, filterMode, options);
    if (ParseOutcome(second, text, filterMode, options) != outcome)
        std::abort();
    if (!first.Root())
        return 0;

    first.SetKeyMode(!filterMode);
    first.SetPartialKey((mode & 8) != 0);
    for (size_t record = 0; record < source.RecordCount(); ++record) {
        source.SetRecord(record);
        try {
            if (filterMode) {
                first.Evaluate();
            } else {
                std::string key = first.KeyStringOfResult();
                if (key != first.LastKey())
                    std::abort();
            }
        } catch (const Exception&) {
            // Conversion, arithmetic and function errors are the evaluator's documented failures.
        }
    }
    if (!filterMode) {
        std::string key;
        try {
            first.KeyFromFieldValues("NAME;QTY;BORN", VarArrayOf({Variant("k"), Variant("7"), Variant::Null()}), key, '*');
        } catch (const Exception&) {
        }
        if (first.PadChar() != ' ')
            std::abort();
    }
    return 0;
}
