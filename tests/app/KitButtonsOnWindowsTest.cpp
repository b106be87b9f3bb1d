// The tracker's windows carry the kit's buttons: every push button is one, the drop-down ones
// have their menus, and pictures of the windows are kept in artifacts/ to be looked at.

#include "AppTestSupport.h"
#include "TicketEditorSupport.h"

#include "app/Unit11.h"
#include "app/Unit12.h"
#include "app/Unit13.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Menus.h"
#include "widgets/KitCustomButton.h"

#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

void SavePicture(TControl& window, const std::string& name)
{
    QDir().mkpath("artifacts");
    window.Widget()->grab().save(QString::fromStdString("artifacts/" + name + ".png"));
}

// Every platform push button of the window is a kit button.
void ExpectOnlyKitButtons(TComponent& window)
{
    int count = 0;
    for (int i = 0; i < window.ComponentCount(); ++i) {
        if (auto* button = dynamic_cast<TButton*>(window.Components(i)); button != nullptr) {
            EXPECT_NE(dynamic_cast<TKitButton*>(button), nullptr) << button->Name();
            ++count;
        }
    }
    EXPECT_GT(count, 0);
}

class KitButtonsOnMainWindow : public ProgramFolderTest {};

TEST_F(KitButtonsOnMainWindow, ButtonsAreKitButtonsAndThePictureIsKept)
{
    Tmainfrm& window = Start();
    ExpectOnlyKitButtons(window);
    auto* quickFilter = dynamic_cast<TKitButton*>(window.FindComponent("quickfilterbtn"));
    ASSERT_NE(quickFilter, nullptr);
    EXPECT_EQ(quickFilter->DropDownMenu(), window.FindComponent("quickfilterpopup"));
    window.Show();
    TestApplication().ProcessMessages();
    SavePicture(window, "main-window");
    // The tickets page: the glyph buttons under the grids.
    auto* tabs = dynamic_cast<TPageControl*>(window.FindComponent("tabs"));
    ASSERT_NE(tabs, nullptr);
    tabs->SetActivePage(dynamic_cast<TTabSheet*>(window.FindComponent("tab2")));
    TestApplication().ProcessMessages();
    SavePicture(window, "main-window-tickets");
}

class KitButtonsOnTicketEditor : public TicketEditorFixture {};

TEST_F(KitButtonsOnTicketEditor, ButtonsAreKitButtonsAndThePictureIsKept)
{
    ExpectOnlyKitButtons(*editor);
    ASSERT_NE(editor->emailbtn, nullptr);
    EXPECT_EQ(editor->emailbtn->DropDownMenu(), editor->FindComponent("emailpopup"));
    editor->Show();
    TestApplication().ProcessMessages();
    SavePicture(*editor, "ticket-editor");
    editor->Hide();
}

class KitButtonsOnDialogs : public ProgramFolderTest {};

TEST_F(KitButtonsOnDialogs, ButtonsAreKitButtonsAndThePicturesAreKept)
{
    Start();
    auto settings = std::make_unique<Tsettingsfrm>(Application);
    auto owner = std::make_unique<Townerfrm>(Application);
    auto filter = std::make_unique<Tfilterfrm>(Application);
    ExpectOnlyKitButtons(*settings);
    ExpectOnlyKitButtons(*owner);
    ExpectOnlyKitButtons(*filter);

    // The test button drops its menu down; the colour button's arrow shows the grid colour.
    ASSERT_NE(settings->testbtn, nullptr);
    EXPECT_EQ(settings->testbtn->DropDownMenu(), settings->testpopup);
    ASSERT_NE(settings->colorbtn, nullptr);
    EXPECT_TRUE(settings->colorbtn->ButtonLayout().Arrow());
    settings->FormShow(settings.get());
    EXPECT_EQ(settings->colorbtn->ButtonLayout().ArrowColor(), clSilver);

    settings->Show();
    auto* pages = dynamic_cast<TPageControl*>(settings->FindComponent("pages"));
    ASSERT_NE(pages, nullptr);
    pages->SetActivePageIndex(0);
    TestApplication().ProcessMessages();
    SavePicture(*settings, "settings-window");
    pages->SetActivePageIndex(3);
    TestApplication().ProcessMessages();
    SavePicture(*settings, "settings-window-folders");
    settings->Hide();
    for (TForm* dialog : {static_cast<TForm*>(owner.get()), static_cast<TForm*>(filter.get())}) {
        dialog->Show();
        TestApplication().ProcessMessages();
        SavePicture(*dialog, dialog->Name());
        dialog->Hide();
    }
}

}  // namespace
