#include "app/tray_icon.h"

#include "app/tray_pictures.h"
#include "base/application_title.h"
#include "base/smartlog.h"
#include "display/x11_desktop.h"
#include "measure/raw_data.h"
#include "platform/system_info.h"
#include "settings/registry_store.h"
#include "tags/proc_format.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QThread>
#include <QWidget>

#include <stdexcept>
#include <utility>

namespace keltrix {
namespace {

constexpr int TipLength = 63;
constexpr int BalloonTitleLength = 63;
constexpr int BalloonTextLength = 255;
constexpr int BalloonTimeout = 3000;
// How often the tray host is looked for. A host that restarts within this period goes
// unnoticed; a shown icon is re-docked by Qt anyway, only a hidden one then stays away.
constexpr int TaskBarPollInterval = 1000;
// How long a balloon waits for the bus's first answers and for the icon to dock.
constexpr int BalloonWaitMs = 5000;
constexpr int BalloonRetryMs = 100;

std::uint32_t QueryVersionWord() {
    std::uint32_t version = 0;
    if (!platform::GetVersion(version)) version = 0;
    return version;
}

// The texts arrive with CR LF line breaks; Qt's labels and balloons break on LF.
QString ForDisplay(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QSystemTrayIcon::MessageIcon BalloonIcon(std::uint32_t balloonKind) {
    switch (balloonKind & 0x0F) {
    case BalloonInfo:
        return QSystemTrayIcon::Information;
    case BalloonWarning:
        return QSystemTrayIcon::Warning;
    case BalloonError:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}

} // namespace

std::string XpPrefix(std::uint32_t versionWord) {
    const std::uint32_t majorMinor = versionWord & 0xFFFF;
    const std::uint32_t build = versionWord >> 16;
    return majorMinor > 5 || build > 2195 ? "XP" : "";
}

std::string TrayPictureName(std::uint8_t kind, bool rqIcons, bool clientMode,
                            const std::string& xpPrefix) {
    if (kind == IconConnected) {
        if (rqIcons) return clientMode ? "ZCGREENH" : "ZCGREEN";
        return xpPrefix + "SMILEYCONNECTED";
    }
    if (kind == IconDisconnected) {
        if (rqIcons) return clientMode ? "ZCREDH" : "ZCRED";
        return xpPrefix + "SMILEYDISCONNECTED";
    }
    throw std::invalid_argument("icon kind " + std::to_string(kind) + " has no picture");
}

QString CutText(const std::string& utf8, int count) {
    const QString text = QString::fromStdString(utf8);
    qsizetype units = 0;
    for (int points = 0; units < text.size() && points < count; ++points) {
        const bool pair = text.at(units).isHighSurrogate() && units + 1 < text.size() &&
                          text.at(units + 1).isLowSurrogate();
        units += pair ? 2 : 1;
    }
    return text.left(units);
}

namespace {
QString Cut(const QString& text, int count) {
    return CutText(text.toStdString(), count);
}
} // namespace

TTrayIcon::TTrayIcon(TRegistryStore& settings, QWidget* window, TProcFormat* procFormat,
                     TRawDataShell& rawData, TTrayIconOptions options, QObject* parent)
    : QObject(parent), Settings_(settings), Window_(window), ProcFormat_(procFormat),
      RawData_(rawData), Options_(std::move(options)) {
    if (!ProcFormat_) throw std::invalid_argument("the tray icon needs the ProcUsage formatter");

    XpPrefix_ = XpPrefix(Options_.VersionWord ? *Options_.VersionWord : QueryVersionWord());
    Record_.Tip = CutText(Options_.InstanceId, TipLength);
    Icon_.setToolTip(Record_.Tip);
    PictureName_ = XpPrefix_ + "SMILEYCONNECTED";
    Icon_.setIcon(PictureIcon(PictureName_));
    connect(&Icon_, &QSystemTrayIcon::activated, this, &TTrayIcon::IconTray);

    DisplayProcessorUsageinIcon1 =
        new QAction(QStringLiteral("Display Processor Usage in Icon"), this);
    DisplayProcessorUsageinIcon1->setCheckable(true);
    connect(DisplayProcessorUsageinIcon1, &QAction::triggered, this,
            &TTrayIcon::DisplayProcessorUsageinIcon1Click);
    HideIcon1 = new QAction(QStringLiteral("&Hide Icon"), this);
    connect(HideIcon1, &QAction::triggered, this, &TTrayIcon::HideIcon1Click);
    UseRQIcons1 = new QAction(QStringLiteral("Use RQ Icons"), this);
    UseRQIcons1->setCheckable(true);
    connect(UseRQIcons1, &QAction::triggered, this, &TTrayIcon::UseRQIcons1Click);

    if (Options_.Menu) {
        // Exported over D-Bus to a StatusNotifierItem host; popped up by Qt on an XEmbed icon.
        Icon_.setContextMenu(Options_.Menu);
        connect(Options_.Menu, &QMenu::aboutToShow, this, &TTrayIcon::MenuAboutToShow);
    }

    TaskBarPoll_.setInterval(TaskBarPollInterval);
    connect(&TaskBarPoll_, &QTimer::timeout, this, &TTrayIcon::WatchTrayHost);
    connect(&Notes_, &TDesktopNotifications::Changed, this, [this] {
        if (TaskBarPoll_.isActive()) WatchTrayHost();
        DispatchBalloons();
    });
    BalloonRetry_.setSingleShot(true);
    connect(&BalloonRetry_, &QTimer::timeout, this, &TTrayIcon::DispatchBalloons);
}

void TTrayIcon::WatchTrayHost() {
    const bool available = HasTrayHost();
    if (available && !TrayHostSeen_) TaskBarWndProc();
    TrayHostSeen_ = available;
}

TTrayIcon::~TTrayIcon() = default;

bool TTrayIcon::OnOwnThread() const {
    return QThread::currentThread() == thread();
}

void TTrayIcon::SetIconColor(std::uint8_t kind) {
    LogAdd("SetIconColor");
    QIcon picture;
    std::string name;
    if (kind == IconProcessorUsage) {
        // Sampling must measure the processor even when the format string shows none.
        ProcFormat_->Active = true;
        picture = ProcessorUsageIcon();
    } else {
        name = TrayPictureName(kind, UseRQIcons1->isChecked(), ClientMode(), XpPrefix_);
        picture = PictureIcon(name);
    }
    IconKind_ = kind;
    PictureName_ = std::move(name);
    Icon_.setIcon(picture);
    IconRemoved_ = false;
}

std::string TTrayIcon::ProcessorUsageText() const {
    // Three digits do not fit; a full processor shows as 99.
    if (RawData_.Data().ProcUsage[0] > 99.0f) return "99";
    return ProcFormat_->ProcUsageFunc("", true, false, 0);
}

QIcon TTrayIcon::ProcessorUsageIcon() const {
    const std::string text = ProcessorUsageText();
    const QColor background = QGuiApplication::palette().color(QPalette::Light);
    QIcon icon;
    for (int size : TrayIconSizes)
        icon.addPixmap(ProcessorUsagePicture(QString::fromStdString(text), size, background));
    return icon;
}

void TTrayIcon::Add() {
    Icon_.show();
}

void TTrayIcon::Remove() {
    Icon_.hide();
}

bool TTrayIcon::HasTrayHost() const {
    // Not QSystemTrayIcon::isSystemTrayAvailable: over D-Bus it waits for the bus's answers.
    return x11::XEmbedTrayPresent() || Notes_.StatusNotifierHost();
}

bool TTrayIcon::IconPlaceKnown() const {
    if (!Icon_.isVisible()) return false;
    // Qt knows a place only for an icon of its own XEmbed window; until the tray has taken
    // that window in, the place is the screen's corner.
    const QRect place = Icon_.geometry();
    return !place.isEmpty() && place.topLeft() != QPoint(0, 0);
}

void TTrayIcon::ShowBalloonTips(const std::string& text, const std::string& title,
                                std::uint32_t balloonKind) {
    LogAdd("ShowBalloonTips ( " + title + " -;- " + text + " )");
    const QString qText = QString::fromStdString(text);
    const QString qTitle = QString::fromStdString(title);
    if (OnOwnThread()) {
        ShowBalloonNow(qText, qTitle, balloonKind);
    } else {
        // The record and the widgets belong to the UI thread; the caller never waits.
        QMetaObject::invokeMethod(
            this,
            [this, qText, qTitle, balloonKind] { ShowBalloonNow(qText, qTitle, balloonKind); },
            Qt::QueuedConnection);
    }
}

void TTrayIcon::ShowBalloonNow(const QString& text, const QString& title,
                               std::uint32_t balloonKind) {
    if (Options_.NoBalloon) {
        ShowMessageBox(text, title);
        return;
    }
    Record_.BalloonText = CutText(text.toStdString(), BalloonTextLength);
    Record_.BalloonTitle = CutText(title.toStdString(), BalloonTitleLength);
    Record_.BalloonTimeout = BalloonTimeout;
    Record_.BalloonKind = balloonKind;
    Pending_.push_back({text, title, balloonKind, QDeadlineTimer(BalloonWaitMs)});
    DispatchBalloons();
}

void TTrayIcon::DispatchBalloons() {
    while (!Pending_.empty()) {
        const TPendingBalloon balloon = Pending_.front();
        const bool late = balloon.Due.hasExpired();
        if (!Notes_.Known() && !late) break; // the bus has not answered yet
        if (Notes_.DaemonPresent()) {
            // The desktop's notifications, whatever the tray: a daemon that refuses it leaves
            // the message box, so that nothing is lost.
            Notes_.Notify(ForDisplay(Cut(balloon.Title, BalloonTitleLength)),
                          ForDisplay(Cut(balloon.Text, BalloonTextLength)), balloon.Kind,
                          BalloonTimeout,
                          [this, balloon] { ShowMessageBox(balloon.Text, balloon.Title); });
        } else if (IconPlaceKnown()) {
            Icon_.showMessage(ForDisplay(Cut(balloon.Title, BalloonTitleLength)),
                              ForDisplay(Cut(balloon.Text, BalloonTextLength)),
                              BalloonIcon(balloon.Kind), BalloonTimeout);
        } else if (Icon_.isVisible() && x11::XEmbedTrayPresent() && !late) {
            break; // the tray is taking the icon in: the balloon belongs at its place
        } else {
            // No tray to show it, or a StatusNotifierItem host without a daemon.
            ShowMessageBox(balloon.Text, balloon.Title);
        }
        Pending_.pop_front();
    }
    if (!Pending_.empty()) BalloonRetry_.start(BalloonRetryMs);
}

void TTrayIcon::ShowMessageBox(const QString& text, const QString& title) {
    // Not modal: an error reported on every timer tick must not stack nested event loops.
    auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromUtf8(ApplicationTitle),
                                ForDisplay(title + QStringLiteral("\r\n\r\n") + text),
                                QMessageBox::Ok, Window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    box->raise();
}

void TTrayIcon::OpenMenu(QPoint globalPos) {
    if (Options_.Menu) Options_.Menu->popup(globalPos);
}

void TTrayIcon::MenuAboutToShow() {
    LogAdd("PopupMenu1Popup");
    // Above the other windows first, as the menu opens: on the icon, over D-Bus, or on the
    // window itself.
    if (!AlwaysOnTop() && Window_ && Window_->isVisible()) Window_->raise();
    if (Options_.BeforeMenu) Options_.BeforeMenu();
}

void TTrayIcon::WatchTaskBar() {
    TrayHostSeen_ = HasTrayHost();
    TaskBarPoll_.start();
}

void TTrayIcon::TaskBarWndProc() {
    LogAdd("TaskBarWndProc");
    // Qt docks a shown icon in the new tray by itself; a hidden one comes back here.
    Add();
    IconRemoved_ = false;
}

void TTrayIcon::ToggleByHotkey() {
    if (IconRemoved_) {
        Add();
    } else {
        Remove();
    }
    IconRemoved_ = !IconRemoved_;
}

void TTrayIcon::ReTray() {
    LogAdd("ReTray");
    // Never interleaved with a picture update: the pair runs on the UI thread.
    QMetaObject::invokeMethod(
        this,
        [this] {
            Remove();
            Add();
        },
        OnOwnThread() ? Qt::DirectConnection : Qt::QueuedConnection);
}

void TTrayIcon::DisplayProcessorUsageinIcon1Click() {
    LogAdd("DisplayProcessorUsageinIcon1Click");
    const bool checked = DisplayProcessorUsageinIcon1->isChecked();
    Settings_.WriteBool("DisplayProcInTray", checked);
    SetIconColor(checked ? IconProcessorUsage : IconConnected);
}

void TTrayIcon::HideIcon1Click() {
    LogAdd("HideIcon1Click");
    Remove();
    IconRemoved_ = true;
}

void TTrayIcon::UseRQIcons1Click() {
    LogAdd("UseRQIcons1click");
    Settings_.WriteBool("RQIcons", UseRQIcons1->isChecked());
    SetIconColor(IconKind_);
}

void TTrayIcon::IconTray(QSystemTrayIcon::ActivationReason reason) {
    LogAdd("IconTray");
    if (reason == QSystemTrayIcon::DoubleClick) {
        if (!AlwaysOnTop() && Window_) {
            Window_->raise();
            Window_->activateWindow();
        }
    } else if (reason == QSystemTrayIcon::Context) {
        // Qt has popped the menu up on an XEmbed icon already; a StatusNotifierItem host
        // that asks for the menu this way gets it here.
        if (!Options_.Menu || !Options_.Menu->isVisible()) OpenMenu(QCursor::pos());
    }
}

} // namespace keltrix
