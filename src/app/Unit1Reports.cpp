// The main window's CHANGE LOG and STATISTICS pages: the change log of the active project
// version, and the nine charts, each rebuilt when its page is shown and by its "Refresh Report"
// button.

#include "app/Reports.h"
#include "app/Unit1.h"
#include "app/Unit1HandlerBinding.h"
#include "dbf/XbDBFDataSet.h"
#include "platform/gui/Charts.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/SysUtils.h"

#include <string>
#include <vector>

namespace {

// Messages of the bar labels.
constexpr int kAllRecords = 47;
constexpr int kSolvedInVersion = 48;
constexpr int kAvailableInVersion = 49;
constexpr int kFoundInVersion = 50;
constexpr int kSolvedAll = 51;
constexpr int kIncompleteAll = 52;
constexpr int kFoundAll = 53;

// What a list report counts: the items of a pick list against a ticket field.
struct TListReport {
    const char* Series;
    const char* VersionBox;
    TListKind List;
    TTicketField Field;
};

constexpr TListReport kStatusReport{"Series2", "noversion", TListKind::Status, TTicketField::STATUS};
constexpr TListReport kClosedReasonReport{"Series3", "noversion2", TListKind::ClosedReason, TTicketField::RESULT};
constexpr TListReport kPriorityReport{"HorizBarSeries1", "noversion3", TListKind::Priority, TTicketField::PRIORITY};
constexpr TListReport kSeverityReport{"HorizBarSeries2", "noversion4", TListKind::Severity, TTicketField::SEVERITY};
constexpr TListReport kCategoryReport{"HorizBarSeries3", "noversion5", TListKind::Category, TTicketField::CATEGORY};
constexpr TListReport kQualityReport{"HorizBarSeries4", "noversion6", TListKind::Action, TTicketField::ACTION};

void ShowBars(TChartSeries& series, const std::vector<TReportBar>& bars)
{
    // One drawing of the chart for all the bars.
    series.BeginUpdate();
    series.Clear();
    for (const TReportBar& bar : bars) {
        series.Add(bar.Value, bar.Label);
    }
    series.EndUpdate();
}

// The working lists of the list and sum reports: the bar labels and their values as text.
void ShowWorkingLists(Tmainfrm& window, const std::vector<TReportBar>& bars)
{
    TStrings& elements = window.Get<TListBox>("elements")->Items();
    TStrings& values = window.Get<TListBox>("values")->Items();
    elements.Clear();
    values.Clear();
    for (const TReportBar& bar : bars) {
        elements.Add(bar.Label);
        values.Add(FloatToStr(bar.Value));
    }
}

// The tickets a statistics page counts: those of the project and version the page shows, and
// with its check box ticked only those linked to the version.
TReportScope StatisticsScope(const Tmainfrm& window, const char* versionBox)
{
    return {window.Get<TDBText>("statproduct")->Caption(), window.Get<TDBText>("statversion")->Caption(),
            window.Get<TCheckBox>(versionBox)->Checked()};
}

void ShowListReport(Tmainfrm& window, const TListReport& report)
{
    window.RunCatchAll([&] {
        const std::vector<std::string> items = PickListItems(*window.listdb, report.List);
        const std::vector<int> counts =
            CountTicketsPerItem(*window.maindb, items, report.Field, StatisticsScope(window, report.VersionBox));
        std::vector<TReportBar> bars;
        for (size_t i = 0; i < items.size(); ++i) {
            bars.push_back({items[i], static_cast<double>(counts[i])});
        }
        ShowWorkingLists(window, bars);
        ShowBars(*window.Get<TChartSeries>(report.Series), bars);
    });
}

void ShowSumReport(Tmainfrm& window, const char* series, const char* versionBox, TTicketField field)
{
    window.RunCatchAll([&] {
        const TReportBar bar =
            SumTicketField(*window.maindb, field, StatisticsScope(window, versionBox), window.Message(kAllRecords));
        ShowWorkingLists(window, {bar});
        ShowBars(*window.Get<TChartSeries>(series), {bar});
    });
}

}  // namespace

void Tmainfrm::BindReportHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "makechangelogbtnClick", &Tmainfrm::makechangelogbtnClick);
    BindMainHandler(handlers, this, "tab11Show", &Tmainfrm::tab11Show);
    BindMainHandler(handlers, this, "tab12Show", &Tmainfrm::tab12Show);
    BindMainHandler(handlers, this, "tab13Show", &Tmainfrm::tab13Show);
    BindMainHandler(handlers, this, "tab19Show", &Tmainfrm::tab19Show);
    BindMainHandler(handlers, this, "tab20Show", &Tmainfrm::tab20Show);
    BindMainHandler(handlers, this, "tab21Show", &Tmainfrm::tab21Show);
    BindMainHandler(handlers, this, "tab22Show", &Tmainfrm::tab22Show);
    BindMainHandler(handlers, this, "tab23Show", &Tmainfrm::tab23Show);
    BindMainHandler(handlers, this, "tab24Show", &Tmainfrm::tab24Show);
}

// ---------------------------------------------------------------------------------------------
// Change log

void Tmainfrm::makechangelogbtnClick(TObject*)
{
    RunCatchAll([this] {
        if (!maindb->Active()) {
            return;
        }
        auto* changelog = Get<TMemo>("changelog");
        changelog->Clear();
        const std::vector<std::string> lines =
            ChangeLogLines(*maindb, activeproduct->Text(), Get<TDBEdit>("activeversion")->Text(), DateToStr(Date()));
        TStrings& memoLines = changelog->Lines();
        memoLines.BeginUpdate();
        for (const std::string& line : lines) {
            memoLines.Add(line);
        }
        memoLines.EndUpdate();
    });
}

// ---------------------------------------------------------------------------------------------
// Statistics

void Tmainfrm::tab11Show(TObject*)
{
    RunCatchAll([this] {
        if (!maindb->Active()) {
            return;
        }
        const std::vector<TReportBar> bars = IssueCountBars(
            *maindb, StatisticsScope(*this, "noversion0"),
            {Message(kSolvedInVersion), Message(kAvailableInVersion), Message(kFoundInVersion)},
            {Message(kSolvedAll), Message(kIncompleteAll), Message(kFoundAll)});
        ShowBars(*Get<TChartSeries>("Series1"), bars);
    });
}

void Tmainfrm::tab12Show(TObject*) { ShowListReport(*this, kStatusReport); }
void Tmainfrm::tab13Show(TObject*) { ShowListReport(*this, kClosedReasonReport); }
void Tmainfrm::tab19Show(TObject*) { ShowListReport(*this, kPriorityReport); }
void Tmainfrm::tab20Show(TObject*) { ShowListReport(*this, kSeverityReport); }
void Tmainfrm::tab21Show(TObject*) { ShowListReport(*this, kCategoryReport); }
void Tmainfrm::tab22Show(TObject*) { ShowListReport(*this, kQualityReport); }
void Tmainfrm::tab23Show(TObject*) { ShowSumReport(*this, "HorizBarSeries5", "noversion7", TTicketField::WORKTIME); }
void Tmainfrm::tab24Show(TObject*) { ShowSumReport(*this, "HorizBarSeries6", "noversion8", TTicketField::COST); }
