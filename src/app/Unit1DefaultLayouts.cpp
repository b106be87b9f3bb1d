// The main window's default grid layouts: the columns a user reads first lead each grid, the
// other fields of the table follow in table order. The build writes them once into the program
// folder as the grids' layout files (tools/MakeLayouts.cpp), so a first start shows them.
#include "app/Unit1.h"

#include "platform/gui/DBGrids.h"

#include <span>

namespace {

struct TLeadingColumn {
    const char* FieldName;
    int Width;          // 0: the field's own width
    bool BlankTitle;    // the icon columns carry no title
};

constexpr TLeadingColumn kProductColumns[] = {
    {"NAME", 140, false}, {"VERSION", 70, false}, {"TYPE", 100, false}, {"RELEASED", 0, false},
    {"ISSUEDATE", 0, false}, {"CLOSED", 0, false},
};
constexpr TLeadingColumn kTicketColumns[] = {
    {"FLAG", 22, true},      {"A", 22, true},         {"TICKETID", 90, false},  {"SUBJECT", 260, false},
    {"STATUS", 110, false},  {"PRIORITY", 80, false}, {"SEVERITY", 80, false}, {"VERSION", 70, false},
    {"REPORTEDON", 0, false}, {"ASSIGNED", 110, false},
};
constexpr TLeadingColumn kSubTicketColumns[] = {
    {"SUBID", 90, false},    {"SUBJECT", 260, false}, {"STATUS", 110, false}, {"PRIORITY", 80, false},
    {"ASSIGNED", 110, false}, {"DUE", 0, false},      {"STARTED", 0, false},  {"FINISHED", 0, false},
    {"COMPLETED", 0, false},
};
constexpr TLeadingColumn kListColumns[] = {
    {"LISTNAME", 160, false}, {"LISTITEM", 200, false}, {"LOCALITEM", 200, false}, {"READONLY", 0, false},
    {"NODELETE", 0, false},
};
constexpr TLeadingColumn kContactColumns[] = {
    {"NAME", 160, false}, {"COMPANY", 140, false}, {"DEPARTMENT", 120, false}, {"JOB", 120, false},
    {"EMAIL", 180, false}, {"PHONE", 110, false},
};
constexpr TLeadingColumn kWorkColumns[] = {
    {"TICKETID", 90, false},  {"SUBTICKET", 90, false}, {"ASSIGNED", 110, false}, {"STARTDATE", 0, false},
    {"STARTTIME", 70, false}, {"ENDDATE", 0, false},    {"ENDTIME", 70, false},   {"DURATION", 0, false},
};
constexpr TLeadingColumn kCodeColumns[] = {
    {"APPNAME", 200, false}, {"LEGALSTAT", 110, false}, {"REGMODE", 110, false}, {"REGCODE", 160, false},
    {"INSTALLED", 0, false}, {"EXPIRES", 0, false},     {"CONTACT", 140, false},
};

TColumn* ColumnOf(TDBGridColumns& columns, const std::string& fieldName)
{
    for (int i = 0; i < columns.Count(); ++i) {
        if (columns.Items(i)->FieldName() == fieldName) {
            return columns.Items(i);
        }
    }
    return nullptr;
}

// Moves the leading columns to the front in their order, the others keep theirs.
void Arrange(TDBGrid& grid, std::span<const TLeadingColumn> leading)
{
    TDBGridColumns& columns = grid.Columns();
    columns.SetState(TDBGridColumnsState::csCustomized);
    int position = 0;
    for (const TLeadingColumn& wanted : leading) {
        TColumn* column = ColumnOf(columns, wanted.FieldName);
        if (column == nullptr) {
            throw Exception(std::string("Grid ") + grid.Name() + " has no field " + wanted.FieldName);
        }
        column->SetIndex(position++);
        if (wanted.Width > 0) {
            column->SetWidth(wanted.Width);
        }
        if (wanted.BlankTitle) {
            column->Title().SetCaption(" ");
        }
    }
}

}  // namespace

void Tmainfrm::ArrangeDefaultColumns()
{
    Arrange(*productgrid, kProductColumns);
    // The left project list keeps the two columns of its design.
    Arrange(*maingrid, kTicketColumns);
    Arrange(*subgrid, kSubTicketColumns);
    Arrange(*listgrid, kListColumns);
    Arrange(*contactgrid, kContactColumns);
    Arrange(*workgrid, kWorkColumns);
    Arrange(*codegrid, kCodeColumns);
}
