#pragma once
// The notification-area icon: the program's handle, since the display window has neither a
// frame nor a taskbar button. It shows the link state or the processor usage, carries the
// pop-up menu and the balloon tips.

#include <QObject>
#include <QPoint>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include "app/desktop_notifications.h"

#include <QDeadlineTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QWidget;

namespace keltrix {

class TProcFormat;
class TRawDataShell;
class TRegistryStore;

// "XP" when the version word (major in the low byte, minor in the next, build or patch level
// in the high 16 bits) is that of Windows XP or later by the old test, else empty.
std::string XpPrefix(std::uint32_t versionWord);

// Icon kinds.
inline constexpr std::uint8_t IconConnected = 0;
inline constexpr std::uint8_t IconDisconnected = 1;
inline constexpr std::uint8_t IconProcessorUsage = 2;

// The picture for kind 0 or 1; throws std::invalid_argument for any other kind.
std::string TrayPictureName(std::uint8_t kind, bool rqIcons, bool clientMode,
                            const std::string& xpPrefix);

// Balloon icon kinds as the callers pass them; 16 is "no icon, no sound".
inline constexpr std::uint32_t BalloonNone = 16;
inline constexpr std::uint32_t BalloonInfo = 1;
inline constexpr std::uint32_t BalloonWarning = 2;
inline constexpr std::uint32_t BalloonError = 3;

// What the notification area was last handed, cut to the lengths it takes.
struct TNotifyIconData {
    QString Tip;            // at most 63 characters
    QString BalloonText;    // at most 255 characters
    QString BalloonTitle;   // at most 63 characters
    int BalloonTimeout = 0; // ms
    std::uint32_t BalloonKind = 0;
};

// The first count characters (code points, not bytes) of a UTF-8 text.
QString CutText(const std::string& utf8, int count);

struct TTrayIconOptions {
    std::string InstanceId = "Keltrix"; // the tooltip
    bool NoBalloon = false;             // "-noballoon": balloons become message boxes
    // GetVersion's word; queried from the platform when not given.
    std::optional<std::uint32_t> VersionWord;
    std::function<bool()> ClientMode;  // "-c": the RQ set shows its H pictures
    std::function<bool()> AlwaysOnTop; // "Always &On Top" is checked
    // Rebuilds "Fast Config" before the menu opens, wherever it opens.
    std::function<void()> BeforeMenu;
    // PopupMenu1: popped up on the icon, or shown by a StatusNotifierItem host over D-Bus.
    QMenu* Menu = nullptr;
};

class TTrayIcon : public QObject {
    Q_OBJECT
public:
    // Prepares the record and the connected picture; the icon is shown by Add. procFormat
    // (may be null) renders the processor usage read from rawData.
    TTrayIcon(TRegistryStore& settings, QWidget* window, TProcFormat* procFormat,
              TRawDataShell& rawData, TTrayIconOptions options, QObject* parent = nullptr);
    ~TTrayIcon() override;

    // Chooses or draws the picture for kind and hands it to the notification area. Throws
    // std::invalid_argument for a kind other than 0, 1 or 2.
    void SetIconColor(std::uint8_t kind);
    std::uint8_t IconKind() const { return IconKind_; }
    // Empty while the processor usage is shown.
    const std::string& PictureName() const { return PictureName_; }
    const std::string& XpPrefixText() const { return XpPrefix_; }
    QIcon CurrentIcon() const { return Icon_.icon(); }
    // The figure the processor-usage picture shows for the current sample.
    std::string ProcessorUsageText() const;

    // Into and out of the notification area; neither touches IconRemoved.
    void Add();
    void Remove();
    bool IsShown() const { return Icon_.isVisible(); }
    // Set by "&Hide Icon" and the hotkey, cleared by the hotkey, a tray restart and every
    // picture update.
    bool IconRemoved() const { return IconRemoved_; }

    // From any thread: balloonKind is one of the Balloon* kinds.
    void ShowBalloonTips(const std::string& text, const std::string& title,
                         std::uint32_t balloonKind);
    const TNotifyIconData& Record() const { return Record_; }

    // Whether a tray host takes icons: an XEmbed tray or a StatusNotifierItem host. Never
    // waits for the session bus. Without one the window opens the menu itself, through
    // OpenMenu.
    bool HasTrayHost() const;
    // Pops the menu up at globalPos; it rebuilds "Fast Config" as it opens.
    void OpenMenu(QPoint globalPos);
    // Balloons that wait for the bus's first answers or for the icon to dock.
    std::size_t PendingBalloons() const { return Pending_.size(); }

    // Watches for the tray host to (re)appear and then adds the icon again.
    void WatchTaskBar();

    // The tray hotkey: adds the icon when removed, removes it otherwise.
    void ToggleByHotkey();

    // "Layout" items; the window places them in its menu.
    QAction* DisplayProcessorUsageinIcon1 = nullptr;
    QAction* HideIcon1 = nullptr;
    QAction* UseRQIcons1 = nullptr;

public slots:
    // Removes and adds the icon (a second start); callable from any thread, runs on the
    // UI thread.
    void ReTray();
    // The action has already toggled its check; these store it and update the picture.
    void DisplayProcessorUsageinIcon1Click();
    void HideIcon1Click();
    void UseRQIcons1Click();
    // The tray's mouse messages.
    void IconTray(QSystemTrayIcon::ActivationReason reason);
    // The tray host came (back): add the icon and clear IconRemoved.
    void TaskBarWndProc();

private:
    struct TPendingBalloon {
        QString Text, Title;
        std::uint32_t Kind = 0;
        QDeadlineTimer Due; // shown in a message box when it cannot go anywhere by then
    };
    void ShowBalloonNow(const QString& text, const QString& title, std::uint32_t balloonKind);
    // Hands the waiting balloons to the notification daemon, to Qt's balloon at a docked
    // icon, or to a message box, in order.
    void DispatchBalloons();
    // Docked in an XEmbed tray, where Qt draws its balloon at the icon.
    bool IconPlaceKnown() const;
    void MenuAboutToShow();
    void WatchTrayHost();
    void ShowMessageBox(const QString& text, const QString& title);
    QIcon ProcessorUsageIcon() const;
    bool ClientMode() const { return Options_.ClientMode && Options_.ClientMode(); }
    bool AlwaysOnTop() const { return Options_.AlwaysOnTop && Options_.AlwaysOnTop(); }
    bool OnOwnThread() const;

    TRegistryStore& Settings_;
    QWidget* Window_;
    TProcFormat* ProcFormat_;
    TRawDataShell& RawData_;
    TTrayIconOptions Options_;
    QSystemTrayIcon Icon_;
    TNotifyIconData Record_;
    std::string XpPrefix_;
    std::string PictureName_;
    std::uint8_t IconKind_ = IconConnected;
    bool IconRemoved_ = false;
    QTimer TaskBarPoll_;
    bool TrayHostSeen_ = false;
    TDesktopNotifications Notes_;
    std::deque<TPendingBalloon> Pending_;
    QTimer BalloonRetry_;
};

} // namespace keltrix
