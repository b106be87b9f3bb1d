// The tracker's windows carry the kit's buttons: every push button is one, the drop-down ones
// have their menus, and pictures of the windows are kept in artifacts/ to be looked at.

#include "AppTestSupport.h"
#include "TicketEditorSupport.h"

#include "platform/gui/Menus.h"
#include "widgets/KitCustomButton.h"

#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

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

}  // namespace
