#pragma once
// TKitAboutDlg: an about box built at run time from its texts, the program's version resource
// (UseResInfo) or the kit application's defaults, with the available memory and processor
// below a line. The standard style shows the title and copyright in a plain message box.
// The icon (Icon, else the application's window icon) stands at the left, plain (isStandard)
// or as a framed, shadowed tile (isExtended). A click on the web or mail link opens it through
// the desktop opener.

#include "platform/gui/Graphics.h"
#include "widgets/KitDialogs.h"

#include <QImage>

#include <string>

enum class TKitAboutIconStyle { isNone, isStandard, isExtended };
enum class TKitAboutStyle { bsStandard, bsKit };
enum class TKitAboutVersionStyle { vsProg, vsFileShort, vsFileFull, vsFileBuild };

class TKitAboutDlg : public TKitBaseDialog {
public:
    explicit TKitAboutDlg(TComponent* owner) : TKitBaseDialog(owner) {}
    const char* ClassName() const noexcept override { return "TKitAboutDlg"; }

    // Shows the box; true when it was shown.
    bool Execute() override;

    // The title line: Appname, else the product name of the version resource (UseResInfo),
    // else the application title.
    std::string TitleText() const;
    // The version line, or empty when there is none.
    std::string VersionText() const;

    std::string Appname;
    std::string Copyright;
    std::string Jump;
    std::string EMail;
    std::string Description;
    std::string Version;
    bool UseDefault = false;
    bool UseResInfo = false;
    TKitAboutIconStyle IconStyle = TKitAboutIconStyle::isExtended;
    int AppNameSize = 22;
    TKitAboutStyle Style = TKitAboutStyle::bsKit;
    TKitAboutVersionStyle UseResVersionInfoStyle = TKitAboutVersionStyle::vsProg;
    TIcon Icon;

    // The icon shown: Icon, else the application's window icon (empty when neither is set).
    QImage IconImage() const;
};

// The isExtended tile of an icon: (2 x width + 8) by (2 x height + 8), the button face with
// two grey 6-pixel shadow bands at the bottom and right, the icon stretched into 1,1 to
// width - 6, height - 6 and a black frame around 0,0 to width - 5, height - 5.
QImage KitAboutIconTile(const QImage& icon);
