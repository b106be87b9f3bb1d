// Loading a form description that uses every control, its layout, its picture, and a window
// class with its handler table.

#include "GuiTestSupport.h"

#include "platform/classes/FormReader.h"
#include "platform/classes/PropertyPaths.h"
#include "platform/gui/CheckLst.h"
#include "platform/gui/ComCtrls.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/ImgList.h"
#include "platform/gui/Menus.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Exceptions.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadTestFile(const std::string& name)
{
    std::ifstream file(std::string(ZV_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A window class as the application writes them: its components are found by name after the
// description is read, and its handlers are bound by name.
class Ttestfrm : public TForm {
public:
    explicit Ttestfrm(TComponent* owner, const std::string& description) : TForm(owner)
    {
        THandlerTable handlers;
        handlers.Add("FormClose", TCloseEvent([this](TObject*, TCloseAction& action) {
                         log.push_back("FormClose");
                         action = TCloseAction::caHide;
                     }));
        LoadFormText(description, "Ttestfrm.form", &handlers);
    }
    const char* ClassName() const noexcept override { return "Ttestfrm"; }

    static void RegisterClass()
    {
        TClassRegistration<Ttestfrm, TForm>("Ttestfrm")
            .Handler("FormCreate", &Ttestfrm::FormCreate)
            .Handler("btn_newClick", &Ttestfrm::btn_newClick)
            .Handler("showopenClick", &Ttestfrm::showopenClick)
            .Handler("connClick", &Ttestfrm::connClick)
            .Handler("tabShow", &Ttestfrm::tabShow)
            .Handler("ed_subjectChange", &Ttestfrm::ed_subjectChange)
            .Handler("popupPopup", &Ttestfrm::popupPopup);
    }

    template <class T>
    T* Get(const std::string& name) const
    {
        auto* component = dynamic_cast<T*>(FindComponent(name));
        if (component == nullptr) {
            throw EComponentError("missing " + name);
        }
        return component;
    }

    void FormCreate(TObject*) { log.push_back("FormCreate"); }
    void btn_newClick(TObject* sender) { log.push_back("btn_newClick:" + dynamic_cast<TComponent*>(sender)->Name()); }
    void showopenClick(TObject*) { log.push_back("showopenClick"); }
    void connClick(TObject*) { log.push_back("connClick"); }
    void tabShow(TObject* sender) { log.push_back("tabShow:" + dynamic_cast<TComponent*>(sender)->Name()); }
    void ed_subjectChange(TObject*) { log.push_back("ed_subjectChange"); }
    void popupPopup(TObject*) { log.push_back("popupPopup"); }

    std::vector<std::string> log;
};

class FormLoad : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TestApplication(); Ttestfrm::RegisterClass(); }
    void SetUp() override { form = std::make_unique<Ttestfrm>(nullptr, ReadTestFile("Ttestfrm.form")); }
    std::unique_ptr<Ttestfrm> form;
};

using Log = std::vector<std::string>;

TEST_F(FormLoad, ControlsShowTheDescribedValuesAndNoEventRanWhileReading)
{
    EXPECT_EQ(form->log, Log{"FormCreate"});
    EXPECT_EQ(form->Caption(), "Ticket Form");
    EXPECT_EQ(form->Widget()->windowTitle(), QStringLiteral("Ticket Form"));
    EXPECT_EQ(form->BoundsRect(), QRect(100, 50, 640, 480));
    EXPECT_FALSE(form->Visible());

    auto* subject = form->Get<TEdit>("ed_subject");
    EXPECT_EQ(subject->Text(), "First ticket");
    EXPECT_EQ(subject->EditWidget()->maxLength(), 80);
    EXPECT_EQ(subject->Font().Name(), "DejaVu Sans");  // from the form's font
    EXPECT_EQ(form->Get<TLabel>("lbl_subject")->LabelWidget()->text(), QStringLiteral("Subject:"));
    EXPECT_GT(form->Get<TLabel>("lbl_subject")->Width(), 0);  // sized to its caption
    EXPECT_EQ(form->Get<TMemo>("ed_details")->Lines().Count(), 2);
    EXPECT_EQ(form->Get<TMemo>("ed_details")->Text(), "line one\r\nline two");
    auto* status = form->Get<TComboBox>("cb_status");
    EXPECT_EQ(status->ItemIndex(), 1);
    EXPECT_EQ(status->Text(), "Closed");
    EXPECT_EQ(status->ComboWidget()->currentText(), QStringLiteral("Closed"));
    EXPECT_EQ(form->Get<TListBox>("filestore")->ItemIndex(), 0);
    EXPECT_EQ(form->Get<TCheckListBox>("hidelist")->Items().Count(), 2);
    EXPECT_TRUE(form->Get<TCheckBox>("showopen")->Checked());
    EXPECT_TRUE(form->Get<TRadioButton>("rb_local")->Checked());
    EXPECT_FALSE(form->Get<TRadioButton>("rb_network")->Checked());
    EXPECT_EQ(form->Get<TRadioGroup>("conn")->ItemIndex(), 1);
    EXPECT_TRUE(form->Get<TRadioGroup>("conn")->Button(1)->isChecked());
    auto* due = form->Get<TDateTimePicker>("dt_due");
    EXPECT_FALSE(due->Checked());
    EXPECT_DOUBLE_EQ(due->Date(), 45000.0);
    EXPECT_EQ(due->EditWidget()->date(), QDate(2023, 3, 15));
    EXPECT_FALSE(due->EditWidget()->isEnabled());
    EXPECT_EQ(form->Get<TButton>("btn_ok")->ModalResult(), TModalResult::mrOk);
    EXPECT_EQ(form->Get<TButton>("btn_cancel")->ModalResult(), TModalResult::mrCancel);
    EXPECT_FALSE(form->Get<TImage>("logo")->Picture().Empty());
    EXPECT_EQ(form->Get<TImage>("logo")->Picture().Image().pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(ColorToString(form->Get<TPanel>("leftpanel")->Color()), "clSilver");
    EXPECT_EQ(form->Get<TColorDialog>("backcolor")->Color, clSilver);
    EXPECT_EQ(form->Get<TFontDialog>("fontdlg")->Font.Name(), "Arial");
    EXPECT_EQ(form->Get<TFolderDialog>("folderdlg")->Title, "Database location");
    EXPECT_FALSE(form->Get<TTimer>("startuptimer")->Running());

    auto* statusBar = form->Get<TStatusBar>("sb_panel");
    ASSERT_EQ(statusBar->Panels().Count(), 2);
    EXPECT_EQ(statusBar->Panels().Items(0)->Text(), "MAIN");
    EXPECT_EQ(statusBar->PanelLabel(1)->text(), QStringLiteral("1 / 12"));
    statusBar->Panels().Items(1)->SetText("2 / 12");
    EXPECT_EQ(statusBar->PanelLabel(1)->text(), QStringLiteral("2 / 12"));

    auto* quickstart = form->Get<TRichEdit>("quickstart");
    EXPECT_EQ(quickstart->ShownText(), "Hello bold red \xE9\nsecond line");
    QTextCursor cursor(quickstart->TextWidget()->document());
    cursor.setPosition(8);  // inside "bold"
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
    cursor.setPosition(13);  // inside "red"
    EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(255, 0, 0));

    // Menus: the bar, a shortcut, a hidden item, and the ticked item.
    TMainMenu* menu = form->Menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->Items()->Count(), 2);
    auto* exitItem = form->Get<TMenuItem>("Exit1");
    EXPECT_EQ(ShortCutToText(exitItem->ShortCut()), "Ctrl+X");
    EXPECT_EQ(exitItem->Action()->shortcut().toString(), QStringLiteral("Ctrl+X"));
    EXPECT_FALSE(form->Get<TMenuItem>("DatabaseImport1")->Action()->isVisible());
    EXPECT_TRUE(form->Get<TMenuItem>("ViewPanel1")->Action()->isChecked());
    exitItem->Action()->trigger();
    EXPECT_EQ(form->log.back(), "btn_newClick:Exit1");
}

TEST_F(FormLoad, MenuCaptionDashIsASeparatorLineWithoutText)
{
    auto* line = form->Get<TMenuItem>("N1");
    EXPECT_EQ(line->Caption(), "-");
    ASSERT_NE(line->Action(), nullptr);
    EXPECT_TRUE(line->Action()->isSeparator());
    // The style would draw a separator's text as a heading: "-" must not show.
    EXPECT_TRUE(line->Action()->text().isEmpty());
    line->SetCaption("Open");
    EXPECT_FALSE(line->Action()->isSeparator());
    EXPECT_EQ(line->Action()->text(), QStringLiteral("Open"));
}

TEST_F(FormLoad, AlignLayoutFillsTheClientAreaAndFollowsResizes)
{
    const int menuHeight = form->Menu()->MenuBar()->sizeHint().height();
    EXPECT_GT(menuHeight, 0);
    EXPECT_EQ(form->ClientHeight(), 480 - menuHeight);
    auto* toolbar = form->Get<TToolBar>("toolbar");
    auto* statusBar = form->Get<TStatusBar>("sb_panel");
    auto* left = form->Get<TPanel>("leftpanel");
    auto* splitter = form->Get<TSplitter>("splitter");
    auto* tabs = form->Get<TPageControl>("tabs");
    EXPECT_EQ(toolbar->BoundsRect(), QRect(0, 0, 640, 30));
    EXPECT_EQ(statusBar->BoundsRect(), QRect(0, form->ClientHeight() - 20, 640, 20));
    EXPECT_EQ(left->BoundsRect(), QRect(0, 30, 150, form->ClientHeight() - 50));
    EXPECT_EQ(splitter->Left(), 150);
    EXPECT_EQ(tabs->BoundsRect(), QRect(154, 30, 640 - 154, form->ClientHeight() - 50));
    // Inside the lowered panel the group box fills what the picture's row leaves.
    EXPECT_EQ(form->Get<TImage>("logo")->BoundsRect(), QRect(1, 1, 148, 32));
    auto* group = form->Get<TGroupBox>("versiongrp");
    EXPECT_EQ(group->BoundsRect(), QRect(1, 33, 148, left->Height() - 34));

    // Tool buttons in a row; the hidden one leaves no gap.
    EXPECT_EQ(form->Get<TToolButton>("btn_new")->BoundsRect(), QRect(0, 0, 70, 26));
    EXPECT_EQ(form->Get<TToolButton>("sep1")->Left(), 70);
    EXPECT_EQ(form->Get<TToolButton>("btn_exit")->Left(), 78);
    form->Get<TToolButton>("btn_hidden")->SetVisible(true);
    EXPECT_EQ(form->Get<TToolButton>("btn_exit")->Left(), 148);

    // Anchors: right-anchored controls follow the page's width and height.
    auto* subject = form->Get<TEdit>("ed_subject");
    auto* ok = form->Get<TButton>("btn_ok");
    auto* page = form->Get<TTabSheet>("tab2");
    const QSize pageSize(page->Width(), page->Height());
    const int subjectWidth = subject->Width();
    const QRect okBounds = ok->BoundsRect();
    form->SetBounds(100, 50, 740, 530);
    EXPECT_EQ(tabs->Width(), 740 - 154);
    EXPECT_EQ(subject->Width(), subjectWidth + 100);
    EXPECT_EQ(page->Width(), pageSize.width() + 100);
    EXPECT_EQ(ok->BoundsRect(), okBounds.translated(100, page->Height() - pageSize.height()));
    EXPECT_EQ(subject->Left(), 80);

    // Hiding an aligned control gives its room to the others.
    left->SetVisible(false);
    EXPECT_EQ(tabs->Left(), 4);
    left->SetVisible(true);
    EXPECT_EQ(tabs->Left(), 154);

    // The splitter resizes the panel it is aligned against.
    splitter->MoveBy(30);
    EXPECT_EQ(left->Width(), 180);
    EXPECT_EQ(tabs->Left(), 184);
    splitter->MoveBy(-500);
    EXPECT_EQ(left->Width(), 40);
}

TEST_F(FormLoad, PageControlActivationFromCodeAndFromTheTabs)
{
    auto* tabs = form->Get<TPageControl>("tabs");
    auto* tab1 = form->Get<TTabSheet>("tab1");
    auto* tab2 = form->Get<TTabSheet>("tab2");
    auto* tab3 = form->Get<TTabSheet>("tab3");
    EXPECT_EQ(tabs->ActivePage(), tab2);
    EXPECT_EQ(tabs->PageCount(), 6);
    EXPECT_EQ(tabs->TabButton(tab3), nullptr);  // its tab is hidden
    EXPECT_EQ(tab3->TabIndex(), -1);
    EXPECT_GE(tabs->TabRows(), 2);  // the long captions need a second row

    form->log.clear();
    int changes = 0;
    tabs->OnChange = [&](TObject*) { ++changes; };
    tabs->SetActivePage(tab3);  // a hidden tab's page can still be shown by code
    EXPECT_EQ(tabs->ActivePage(), tab3);
    EXPECT_TRUE(tab3->Widget()->isVisibleTo(tabs->Widget()));
    EXPECT_FALSE(tab2->Widget()->isVisibleTo(tabs->Widget()));
    tabs->SetActivePageIndex(1);
    tabs->SetActivePageIndex(1);
    EXPECT_EQ(form->log, (Log{"tabShow:tab3", "tabShow:tab2"}));
    EXPECT_EQ(changes, 0);

    bool allow = false;
    tabs->OnChanging = [&](TObject*, bool& allowChange) { allowChange = allow; };
    tabs->TabButton(tab1)->click();
    EXPECT_EQ(tabs->ActivePage(), tab2);
    allow = true;
    tabs->TabButton(tab1)->click();
    EXPECT_EQ(tabs->ActivePage(), tab1);
    EXPECT_EQ(changes, 1);
}

TEST_F(FormLoad, ModalFormReturnsTheButtonsModalResultAndOnCloseRuns)
{
    form->log.clear();
    QTimer::singleShot(0, [this] { form->Get<TButton>("btn_ok")->ButtonWidget()->click(); });
    EXPECT_EQ(form->ShowModal(), TModalResult::mrOk);
    EXPECT_EQ(form->log, Log{"FormClose"});
    QTimer::singleShot(0, [this] { form->Get<TButton>("btn_cancel")->Click(); });
    EXPECT_EQ(form->ShowModal(), TModalResult::mrCancel);
}

TEST_F(FormLoad, LanguageFilesReachPropertiesByPath)
{
    EXPECT_TRUE(SetPropertyPathText(*form, "versiongrp.Font.Name", "Arial"));
    EXPECT_TRUE(SetPropertyPathText(*form, "versiongrp.Caption", "Versionen"));
    EXPECT_TRUE(SetPropertyPathText(*form, "sb_panel.Panels.Items(0).Text", "HAUPT"));
    EXPECT_EQ(form->Get<TGroupBox>("versiongrp")->Font().Name(), "Arial");
    EXPECT_FALSE(form->Get<TGroupBox>("versiongrp")->ParentFont());
    EXPECT_EQ(form->Get<TStatusBar>("sb_panel")->PanelLabel(0)->text(), QStringLiteral("HAUPT"));
}

TEST_F(FormLoad, UnknownNamesFailTheLoadWithAMessageNamingThem)
{
    struct Case {
        std::string from;
        std::string to;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"OnClick = showopenClick", "OnClick = nosuchClick", "Handler nosuchClick not found"},
        {"object logo: TImage", "object logo: TPicturebox", "Class TPicturebox not found"},
        {"Stretch = True", "Streech = True", "Property Streech does not exist"},
        {"Style = csDropDownList", "Style = csDropDownLost", "Invalid property value csDropDownLost"},
    };
    const std::string text = ReadTestFile("Ttestfrm.form");
    for (const Case& test : cases) {
        std::string broken = text;
        broken.replace(broken.find(test.from), test.from.size(), test.to);
        try {
            Ttestfrm other(nullptr, broken);
            ADD_FAILURE() << "loaded despite " << test.to;
        } catch (const Exception& error) {
            EXPECT_NE(error.Message().find(test.message), std::string::npos) << error.Message();
        }
    }
}

TEST_F(FormLoad, FormRendersToAPictureThatIsNotBlank)
{
    auto* images = form->Get<TImageList>("images");
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(QColor(0, 128, 0));
    images->Add(icon);
    form->Get<TToolBar>("toolbar")->ButtonsChanged();
    form->Show();
    TestApplication().ProcessMessages();
    const QImage picture = form->Grab();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(640, 480));

    const std::filesystem::path folder = std::filesystem::path(ZV_STAGE_DIR).parent_path() / "test-artifacts";
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "Ttestfrm.png").string();
    ASSERT_TRUE(picture.save(QString::fromStdString(file), "PNG"));

    QImage reread(QString::fromStdString(file));
    ASSERT_FALSE(reread.isNull());
    std::set<QRgb> colours;
    for (int y = 0; y < reread.height(); y += 3) {
        for (int x = 0; x < reread.width(); x += 3) {
            colours.insert(reread.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 20u);  // text, frames, the silver panel, the red picture, the icon
    EXPECT_TRUE(colours.count(qRgb(192, 192, 192)) > 0);  // the silver panel
    EXPECT_TRUE(colours.count(qRgb(255, 0, 0)) > 0);      // the stretched picture
}

}  // namespace
