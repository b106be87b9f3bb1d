#include "platform/gui/TrayIcons.h"

#include "platform/gui/Forms.h"
#include "platform/gui/GuiText.h"

#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <map>
#include <memory>
#include <utility>

namespace {

// One icon of the desktop's notification area.
struct TDesktopIcon {
    TMessageWindow* window = nullptr;
    unsigned id = 0;
    unsigned callbackMessage = 0;
    QPointer<QSystemTrayIcon> icon;
    std::unique_ptr<QTimer> balloonTimer;
};

class TDesktopShell : public TNotifyIconShell {
public:
    bool Available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    bool Notify(unsigned message, const TNotifyIconData& data) override
    {
        const Key key{data.Wnd, data.uID};
        auto found = icons_.find(key);
        switch (message) {
        case NIM_ADD:
            if (found != icons_.end() || data.Wnd == nullptr || !Available()) {
                return false;
            }
            return Add(key, data);
        case NIM_MODIFY:
            if (found == icons_.end()) {
                return false;
            }
            Apply(*found->second, data);
            return true;
        case NIM_DELETE:
            if (found == icons_.end()) {
                return false;
            }
            Remove(found);
            return true;
        default:
            return false;
        }
    }

private:
    using Key = std::pair<TMessageWindow*, unsigned>;
    using Icons = std::map<Key, std::unique_ptr<TDesktopIcon>>;

    bool Add(const Key& key, const TNotifyIconData& data)
    {
        auto entry = std::make_unique<TDesktopIcon>();
        entry->window = data.Wnd;
        entry->id = data.uID;
        entry->icon = new QSystemTrayIcon();
        entry->balloonTimer = std::make_unique<QTimer>();
        entry->balloonTimer->setSingleShot(true);
        QSystemTrayIcon* icon = entry->icon;
        QObject::connect(icon, &QSystemTrayIcon::activated, icon, [this, key](QSystemTrayIcon::ActivationReason reason) {
            switch (reason) {
            case QSystemTrayIcon::Trigger:
                Report(key, {WM_LBUTTONDOWN, WM_LBUTTONUP});
                break;
            case QSystemTrayIcon::DoubleClick:
                Report(key, {WM_LBUTTONDBLCLK, WM_LBUTTONUP});
                break;
            case QSystemTrayIcon::Context:
                Report(key, {WM_RBUTTONDOWN, WM_RBUTTONUP});
                break;
            case QSystemTrayIcon::MiddleClick:
                Report(key, {WM_MBUTTONDOWN, WM_MBUTTONUP});
                break;
            case QSystemTrayIcon::Unknown:
                break;
            }
        });
        QObject::connect(icon, &QSystemTrayIcon::messageClicked, icon, [this, key] {
            auto found = icons_.find(key);
            if (found != icons_.end() && found->second->balloonTimer->isActive()) {
                found->second->balloonTimer->stop();
                Report(key, {NIN_BALLOONUSERCLICK});
            }
        });
        QObject::connect(entry->balloonTimer.get(), &QTimer::timeout, icon, [this, key] { Report(key, {NIN_BALLOONTIMEOUT}); });
        TDesktopIcon& added = *entry;
        icons_.emplace(key, std::move(entry));
        Apply(added, data);
        icon->show();
        return true;
    }

    void Apply(TDesktopIcon& entry, const TNotifyIconData& data)
    {
        if ((data.uFlags & NIF_MESSAGE) != 0) {
            entry.callbackMessage = data.uCallbackMessage;
        }
        if ((data.uFlags & NIF_ICON) != 0 || entry.icon->icon().isNull()) {
            // An icon without a picture still takes its place, as an empty one.
            QImage image = data.hIcon;
            if (image.isNull() || (data.uFlags & NIF_ICON) == 0) {
                image = QImage(16, 16, QImage::Format_ARGB32);
                image.fill(Qt::transparent);
            }
            entry.icon->setIcon(QIcon(QPixmap::fromImage(image)));
        }
        if ((data.uFlags & NIF_TIP) != 0) {
            entry.icon->setToolTip(ToQString(data.szTip));
        }
        if ((data.uFlags & NIF_INFO) != 0 && !(data.szInfo.empty() && data.szInfoTitle.empty())) {
            QSystemTrayIcon::MessageIcon kind = QSystemTrayIcon::NoIcon;
            switch (data.dwInfoFlags & 0x0F) {
            case NIIF_INFO: kind = QSystemTrayIcon::Information; break;
            case NIIF_WARNING: kind = QSystemTrayIcon::Warning; break;
            case NIIF_ERROR: kind = QSystemTrayIcon::Critical; break;
            default: break;
            }
            const int timeout = static_cast<int>(std::min<unsigned>(data.uTimeout, 60000));
            entry.icon->showMessage(ToQString(data.szInfoTitle), ToQString(data.szInfo), kind, timeout);
            entry.balloonTimer->start(timeout);
            // Shown now; the window hears of it once the caller is done.
            const Key key{entry.window, entry.id};
            QTimer::singleShot(0, entry.icon, [this, key] { Report(key, {NIN_BALLOONSHOW}); });
        }
    }

    void Remove(Icons::iterator found)
    {
        // The icon may be the one whose signal is running: Qt frees it once that is over.
        if (found->second->icon != nullptr) {
            found->second->icon->hide();
            found->second->icon->deleteLater();
        }
        icons_.erase(found);
    }

    // Sends the icon's callback messages to its window, while the icon is still there.
    void Report(const Key& key, std::initializer_list<unsigned> events)
    {
        for (const unsigned event : events) {
            auto found = icons_.find(key);
            if (found == icons_.end()) {
                return;
            }
            TMessageWindow* window = found->second->window;
            const unsigned message = found->second->callbackMessage;
            const unsigned id = found->second->id;
            RunUserHandler([&] { window->Perform(message, id, static_cast<intptr_t>(event)); });
        }
    }

    Icons icons_;
};

TNotifyIconShell*& ShellOverride()
{
    static TNotifyIconShell* shell = nullptr;
    return shell;
}

TNotifyIconShell& CurrentShell()
{
    if (ShellOverride() != nullptr) {
        return *ShellOverride();
    }
    static TDesktopShell desktop;
    return desktop;
}

}  // namespace

bool SystemTrayAvailable()
{
    return CurrentShell().Available();
}

bool ShellNotifyIcon(unsigned message, const TNotifyIconData& data)
{
    return CurrentShell().Notify(message, data);
}

void SetNotifyIconShell(TNotifyIconShell* shell)
{
    ShellOverride() = shell;
}
