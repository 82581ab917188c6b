#include "display/display_layout.h"

#include "base/smartlog.h"
#include "display/drag_handle.h"
#include "display/links.h"
#include "display/qab_label.h"
#include "display/window_place.h"
#include "platform/drives.h"
#include "platform/shell.h"
#include "settings/registry_store.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <exception>

namespace keltrix {
namespace {

const QString Blank = QStringLiteral("BLANK");

void Call(const std::function<void()>& hook) {
    if (hook) hook();
}

// The outermost apply or refresh remembers the right edge until it is done.
class TRightEdgeHold {
public:
    TRightEdgeHold(std::optional<int>& edge, int now) : Edge_(edge), Own_(!edge) {
        if (Own_) Edge_ = now;
    }
    ~TRightEdgeHold() {
        if (Own_) Edge_.reset();
    }
    TRightEdgeHold(const TRightEdgeHold&) = delete;
    TRightEdgeHold& operator=(const TRightEdgeHold&) = delete;

private:
    std::optional<int>& Edge_;
    bool Own_;
};

} // namespace

TDesktopGeometry ScreenDesktopGeometry() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return {};
    return {primary->virtualGeometry(), primary->availableGeometry()};
}

TDisplayLayout::TDisplayLayout(QWidget* window, TFormatterList& formatters,
                               TRegistryStore& settings, TDisplayLayoutHooks hooks)
    : Window_(window), Formatters_(formatters), Settings_(settings), Hooks_(std::move(hooks)),
      DesktopGeometry_(ScreenDesktopGeometry), Place_(std::make_unique<TWindowPlace>(window)) {
    Place_->BeforeRestore = [this] { AdjustToScreen(); };
}

// The labels are the window's children and go with it; their clicks must not reach us.
TDisplayLayout::~TDisplayLayout() {
    for (TFmtLabel* label : Labels_)
        QObject::disconnect(label, &TQabColorLabel::clicked, nullptr, nullptr);
}

void TDisplayLayout::SetDesktopGeometry(std::function<TDesktopGeometry()> geometry) {
    DesktopGeometry_ = std::move(geometry);
}

void TDisplayLayout::SetDragHandle(TDragHandle* handle) {
    DragHandle_ = handle;
}

void TDisplayLayout::SetFontColor(TColor color) {
    FontColor_ = color;
    for (TFmtLabel* label : Labels_) label->SetFontColor(color);
}

void TDisplayLayout::ClearLabels() {
    for (TFmtLabel* label : Labels_) {
        // A label may be the one whose click led here: it goes once its event is done.
        label->hide();
        label->setParent(nullptr);
        label->deleteLater();
    }
    Labels_.clear();
    LinkTable_.clear();
    Captions_.clear();
}

void TDisplayLayout::SetFromString(const std::string& formatString) {
    LogAdd("SetFromString");
    std::unique_lock<std::recursive_mutex> view;
    if (Hooks_.ViewLock) view = std::unique_lock<std::recursive_mutex>(*Hooks_.ViewLock);
    const TRightEdgeHold edge(RightEdge_, RightEdge());
    Call(Hooks_.Suspend);
    try {
        ClearLabels();
        const auto lines = SplitFormatLines(formatString);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            auto* label = new TFmtLabel(Window_);
            label->FormatLine = lines[i];
            const std::string name = "FormatLabel" + std::to_string(i);
            label->setObjectName(QString::fromStdString(name));
            label->setText(Blank);
            if (IsLinkLine(lines[i])) {
                LinkTable_.push_back(BuildLinkEntry(name, lines[i]));
                label->setCursor(Qt::PointingHandCursor);
                QObject::connect(label, &TQabColorLabel::clicked, label,
                                 [this, label] { FollowLink(label); });
            } else if (AsciiUpper(lines[i]).find("NAME=DRIVESPACE") != std::string::npos) {
                QObject::connect(label, &TQabColorLabel::clicked, label,
                                 [this, label] { LaunchExplorer(label); });
            }
            label->setFont(Window_->font());
            label->SetFontColor(FontColor_);
            Labels_.push_back(label);
            label->show();
        }
        // New labels lie on top: a shown handle goes back over them.
        if (DragHandle_) DragHandle_->Restack();
        for (auto& formatter : Formatters_) formatter->DecideIfActive(formatString);
    } catch (...) {
        Call(Hooks_.Resume);
        throw;
    }
    Call(Hooks_.Resume);
    Call(Hooks_.ForcedSample);
    for (TFmtLabel* label : Labels_) SetAlgn(label);
    for (auto& formatter : Formatters_)
        formatter->Alignment = static_cast<std::uint8_t>(Alignment_);
}

void TDisplayLayout::SetFormatString(std::string formatString) {
    std::unique_lock<std::recursive_mutex> view;
    if (Hooks_.ViewLock) view = std::unique_lock<std::recursive_mutex>(*Hooks_.ViewLock);
    FormatString_ = std::move(formatString);
}

void TDisplayLayout::SaveString(const std::string& formatString) {
    LogAdd("SaveString");
    SetFormatString(formatString);
    Settings_.WriteString("FormatString", formatString);
}

void TDisplayLayout::RefreshScreen() {
    LogAdd("RefreshScreen");
    std::unique_lock<std::recursive_mutex> view;
    if (Hooks_.ViewLock) view = std::unique_lock<std::recursive_mutex>(*Hooks_.ViewLock);
    Call(Hooks_.HideTaskbarButton);
    AdjustToScreen();
    const TRightEdgeHold edge(RightEdge_, RightEdge());
    bool wasBlank = false;
    // A line whose tags fail keeps its last text; the others are shown, then the first error
    // goes on to the caller.
    std::exception_ptr failure;
    Captions_.resize(Labels_.size());
    for (std::size_t i = 0; i < Labels_.size(); ++i) {
        TFmtLabel* label = Labels_[i];
        std::string text = label->FormatLine;
        try {
            for (const auto& formatter : Formatters_)
                if (formatter->Active) text = formatter->ApplyTags(std::move(text));
        } catch (...) {
            if (!failure) failure = std::current_exception();
            continue;
        }
        if (label->text() == Blank) wasBlank = true;
        label->setText(QString::fromStdString(text));
        Captions_[i] = std::move(text);
    }
    if (wasBlank) SetSize();
    Call(Hooks_.TrayRedraw);
    Call(Hooks_.KeepZOrder);
    if (failure) std::rethrow_exception(failure);
}

void TDisplayLayout::AdjustToScreen() {
    if (!ScreenAdjust.Enabled || !DesktopGeometry_) return;
    const TDesktopGeometry desktop = DesktopGeometry_();
    // The place, not where a window manager may have pulled part of the window to.
    const QPoint place = Place_->Position();
    const TWindowRect before{place.x(), place.y(), Window_->width(), Window_->height()};
    const TWindowRect after =
        AdjustToDesktop(ScreenAdjust, before, {desktop.Virtual.width(), desktop.Virtual.height()},
                        {desktop.WorkArea.width(), desktop.WorkArea.height()});
    if (after == before) return;
    Place_->MoveTo({after.Left, after.Top});
    if (RightEdge_) RightEdge_ = RightEdge();
}

namespace {
TWindowRect DesktopRect(const std::function<TDesktopGeometry()>& geometry) {
    if (!geometry) return {};
    const QRect desktop = geometry().Virtual;
    return {desktop.left(), desktop.top(), desktop.width(), desktop.height()};
}
} // namespace

QSize TDisplayLayout::SizeWithinDesktop(QSize size) const {
    const TDesktopSize fitted =
        FitSize({size.width(), size.height()}, DesktopRect(DesktopGeometry_));
    return {fitted.Width, fitted.Height};
}

void TDisplayLayout::MoveWithinDesktop(QPoint place) {
    Place_->MoveTo(place);
    AdjustToScreen();
    const QPoint now = Place_->Position();
    const TWindowRect fitted = FitPlace({now.x(), now.y(), Window_->width(), Window_->height()},
                                        DesktopRect(DesktopGeometry_));
    Place_->MoveTo({fitted.Left, fitted.Top});
}

int TDisplayLayout::RightEdge() const {
    return Place_->Position().x() + Window_->width();
}

void TDisplayLayout::SetSize() {
    LogAdd("SetSize");
    const int right = RightEdge_.value_or(RightEdge());
    int y = 2;
    const int pitch = Labels_.empty() ? 0 : Labels_.front()->CurHeight();
    int widest = 0;
    for (TFmtLabel* label : Labels_) {
        label->move(label->x(), y);
        widest = std::max(widest, label->width() + 4);
        y += pitch;
    }
    if (!AutoSize) return;
    Window_->resize(widest + 2, y);
    if (Alignment_ == 1) Place_->MoveTo({right - Window_->width(), Place_->Position().y()});
}

void TDisplayLayout::SetAlgn(TFmtLabel* label) {
    LogAdd("SetAlgn");
    label->SetAlignDir(Alignment_);
    if (Alignment_ == 0) {
        label->move(1, label->y());
        if (DragHandle_)
            DragHandle_->move(Window_->width() - DragHandle_->width(), DragHandle_->y());
    } else if (Alignment_ == 1) {
        label->move(Window_->width() - label->width() - 2, label->y());
        if (DragHandle_) DragHandle_->move(0, DragHandle_->y());
    }
}

void TDisplayLayout::FollowLink(TFmtLabel* label) {
    LogAdd("FollowLink");
    if (!label) return;
    const std::string name = label->objectName().toStdString();
    std::string target, param;
    for (const std::string& entry : LinkTable_) {
        const TLinkEntry link = SplitLinkEntry(entry);
        if (link.LabelName != name) continue;
        TFollowResult result = ResolveLink(link.Link);
        if (!result.Message.empty()) {
            if (Hooks_.ShowMessage) Hooks_.ShowMessage(result.Message);
            return;
        }
        target = std::move(result.Target);
        param = link.Param;
    }
    if (target.empty()) return;
    LogAdd("External Execute (" + target + " \"" + param + "\")");
    std::string error;
    if (!platform::ShellOpen(target, param, WorkingFolderOf(target), &error) && Hooks_.ShowMessage)
        Hooks_.ShowMessage("Unable to follow link - " + error);
}

void TDisplayLayout::LaunchExplorer(TFmtLabel* label) {
    LogAdd("LaunchExplorer");
    if (!label) return;
    const auto letter = DriveLetterOfLine(label->FormatLine);
    if (!letter) return;
    platform::TDriveMap drives;
    const std::string overrides =
        Settings_.ValueExists("DriveMap") ? Settings_.ReadString("DriveMap") : std::string();
    // A malformed override item is left out; the other letters still open.
    (void)drives.Refresh(overrides);
    const auto mountPoint = drives.MountPoint(*letter);
    if (!mountPoint) return;
    std::string error;
    if (!platform::ShellOpen(*mountPoint, {}, {}, &error) && Hooks_.ShowMessage)
        Hooks_.ShowMessage("Unable to open drive " + std::string(1, *letter) + ": - " + error);
}

} // namespace keltrix
