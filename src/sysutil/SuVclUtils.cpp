#include "sysutil/SuVclUtils.h"

#include "platform/gui/Forms.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QStyle>
#include <QWidget>

namespace {

TCustomForm* ApplicationForm(TCustomForm* mainForm)
{
    if (mainForm != nullptr) {
        return mainForm;
    }
    return Application != nullptr ? Application->MainForm() : nullptr;
}

}  // namespace

void SuShowApplication(TCustomForm* mainForm)
{
    TCustomForm* form = ApplicationForm(mainForm);
    if (form != nullptr && form->WindowState() == TWindowState::wsMinimized) {
        form->SetWindowState(TWindowState::wsNormal);
    }
}

void SuHideApplication(TCustomForm* mainForm)
{
    TCustomForm* form = ApplicationForm(mainForm);
    if (form != nullptr && form->Widget() != nullptr && form->Widget()->isVisible()) {
        form->Widget()->hide();
    }
}

void SuRestoreApplication(TCustomForm* mainForm)
{
    TCustomForm* form = ApplicationForm(mainForm);
    if (form == nullptr) {
        return;
    }
    form->Show();
    if (QWidget* window = form->Widget(); window != nullptr && !window->isVisible()) {
        window->show();
    }
    form->SetWindowState(form->WindowState() == TWindowState::wsMaximized ? TWindowState::wsMaximized : TWindowState::wsNormal);
    SuBringToForeground(form);
}

void SuMinimizeApplicationToTray(TCustomForm* mainForm)
{
    SuHideApplication(mainForm);
    if (TCustomForm* form = ApplicationForm(mainForm)) {
        form->Hide();
    }
}

void SuBringToForeground(TComponent* window)
{
    auto* control = dynamic_cast<TControl*>(window);
    TCustomForm* form = control != nullptr ? control->ParentForm() : nullptr;
    // A display without windows of its own (the offscreen one) has no front to bring it to.
    if (form == nullptr || !form->Visible() || form->Widget() == nullptr ||
        QGuiApplication::platformName() == QLatin1String("offscreen")) {
        return;
    }
    form->Widget()->raise();
    form->Widget()->activateWindow();
}

TShiftState SuShiftState()
{
    return KeyboardShiftState();
}

QImage SuShellIcon(int index, bool large)
{
    struct StockIcon {
        int index;
        const char* themeName;
        QStyle::StandardPixmap fallback;
    };
    static constexpr StockIcon icons[] = {
        {0, "text-x-generic", QStyle::SP_FileIcon},
        {1, "text-x-generic", QStyle::SP_FileIcon},
        {2, "application-x-executable", QStyle::SP_DesktopIcon},
        {3, "folder", QStyle::SP_DirClosedIcon},
        {4, "folder-open", QStyle::SP_DirOpenIcon},
        {5, "media-floppy", QStyle::SP_DriveFDIcon},
        {7, "drive-removable-media", QStyle::SP_DriveHDIcon},
        {8, "drive-harddisk", QStyle::SP_DriveHDIcon},
        {9, "network-server", QStyle::SP_DriveNetIcon},
        {11, "media-optical", QStyle::SP_DriveCDIcon},
        {15, "computer", QStyle::SP_ComputerIcon},
        {31, "user-trash", QStyle::SP_TrashIcon},
        {32, "user-trash-full", QStyle::SP_TrashIcon},
    };
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return QImage();
    }
    for (const StockIcon& icon : icons) {
        if (icon.index != index) {
            continue;
        }
        QIcon picture = QIcon::fromTheme(QString::fromLatin1(icon.themeName));
        if (picture.isNull()) {
            picture = QApplication::style()->standardIcon(icon.fallback);
        }
        const int size = large ? 32 : 16;
        const QImage image = picture.pixmap(size, size).toImage();
        return image.isNull() || image.size() == QSize(size, size)
                   ? image
                   : image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return QImage();
}
