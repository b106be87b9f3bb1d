#pragma once
// The seven tables of the tracker: their files, their record layouts and the pick-list kinds
// that tie them together.
//
// The application reads and writes every field by its position in the table's field order,
// so the order of each layout below is binding; the field names are used only by the grids,
// the data-aware controls and filter expressions. The position enumerations name each
// position for the code that addresses fields (Fields(int(TTicketField::SUBJECT))).

#include <cstdint>
#include <span>

// One field of a table: DBF type letter (C character, N numeric, D date, L logical, M memo),
// width in characters and decimals.
struct TTrackerField {
    const char* Name;
    char Type;
    uint16_t Width;
    uint8_t Decimals;
};

enum class TTrackerTable { Tickets, Subtickets, Products, Lists, Contacts, Worktime, Code };

struct TTrackerTableLayout {
    TTrackerTable Table;
    const char* FileName;  // in the database folder, e.g. "Tickets.dbf"
    const char* MemoFileName;
    bool Enciphered;       // records enciphered with the table cipher
    std::span<const TTrackerField> Fields;
};

// The seven tables in the order of TTrackerTable.
std::span<const TTrackerTableLayout> TrackerTableLayouts();
const TTrackerTableLayout& TrackerTableLayout(TTrackerTable table);

// The pick lists of the lists table: the value of its LISTID field.
enum class TListKind {
    Type = 0,
    Category = 1,
    Priority = 2,
    Severity = 3,
    ClosedReason = 4,
    Status = 5,
    ApprovalStatus = 6,
    Origination = 7,
    Job = 8,
    Component = 9,
    Reproducibility = 10,
    Percent = 11,
    LegalStatus = 12,
    RegistrationMode = 13,
    Action = 14,
    Company = 15,
    Department = 16,
};

inline constexpr int kListKindCount = 17;

// The list's name as stored in LISTNAME ("Type" ... "Department").
const char* ListKindName(TListKind kind);
// The seventeen names in LISTID order, as the list editor offers them.
std::span<const char* const> ListKindNames();

// ---- field positions

enum class TTicketField {
    TICKETID, PRODUCT, VERSION, COMPONENT, SUBJECT, DETAILS, CATEGORY, PRIORITY, SEVERITY,
    REPORTEDON, REPORTEDBY, ASSIGNED, DUE, STARTED, FINISHED, AVAILABLE, ATTACHMENT, RESULT,
    STATUS, COMPLETED, CREATEDON, CREATEDBY, MODIFIEDON, MODIFIEDBY, REMINDERON, TESTRESULT,
    APPRSTATUS, APPRDATE, APPRDBY, ORIGIN, FLAG, REPRODUCE, PERCENT, WORKTIME, SUBTIME, CAUSE,
    SOLUTION, ACTION, COST, HISTORY, INVESTBY, VERIFYBY, INVESTDATE, INVESTSTAT, RESOLVDATE,
    RESOLVSTAT, VERIFYDATE, VERIFYSTAT, QALEVEL, FILESTORE, A,
};

enum class TSubticketField {
    TICKETID, SUBID, SUBJECT, DETAILS, PRIORITY, ASSIGNED, DUE, STARTED, FINISHED, ATTACHMENT,
    STATUS, COMPLETED, CREATEDON, CREATEDBY, MODIFIEDON, MODIFIEDBY, REMINDERON,
};

enum class TProductField {
    NAME, VERSION, TYPE, PURPOSE, STARTED, FINISHED, RELEASED, ISSUEDATE, PLAN_END, COMMENT,
    CLOSED, IDFLAG,
};

enum class TListField { LISTID, LISTNAME, LISTITEM, COMMENT, READONLY, NODELETE, LOCALITEM };

enum class TContactField {
    NAME, JOB, EMAIL, PHONE, ADDRESS, COMMENT, SPARE1, SPARE2, SPARE3, COMPANY, DEPARTMENT,
    COUNTRY,
};

enum class TWorktimeField {
    TICKETID, STARTDATE, ENDDATE, STARTTIME, ENDTIME, DURATION, ASSIGNED, COMMENT, PRODUCT,
    AVERSION, FVERSION, SUBTICKET,
};

enum class TCodeField {
    APPNAME, INSTALLED, LEGALSTAT, REGMODE, REGCODE, EXPIRES, CONTACT, COMMENT,
};
