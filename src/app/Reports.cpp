#include "app/Reports.h"

#include "app/EditorSupport.h"
#include "platform/db/DataSet.h"
#include "platform/db/Fields.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/SysUtils.h"

#include <unordered_map>

namespace {

TField& TicketField(TDataSet& tickets, TTicketField field)
{
    return *tickets.Fields().Fields(static_cast<int>(field));
}

// Runs `visit` on every record of the open table in record order, with the table's filter and
// grids off; the filter and the record come back afterwards, also when `visit` fails.
template <class Visit>
void WalkWholeTable(TDataSet& table, Visit&& visit)
{
    TControlsOff controlsOff(table);
    TWholeTableWalk walk(table);
    table.First();
    while (!table.Eof()) {
        visit();
        table.Next();
    }
    walk.Restore();
}

// The scope's test of one ticket, with its fields looked up once.
class TScopeTest {
public:
    TScopeTest(TDataSet& tickets, const TReportScope& scope)
        : scope_(scope),
          product_(TicketField(tickets, TTicketField::PRODUCT)),
          version_(TicketField(tickets, TTicketField::VERSION)),
          available_(TicketField(tickets, TTicketField::AVAILABLE))
    {
    }

    bool OfProject() const { return product_.AsString() == scope_.Product; }
    bool InScope() const
    {
        if (!OfProject()) {
            return false;
        }
        return !scope_.OnlyVersion || version_.AsString() == scope_.Version ||
               available_.AsString() == scope_.Version;
    }

private:
    const TReportScope& scope_;
    TField& product_;
    TField& version_;
    TField& available_;
};

}  // namespace

std::vector<std::string> ChangeLogLines(TDataSet& tickets, const std::string& product, const std::string& version,
                                        const std::string& date)
{
    std::vector<std::string> lines = {"<START>", "", "PRODUCT: " + product, "VERSION: " + version, "DATE: " + date, ""};
    TField& productField = TicketField(tickets, TTicketField::PRODUCT);
    TField& available = TicketField(tickets, TTicketField::AVAILABLE);
    TField& completed = TicketField(tickets, TTicketField::COMPLETED);
    TField& id = TicketField(tickets, TTicketField::TICKETID);
    TField& category = TicketField(tickets, TTicketField::CATEGORY);
    TField& subject = TicketField(tickets, TTicketField::SUBJECT);
    TField& result = TicketField(tickets, TTicketField::RESULT);
    TField& status = TicketField(tickets, TTicketField::STATUS);
    WalkWholeTable(tickets, [&] {
        if (productField.AsString() == product && available.AsString() == version && completed.AsBoolean()) {
            lines.push_back(id.AsString() + ": " + category.AsString() + " > " + subject.AsString() + " [" +
                            result.AsString() + " / " + status.AsString() + "]");
        }
    });
    lines.emplace_back();
    lines.emplace_back("<END>");
    return lines;
}

std::vector<TReportBar> IssueCountBars(TDataSet& tickets, const TReportScope& scope,
                                       const TIssueCountLabels& versionLabels, const TIssueCountLabels& allLabels)
{
    TScopeTest test(tickets, scope);
    TField& version = TicketField(tickets, TTicketField::VERSION);
    TField& available = TicketField(tickets, TTicketField::AVAILABLE);
    TField& completed = TicketField(tickets, TTicketField::COMPLETED);
    int found = 0;
    int open = 0;
    int solved = 0;
    const TIssueCountLabels* labels = nullptr;
    WalkWholeTable(tickets, [&] {
        if (!test.OfProject()) {
            return;
        }
        const bool done = completed.AsBoolean();
        if (scope.OnlyVersion) {
            found += version.AsString() == scope.Version ? 1 : 0;
            if (available.AsString() == scope.Version) {
                (done ? solved : open) += 1;
            }
            labels = &versionLabels;
        } else {
            found += 1;
            (done ? solved : open) += 1;
            labels = &allLabels;
        }
    });
    const TIssueCountLabels none;
    if (labels == nullptr) {
        labels = &none;
    }
    return {{labels->Solved, static_cast<double>(solved)},
            {labels->Open, static_cast<double>(open)},
            {labels->Found, static_cast<double>(found)}};
}

std::vector<std::string> PickListItems(TDataSet& lists, TListKind kind)
{
    std::vector<std::string> items;
    if (!lists.Active()) {
        return items;
    }
    TField& listId = *lists.Fields().Fields(static_cast<int>(TListField::LISTID));
    TField& listItem = *lists.Fields().Fields(static_cast<int>(TListField::LISTITEM));
    WalkWholeTable(lists, [&] {
        if (listId.AsInteger() != static_cast<int>(kind)) {
            return;
        }
        const std::string item = listItem.AsString();
        for (const std::string& known : items) {
            if (AnsiSameText(known, item)) {
                return;
            }
        }
        items.push_back(item);
    });
    return items;
}

std::vector<int> CountTicketsPerItem(TDataSet& tickets, const std::vector<std::string>& items, TTicketField field,
                                     const TReportScope& scope)
{
    std::vector<int> counts(items.size(), 0);
    if (!tickets.Active() || items.empty()) {
        return counts;
    }
    // The items differ at least in letter case, so a text is at most one item.
    std::unordered_map<std::string, size_t> indexOf;
    for (size_t i = 0; i < items.size(); ++i) {
        indexOf.emplace(items[i], i);
    }
    TScopeTest test(tickets, scope);
    TField& value = TicketField(tickets, field);
    WalkWholeTable(tickets, [&] {
        if (!test.InScope()) {
            return;
        }
        const auto item = indexOf.find(value.AsString());
        if (item != indexOf.end()) {
            ++counts[item->second];
        }
    });
    return counts;
}

TReportBar SumTicketField(TDataSet& tickets, TTicketField field, const TReportScope& scope,
                          const std::string& allRecordsLabel)
{
    TReportBar bar{scope.Version, 0};
    if (!tickets.Active()) {
        return bar;
    }
    TScopeTest test(tickets, scope);
    TField& value = TicketField(tickets, field);
    WalkWholeTable(tickets, [&] {
        if (!test.InScope()) {
            return;
        }
        // The total is kept as the text the report shows, so that sums of tenths stay tenths.
        bar.Value = StrToFloat(FloatToStr(bar.Value + value.AsFloat()));
        if (!scope.OnlyVersion) {
            bar.Label = allRecordsLabel;
        }
    });
    return bar;
}
