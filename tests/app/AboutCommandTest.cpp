// The main window's About command: the about box shows the program's version.

#include "AppTestSupport.h"

#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

class AboutCommand : public ProgramFolderTest {};

TEST_F(AboutCommand, HelpAndTrayMenusShowTheVersion)
{
    Tmainfrm& window = Start();
    ASSERT_NE(window.aboutdlg, nullptr);
    EXPECT_FALSE(window.aboutdlg->Version.empty());
    for (const char* command : {"about", "AboutZentivor1"}) {
        std::string version;
        window.aboutdlg->OnCustomize = [&](TObject* sender) {
            auto* form = dynamic_cast<TCustomForm*>(sender);
            QTimer::singleShot(0, [&version, form] {
                version = dynamic_cast<TLabel*>(form->FindComponent("lblversion"))->Caption();
                dynamic_cast<TButton*>(form->FindComponent("OKButton"))->Click();
            });
        };
        auto* item = dynamic_cast<TMenuItem*>(window.FindComponent(command));
        ASSERT_NE(item, nullptr) << command;
        item->Click();
        EXPECT_EQ(version, window.aboutdlg->Version) << command;
    }
}

}  // namespace
