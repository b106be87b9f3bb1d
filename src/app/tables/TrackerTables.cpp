#include "app/tables/TrackerTables.h"

#include <array>

namespace {

constexpr TTrackerField kTickets[] = {
    {"TICKETID", 'C', 15, 0},    {"PRODUCT", 'C', 50, 0},     {"VERSION", 'C', 15, 0},
    {"COMPONENT", 'C', 40, 0},   {"SUBJECT", 'C', 80, 0},     {"DETAILS", 'M', 10, 0},
    {"CATEGORY", 'C', 50, 0},    {"PRIORITY", 'C', 50, 0},    {"SEVERITY", 'C', 50, 0},
    {"REPORTEDON", 'D', 8, 0},   {"REPORTEDBY", 'C', 50, 0},  {"ASSIGNED", 'C', 50, 0},
    {"DUE", 'D', 8, 0},          {"STARTED", 'D', 8, 0},      {"FINISHED", 'D', 8, 0},
    {"AVAILABLE", 'C', 15, 0},   {"ATTACHMENT", 'C', 150, 0}, {"RESULT", 'C', 50, 0},
    {"STATUS", 'C', 50, 0},      {"COMPLETED", 'L', 1, 0},    {"CREATEDON", 'D', 8, 0},
    {"CREATEDBY", 'C', 50, 0},   {"MODIFIEDON", 'D', 8, 0},   {"MODIFIEDBY", 'C', 50, 0},
    {"REMINDERON", 'D', 8, 0},   {"TESTRESULT", 'M', 10, 0},  {"APPRSTATUS", 'C', 50, 0},
    {"APPRDATE", 'D', 8, 0},     {"APPRDBY", 'C', 50, 0},     {"ORIGIN", 'C', 50, 0},
    {"FLAG", 'C', 5, 0},         {"REPRODUCE", 'C', 50, 0},   {"PERCENT", 'C', 50, 0},
    {"WORKTIME", 'N', 10, 1},    {"SUBTIME", 'N', 10, 1},     {"CAUSE", 'M', 10, 0},
    {"SOLUTION", 'M', 10, 0},    {"ACTION", 'C', 50, 0},      {"COST", 'N', 10, 1},
    {"HISTORY", 'M', 10, 0},     {"INVESTBY", 'C', 50, 0},    {"VERIFYBY", 'C', 50, 0},
    {"INVESTDATE", 'D', 8, 0},   {"INVESTSTAT", 'L', 1, 0},   {"RESOLVDATE", 'D', 8, 0},
    {"RESOLVSTAT", 'L', 1, 0},   {"VERIFYDATE", 'D', 8, 0},   {"VERIFYSTAT", 'L', 1, 0},
    {"QALEVEL", 'N', 2, 0},      {"FILESTORE", 'M', 10, 0},   {"A", 'C', 5, 0},
};

// Sub-tickets mirror the ticket fields they share, with the same widths, so that values copied
// between the two never get cut.
constexpr TTrackerField kSubtickets[] = {
    {"TICKETID", 'C', 15, 0},    {"SUBID", 'C', 15, 0},       {"SUBJECT", 'C', 80, 0},
    {"DETAILS", 'M', 10, 0},     {"PRIORITY", 'C', 50, 0},    {"ASSIGNED", 'C', 50, 0},
    {"DUE", 'D', 8, 0},          {"STARTED", 'D', 8, 0},      {"FINISHED", 'D', 8, 0},
    {"ATTACHMENT", 'C', 150, 0}, {"STATUS", 'C', 50, 0},      {"COMPLETED", 'L', 1, 0},
    {"CREATEDON", 'D', 8, 0},    {"CREATEDBY", 'C', 50, 0},   {"MODIFIEDON", 'D', 8, 0},
    {"MODIFIEDBY", 'C', 50, 0},  {"REMINDERON", 'D', 8, 0},
};

constexpr TTrackerField kProducts[] = {
    {"NAME", 'C', 50, 0},        {"VERSION", 'C', 15, 0},     {"TYPE", 'C', 50, 0},
    {"PURPOSE", 'C', 200, 0},    {"STARTED", 'D', 8, 0},      {"FINISHED", 'D', 8, 0},
    {"RELEASED", 'L', 1, 0},     {"ISSUEDATE", 'D', 8, 0},    {"PLAN_END", 'D', 8, 0},
    {"COMMENT", 'M', 10, 0},     {"CLOSED", 'L', 1, 0},       {"IDFLAG", 'C', 10, 0},
};

// The local item name replaces LISTITEM on screen, so it gets LISTITEM's width.
constexpr TTrackerField kLists[] = {
    {"LISTID", 'N', 2, 0},       {"LISTNAME", 'C', 50, 0},    {"LISTITEM", 'C', 100, 0},
    {"COMMENT", 'M', 10, 0},     {"READONLY", 'L', 1, 0},     {"NODELETE", 'L', 1, 0},
    {"LOCALITEM", 'C', 100, 0},
};

// Positions 6 to 8 are kept free for later use; the application never touches them.
constexpr TTrackerField kContacts[] = {
    {"NAME", 'C', 100, 0},       {"JOB", 'C', 100, 0},        {"EMAIL", 'C', 100, 0},
    {"PHONE", 'C', 100, 0},      {"ADDRESS", 'C', 150, 0},    {"COMMENT", 'M', 10, 0},
    {"SPARE1", 'C', 100, 0},     {"SPARE2", 'C', 100, 0},     {"SPARE3", 'C', 100, 0},
    {"COMPANY", 'C', 100, 0},    {"DEPARTMENT", 'C', 100, 0}, {"COUNTRY", 'C', 50, 0},
};

constexpr TTrackerField kWorktime[] = {
    {"TICKETID", 'C', 15, 0},    {"STARTDATE", 'D', 8, 0},    {"ENDDATE", 'D', 8, 0},
    {"STARTTIME", 'C', 15, 0},   {"ENDTIME", 'C', 15, 0},     {"DURATION", 'N', 5, 0},
    {"ASSIGNED", 'C', 50, 0},    {"COMMENT", 'M', 10, 0},     {"PRODUCT", 'C', 50, 0},
    {"AVERSION", 'C', 15, 0},    {"FVERSION", 'C', 15, 0},    {"SUBTICKET", 'C', 15, 0},
};

// The contact field holds a contact NAME, hence NAME's width.
constexpr TTrackerField kCode[] = {
    {"APPNAME", 'C', 150, 0},    {"INSTALLED", 'D', 8, 0},    {"LEGALSTAT", 'C', 50, 0},
    {"REGMODE", 'C', 50, 0},     {"REGCODE", 'C', 100, 0},    {"EXPIRES", 'D', 8, 0},
    {"CONTACT", 'C', 100, 0},    {"COMMENT", 'M', 10, 0},
};

constexpr TTrackerTableLayout kLayouts[] = {
    {TTrackerTable::Tickets, "Tickets.dbf", "Tickets.dbt", false, kTickets},
    {TTrackerTable::Subtickets, "Subtickets.dbf", "Subtickets.dbt", false, kSubtickets},
    {TTrackerTable::Products, "product.dbf", "product.dbt", false, kProducts},
    {TTrackerTable::Lists, "Lists.dbf", "Lists.dbt", false, kLists},
    {TTrackerTable::Contacts, "Contacts.dbf", "Contacts.dbt", true, kContacts},
    {TTrackerTable::Worktime, "Worktime.dbf", "Worktime.dbt", false, kWorktime},
    {TTrackerTable::Code, "Code.dbf", "Code.dbt", true, kCode},
};

static_assert(std::size(kTickets) == 51);
static_assert(std::size(kSubtickets) == 17);
static_assert(std::size(kProducts) == 12);
static_assert(std::size(kLists) == 7);
static_assert(std::size(kContacts) == 12);
static_assert(std::size(kWorktime) == 12);
static_assert(std::size(kCode) == 8);
static_assert(static_cast<int>(TTicketField::A) == 50);
static_assert(static_cast<int>(TSubticketField::REMINDERON) == 16);
static_assert(static_cast<int>(TProductField::IDFLAG) == 11);
static_assert(static_cast<int>(TListField::LOCALITEM) == 6);
static_assert(static_cast<int>(TContactField::COUNTRY) == 11);
static_assert(static_cast<int>(TWorktimeField::SUBTICKET) == 11);
static_assert(static_cast<int>(TCodeField::COMMENT) == 7);

constexpr std::array<const char*, kListKindCount> kListKindNames = {
    "Type",      "Category",        "Priority",     "Severity",          "Closed Reason",
    "Status",    "Approval Status", "Origination",  "Job",               "Component",
    "Reproducibility", "Percent",   "Legal Status", "Registration Mode", "Action",
    "Company",   "Department",
};

static_assert(static_cast<int>(TListKind::Department) == kListKindCount - 1);

}  // namespace

std::span<const TTrackerTableLayout> TrackerTableLayouts()
{
    return kLayouts;
}

const TTrackerTableLayout& TrackerTableLayout(TTrackerTable table)
{
    return kLayouts[static_cast<std::size_t>(table)];
}

const char* ListKindName(TListKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < kListKindNames.size() ? kListKindNames[index] : "";
}

std::span<const char* const> ListKindNames()
{
    return kListKindNames;
}
