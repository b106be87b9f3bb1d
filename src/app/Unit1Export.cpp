// The main window's export commands: one export component per table, each run from the
// "Export" item of its grid's popup. All of them offer the same formats and write the same way:
// HTML chosen first, the document viewed (written to a temporary file that the desktop opens).
#include "app/Unit1.h"
#include "app/Unit1HandlerBinding.h"
#include "dbf/XbDBFDataSet.h"
#include "export/ExExport.h"

namespace {

// The settings every export component of the window carries.
void ApplyExportSettings(TExCustomExport& exporter)
{
    exporter.SetExportTypes({TExExportType::xtHTML, TExExportType::xtExcel, TExExportType::xtWord,
                             TExExportType::xtTXT, TExExportType::xtCSV, TExExportType::xtTAB,
                             TExExportType::xtRTF, TExExportType::xtDIF, TExExportType::xtSYLK,
                             TExExportType::xtClipboard});
    exporter.SetExportType(TExExportType::xtHTML);
    exporter.ExportStyle = TExExportStyle::xsView;
    exporter.DateFormat = "yyyy.MM.dd.";
    exporter.TimeFormat = "h:mm";
    exporter.DateTimeFormat = "h:mm yyyy.MM.dd.";
    exporter.TruncateSymbol = "...";
    exporter.SetRowNumberFormat("%d");
    exporter.Options = {TExExportOptions::xoClipboardMessage, TExExportOptions::xoFooterLine,
                        TExExportOptions::xoHeaderLine,       TExExportOptions::xoShowExportDate,
                        TExExportOptions::xoShowHeader,       TExExportOptions::xoShowProgress,
                        TExExportOptions::xoUseAlignments};
    exporter.HTML.Options = {TExExportHTMLOption::hoShowGridLines, TExExportHTMLOption::hoBoldHeaders,
                             TExExportHTMLOption::hoAutoLink, TExExportHTMLOption::hoOddRowColoring,
                             TExExportHTMLOption::hoDisplayTitle};
    exporter.DOC_RTF.Options = {TExExportRTFOption::roShowGridLines, TExExportRTFOption::roOddRowColoring};
    exporter.DOC_RTF.CellWidth = 1400;
    exporter.DOC_RTF.TopMargin = 101;
    exporter.DOC_RTF.BottomMargin = 101;
    exporter.DOC_RTF.LeftMargin = 461;
    exporter.DOC_RTF.RightMargin = 562;
    exporter.EXCEL.Options = {TExExportExcelOptions::reSetMargins, TExExportExcelOptions::reUseBorders};
    exporter.EXCEL.ColumnWidth = 20;
    exporter.EXCEL.Protected = false;
    exporter.EXCEL.Footer = "&P";
}

void RunExport(TExCustomExport* exporter)
{
    if (exporter != nullptr) {
        exporter->Execute();
    }
}

}  // namespace

void Tmainfrm::CreateExportComponents()
{
    struct TExportComponent {
        const char* Name;
        TExDataSetExport* Tmainfrm::*Member;
        TXbSmartDBF* Tmainfrm::*Table;
    };
    static const TExportComponent components[] = {
        {"mainexport", &Tmainfrm::mainexport, &Tmainfrm::maindb},
        {"subexport", &Tmainfrm::subexport, &Tmainfrm::subdb},
        {"productexport", &Tmainfrm::productexport, &Tmainfrm::appsdb},
        {"projectexport", &Tmainfrm::projectexport, &Tmainfrm::appsdb},
        {"listexport", &Tmainfrm::listexport, &Tmainfrm::listdb},
        {"contactexport", &Tmainfrm::contactexport, &Tmainfrm::contactdb},
        {"workexport", &Tmainfrm::workexport, &Tmainfrm::workdb},
    };
    for (const TExportComponent& component : components) {
        auto* exporter = new TExDataSetExport(this);
        exporter->SetName(component.Name);
        ApplyExportSettings(*exporter);
        exporter->SetDataSet(this->*component.Table);
        this->*component.Member = exporter;
    }
    struct TGridExportComponent {
        const char* Name;
        TExDBGridExport* Tmainfrm::*Member;
        TDBGrid* Tmainfrm::*Grid;
    };
    static const TGridExportComponent gridComponents[] = {
        {"mainexport1", &Tmainfrm::mainexport1, &Tmainfrm::maingrid},
        {"subexport1", &Tmainfrm::subexport1, &Tmainfrm::subgrid},
    };
    for (const TGridExportComponent& component : gridComponents) {
        auto* exporter = new TExDBGridExport(this);
        exporter->SetName(component.Name);
        ApplyExportSettings(*exporter);
        exporter->SetDBGrid(this->*component.Grid);
        this->*component.Member = exporter;
    }
}

void Tmainfrm::Export1Click(TObject*) { RunExport(mainexport); }
void Tmainfrm::Export2Click(TObject*) { RunExport(subexport); }
void Tmainfrm::Export3Click(TObject*) { RunExport(productexport); }
void Tmainfrm::Export4Click(TObject*) { RunExport(contactexport); }
void Tmainfrm::Export5Click(TObject*) { RunExport(workexport); }
void Tmainfrm::Export6Click(TObject*) { RunExport(listexport); }
void Tmainfrm::Export7Click(TObject*) { RunExport(projectexport); }

void Tmainfrm::BindExportHandlers(THandlerTable& handlers)
{
    BindMainHandler(handlers, this, "Export1Click", &Tmainfrm::Export1Click);
    BindMainHandler(handlers, this, "Export2Click", &Tmainfrm::Export2Click);
    BindMainHandler(handlers, this, "Export3Click", &Tmainfrm::Export3Click);
    BindMainHandler(handlers, this, "Export4Click", &Tmainfrm::Export4Click);
    BindMainHandler(handlers, this, "Export5Click", &Tmainfrm::Export5Click);
    BindMainHandler(handlers, this, "Export6Click", &Tmainfrm::Export6Click);
    BindMainHandler(handlers, this, "Export7Click", &Tmainfrm::Export7Click);
}
