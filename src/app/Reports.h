#pragma once
// The read-only reports of the main window over the ticket table: the change log of a project
// version and the bars of the statistics pages (issue counts, counts per pick-list item, sums
// of a numeric field). Each report walks the whole table in record order with its filter off
// and its grids off, then gives the table its filter and its record back; none writes.
//
// Comparisons of project, version and field texts are exact (letter case included); the items
// of a pick list are told apart without regard to letter case.

#include "app/tables/TrackerTables.h"

#include <string>
#include <vector>

class TDataSet;

// One bar of a chart.
struct TReportBar {
    std::string Label;
    double Value = 0;

    bool operator==(const TReportBar&) const = default;
};

// The tickets a statistics report looks at: those of the project `Product`; with
// `OnlyVersion`, only those found in (VERSION) or resolved in (AVAILABLE) `Version`.
struct TReportScope {
    std::string Product;
    std::string Version;
    bool OnlyVersion = true;
};

// The lines of the change log of a project version: a header ("<START>", "", "PRODUCT: ...",
// "VERSION: ...", "DATE: " + `date`, ""), one line per completed ticket of the project resolved
// in the version (AVAILABLE; the version it was found in does not matter),
//     TICKETID ": " CATEGORY " > " SUBJECT " [" RESULT " / " STATUS "]",
// then "" and "<END>". The table must be open.
std::vector<std::string> ChangeLogLines(TDataSet& tickets, const std::string& product, const std::string& version,
                                        const std::string& date);

// The labels of the three issue-count bars.
struct TIssueCountLabels {
    std::string Solved;
    std::string Open;
    std::string Found;
};

// The three bars solved, open and found of the scope's project. With OnlyVersion: found in the
// version, incomplete and resolved in it, completed and resolved in it (`versionLabels`);
// otherwise all, incomplete and completed tickets of the project (`allLabels`). The labels
// come with the first ticket of the project, so that without one the bars have empty labels.
// The table must be open.
std::vector<TReportBar> IssueCountBars(TDataSet& tickets, const TReportScope& scope,
                                       const TIssueCountLabels& versionLabels, const TIssueCountLabels& allLabels);

// The items of a pick list in the order of the list table (LISTITEM, never the local name),
// each once: an item that differs from an earlier one only in letter case is left out. None
// when the table is closed.
std::vector<std::string> PickListItems(TDataSet& lists, TListKind kind);

// For each of `items`, the number of tickets in the scope whose field `field` holds exactly
// that text (all 0 when the table is closed). A ticket whose field matches no item is not
// counted. One walk over the table gives the same counts as one walk per item.
std::vector<int> CountTicketsPerItem(TDataSet& tickets, const std::vector<std::string>& items, TTicketField field,
                                     const TReportScope& scope);

// The one bar of a sum report: the total of the numeric field `field` over the tickets in the
// scope, kept as its decimal text (15 significant digits) after each addition. The label is the
// version; without OnlyVersion it becomes `allRecordsLabel` once a ticket is counted. A closed
// table gives the bar of no tickets.
TReportBar SumTicketField(TDataSet& tickets, TTicketField field, const TReportScope& scope,
                          const std::string& allRecordsLabel);
