#include "app/tables/TrackerTables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(TrackerTables, ListKindsAreNumberedAndNamedAsStored)
{
    const std::pair<TListKind, const char*> cases[] = {
        {TListKind::Type, "Type"},
        {TListKind::Category, "Category"},
        {TListKind::ClosedReason, "Closed Reason"},
        {TListKind::Status, "Status"},
        {TListKind::ApprovalStatus, "Approval Status"},
        {TListKind::Reproducibility, "Reproducibility"},
        {TListKind::LegalStatus, "Legal Status"},
        {TListKind::RegistrationMode, "Registration Mode"},
        {TListKind::Action, "Action"},
        {TListKind::Department, "Department"},
    };
    for (const auto& [kind, name] : cases) {
        EXPECT_STREQ(ListKindName(kind), name);
        EXPECT_STREQ(ListKindNames()[static_cast<std::size_t>(kind)], name);
    }
    EXPECT_EQ(static_cast<int>(TListKind::Action), 14);
    EXPECT_EQ(ListKindNames().size(), 17u);
}

// Every layout must be one a dBASE III table can hold: names of at most 10 characters, unique
// without regard to case, and only the five types the tracker uses with their fixed widths.
TEST(TrackerTables, LayoutsFitADBaseIIITable)
{
    for (const TTrackerTableLayout& layout : TrackerTableLayouts()) {
        SCOPED_TRACE(layout.FileName);
        EXPECT_EQ(&TrackerTableLayout(layout.Table), &layout);
        std::string base = layout.FileName;
        base.resize(base.size() - 4);
        EXPECT_EQ(std::string(layout.MemoFileName), base + ".dbt");
        std::set<std::string> names;
        bool hasMemo = false;
        for (const TTrackerField& field : layout.Fields) {
            std::string name = field.Name;
            EXPECT_GE(name.size(), 1u);
            EXPECT_LE(name.size(), 10u) << name;
            for (char& c : name)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
            switch (field.Type) {
            case 'C': EXPECT_GE(field.Width, 1); EXPECT_EQ(field.Decimals, 0); break;
            case 'N': EXPECT_LT(field.Decimals, field.Width); break;
            case 'D': EXPECT_EQ(field.Width, 8); break;
            case 'L': EXPECT_EQ(field.Width, 1); break;
            case 'M': EXPECT_EQ(field.Width, 10); hasMemo = true; break;
            default: ADD_FAILURE() << "type " << field.Type << " of " << name;
            }
        }
        EXPECT_TRUE(hasMemo);
    }
    EXPECT_TRUE(TrackerTableLayout(TTrackerTable::Contacts).Enciphered);
    EXPECT_TRUE(TrackerTableLayout(TTrackerTable::Code).Enciphered);
    EXPECT_FALSE(TrackerTableLayout(TTrackerTable::Tickets).Enciphered);
    EXPECT_STREQ(TrackerTableLayout(TTrackerTable::Products).FileName, "product.dbf");
}
