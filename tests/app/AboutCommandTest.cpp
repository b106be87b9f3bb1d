// The main window's About command: the about box shows the program's version.

#include "AppTestSupport.h"

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class AboutCommand : public ProgramFolderTest {};

TEST_F(AboutCommand, HelpAndTrayMenusShowTheVersion)
{
    Tmainfrm& window = Start();
    ASSERT_NE(window.aboutdlg, nullptr);
    EXPECT_FALSE(window.aboutdlg->Version.empty());
    for (const char* command : {"about", "AboutZentivor1"}) {
        std::string version;
        QSize icon;
        window.aboutdlg->OnCustomize = [&](TObject* sender) {
            auto* form = dynamic_cast<TCustomForm*>(sender);
            QTimer::singleShot(0, [&version, &icon, form] {
                version = dynamic_cast<TLabel*>(form->FindComponent("lblversion"))->Caption();
                auto* image = dynamic_cast<TImage*>(form->FindComponent("IconImage"));
                icon = image->Visible() ? image->Picture().Image().size() : QSize();
                const std::filesystem::path artifacts = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
                std::filesystem::create_directories(artifacts);
                form->Grab().save(QString::fromStdString((artifacts / "about-box.png").string()));
                dynamic_cast<TButton*>(form->FindComponent("OKButton"))->Click();
            });
        };
        auto* item = dynamic_cast<TMenuItem*>(window.FindComponent(command));
        ASSERT_NE(item, nullptr) << command;
        item->Click();
        EXPECT_EQ(version, window.aboutdlg->Version) << command;
        EXPECT_EQ(icon, QSize(72, 72)) << command;  // the program's 32-pixel icon as a tile
    }
}

}  // namespace
