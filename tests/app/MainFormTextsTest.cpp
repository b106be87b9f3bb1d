// The main window's own texts and the commands bound to its controls, as the form description
// gives them, and the tool bar's fit in the default window width.
#include "AppTestSupport.h"

#include "platform/classes/PropertyRegistry.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Menus.h"
#include "widgets/KitCustomButton.h"

#include <QImage>
#include <QWidget>

#include <string>
#include <vector>

namespace {

class MainFormTexts : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        MakeDataFolders();
        MakeAllTables();
        Ini().WriteString("Settings", "OpenSite", "1");
    }
};

std::string CaptionOf(Tmainfrm& window, const std::string& name)
{
    TComponent* component = window.FindComponent(name);
    if (component == nullptr) {
        return "<missing>";
    }
    const TPropertyInfo* caption = FindPublishedProperty(*component, "Caption");
    return caption != nullptr && caption->getString ? caption->getString(*component) : "<no caption>";
}

TEST_F(MainFormTexts, CaptionsAreTheWindowsOwnTexts)
{
    Tmainfrm& window = Start();
    const std::pair<const char*, const char*> captions[] = {
        {"firstpage", "QUICK START"}, {"tab1", "PROJECTS"}, {"tab2", "TICKETS"}, {"tab3", "SUBTICKETS"},
        {"tab16", "WORKTIME"}, {"tab6", "CONTACTS"}, {"tab7", "LISTS"}, {"tab17", "CHANGE LOG"},
        {"tab4", "STATISTICS"}, {"tab18", "CODE DATABASE"}, {"tab5", "ABOUT"},
        {"showopen", "show OPEN version(s) only"},
        {"showactive", "show ACTIVE project record(s) only (one product)"},
        {"newticketbtn", "Create a NEW Ticket for the ACTIVE PRODUCT VERSION"},
        {"add_sub_btn", "ADD SUBTICKET"}, {"nofilterbtn", "Filter (Yes / No)"}, {"yesnobtn", "Filter (Yes / No)"},
        {"btn_open", "Open Database"}, {"quickfilterbtn", "Quick Filter"},
        {"btn_newproject", "New Project"}, {"btn_newcontact", "New Contact"}, {"btn_codedatabase", "Codes"},
        {"btn_exit", "Exit"},
        {"viewpage1", "Basic Ticket Information"}, {"viewpage2", "Responsibilities"}, {"viewpage3", "Closure Details"},
        {"viewproductlabel", "Product"}, {"viewversionlabel", "Detected in version"},
        {"viewworktimelabel", "Worktime (hour)"}, {"viewassignedlabel", "Assigned to"},
        {"viewavailablelabel", "Resolved in version"}, {"viewactionlabel", "QA Status"},
        {"bottomlabel1", "ACTIVE PROJECT: "}, {"bottomlabel6", "INCOMPLETE SUBTICKET(S):"},
        {"newlist", "New List Item"}, {"ViewPanel1", "View Bottom Ticket Details Panel"},
        {"userPreferences1", "User Preferences"}, {"DatabaseImport1", "Database Import"},
        {"RemoveFilter1", "Remove Filter"}, {"Completedgreen1", "Completed (green)"},
        {"Incompletedredyellowandblue1", "Incompleted (red, yellow and blue)"},
        {"UserDefinedFilterString1", "User Defined Filter String"}, {"ShowFilterString1", "Show Filter String"},
        {"Addasubtickettothisactivity1", "Add a subticket to this activity"},
        {"Addworktimeentrytothisactivity2", "Add worktime entry to this activity"},
        {"Modificationoftheprojectownership1", "Change project ownership of this entry"},
        {"OpenEntryinExpertMode1", "Open Entry in Expert Mode"},
        {"AboutZentivor1", "About Zentivor"}, {"Exit2", "Exit"},
    };
    for (const auto& [name, caption] : captions) {
        EXPECT_EQ(CaptionOf(window, name), caption) << name;
    }
}

TEST_F(MainFormTexts, CommandsAreBoundToTheirControls)
{
    Tmainfrm& window = Start();
    for (const char* name : {"btn_settings", "btn_exit", "main_btn_add", "main_btn_edit", "main_btn_delete",
                             "main_btn_attach", "main_btn_link", "sub_btn_attach", "sub_btn_link", "newticketbtn",
                             "nofilterbtn", "yesnobtn", "showopen", "showactive"}) {
        EXPECT_TRUE(static_cast<bool>(window.Get<TControl>(name)->OnClick)) << name;
    }
    for (const char* name : {"Exit1", "Exit2", "userPreferences1", "Add1", "Edit1", "Delete1", "Openattachment1",
                             "Openattachment2", "RemoveFilter1", "Completedgreen1",
                             "Incompletedredyellowandblue1", "ShowFilterString1", "ViewPanel1",
                             "ViewLeftProjectListPanel1"}) {
        EXPECT_TRUE(static_cast<bool>(window.Get<TMenuItem>(name)->OnClick)) << name;
    }
    // The Quick Filter button drops its menu down.
    auto* quickFilter = window.Get<TKitButton>("quickfilterbtn");
    EXPECT_TRUE(quickFilter->ButtonLayout().Arrow());
    EXPECT_EQ(quickFilter->DropDownMenu(), window.Get<TPopupMenu>("quickfilterpopup"));
}

TEST_F(MainFormTexts, WholeToolBarFitsTheDefaultWindowWidth)
{
    Tmainfrm& window = Start();
    ASSERT_EQ(window.Width(), 940);
    window.toolbar->AlignControls();
    for (int i = 0; i < window.toolbar->ButtonCount(); ++i) {
        TToolButton* button = window.toolbar->Buttons(i);
        EXPECT_EQ(button->Top(), 0) << button->Name();
        EXPECT_LE(button->Left() + button->Width(), window.toolbar->ClientWidth()) << button->Name();
    }
}

TEST_F(MainFormTexts, ToolBarButtonsAreTallAndALineStandsBetweenTheGroups)
{
    Tmainfrm& window = Start();
    window.Show();
    TestApplication().ProcessMessages();
    // The groups of the bar, each ended by a separator but the last.
    const std::vector<std::vector<std::string>> groups = {
        {"btn_newproject", "btn_newcontact", "btn_newlist"},
        {"btn_settings"},
        {"btn_project", "btn_ticket"},
        {"btn_subticket", "btn_worktime", "btn_contacts", "btn_lists"},
        {"btn_changelog", "btn_statistics", "btn_codedatabase"},
        {"btn_email", "btn_web", "btn_bug"},
        {"btn_exit"},
    };
    std::vector<std::vector<std::string>> found(1);
    std::vector<TToolButton*> separators;
    for (int i = 0; i < window.toolbar->ButtonCount(); ++i) {
        TToolButton* button = window.toolbar->Buttons(i);
        if (button->Style() == TToolButtonStyle::tbsSeparator) {
            separators.push_back(button);
            found.emplace_back();
            continue;
        }
        found.back().push_back(button->Name());
        EXPECT_EQ(button->Widget()->height(), 79) << button->Name();
    }
    EXPECT_EQ(found, groups);

    // Each separator shows a line: in its column, most of the bar's height holds pixels darker
    // than the bar around it.
    const QImage picture = window.Grab();
    for (TToolButton* separator : separators) {
        const QPoint origin = separator->Widget()->mapTo(window.Widget(), QPoint(0, 0));
        const QRgb background = picture.pixel(origin.x() - 3, origin.y() + 40);
        int lineRows = 0;
        for (int y = origin.y(); y < origin.y() + separator->Widget()->height(); ++y) {
            if (qGray(picture.pixel(origin.x(), y)) + 40 < qGray(background)) {
                ++lineRows;
            }
        }
        EXPECT_GE(lineRows, 50) << separator->Name();
    }
    window.Hide();
}

}  // namespace
