#pragma once
// The display window's lines: one markup label per line of the format string, re-rendered
// from the sample record on every refresh, stacked, aligned and clickable, and the window
// kept on a desktop that shrank.

#include "display/colors.h"
#include "display/layout_text.h"
#include "tags/formatters.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace keltrix {

class TDragHandle;
class TFmtLabel;
class TRegistryStore;
class TWindowPlace;

// What the main window does for the layout.
struct TDisplayLayoutHooks {
    // Pause and restart the main timer.
    std::function<void()> Suspend;
    std::function<void()> Resume;
    // Renders at once: a forced sample that ends in RefreshScreen, or on a client the record
    // request.
    std::function<void()> ForcedSample;
    // After each refresh; redraws the tray icon when it shows the processor usage.
    std::function<void()> TrayRedraw;
    // A modal message (the link failures).
    std::function<void(const std::string&)> ShowMessage;
    // Both are set by TWindowBehaviour when it attaches to the layout.
    std::function<void()> HideTaskbarButton;
    std::function<void()> KeepZOrder;
    // Held while the labels, their texts and the formatters' Active flags change (the web
    // service reads them from other threads); none in tests.
    std::recursive_mutex* ViewLock = nullptr;
};

// The virtual desktop and the primary screen's work area, in screen pixels.
struct TDesktopGeometry {
    QRect Virtual;
    QRect WorkArea;
};
TDesktopGeometry ScreenDesktopGeometry();

class TDisplayLayout {
public:
    TDisplayLayout(QWidget* window, TFormatterList& formatters, TRegistryStore& settings,
                   TDisplayLayoutHooks hooks);
    ~TDisplayLayout();
    TDisplayLayout(const TDisplayLayout&) = delete;
    TDisplayLayout& operator=(const TDisplayLayout&) = delete;

    // Rebuilds the labels and the link table and renders at once. Does not store the string,
    // nor make it the current one (the format editor's Preview shows a string it may drop).
    void SetFromString(const std::string& formatString);
    // Makes it the current format string and writes "FormatString".
    void SaveString(const std::string& formatString);
    // Shows the current format string again: after start-up has handed it over, after an
    // alignment change, a config set or the format editor's Apply.
    void ApplyFormatString() { SetFromString(FormatString_); }
    // Renders every label from the sample record; the end of every sampling cycle.
    void RefreshScreen();
    // Stacks the labels from top 2 at the first label's pitch and, while auto-sizing, sizes
    // the window around them (keeping its right edge with right alignment).
    void SetSize();
    void SetAlgn(TFmtLabel* label);
    // Click handlers of link lines and drive-space lines.
    void FollowLink(TFmtLabel* label);
    void LaunchExplorer(TFmtLabel* label);

    // The current format string: the layout is its one owner for the window's whole run.
    // Start-up hands over the stored one without writing it again.
    const std::string& FormatString() const { return FormatString_; }
    void SetFormatString(std::string formatString);

    // 0 left, 1 right, 2 centre: the window's, every label's and every formatter's.
    int Alignment() const { return Alignment_; }
    void SetAlignment(int alignment) { Alignment_ = alignment; }

    // The window takes its size from the text; off once the user fixed the size.
    bool AutoSize = true;
    // On unless "-noresmove" or "-noresize" switched it off.
    TScreenAdjust ScreenAdjust;

    // The font colour new labels take (the window's font gives the face).
    TColor FontColor() const { return FontColor_; }
    void SetFontColor(TColor color);

    // Where the window is meant to be: what the screen adjustment starts from and the exit
    // stores; moves of the window system that nobody asked for are undone.
    TWindowPlace& Place() { return *Place_; }

    // What the settings, a config set or a prompt ask for, limited to what the virtual desktop
    // holds. A place beyond the desktop's right or bottom edge is taken as the screen
    // adjustment takes it (remembered, for a desktop that grows again); the window then
    // stands whole on the desktop.
    QSize SizeWithinDesktop(QSize size) const;
    void MoveWithinDesktop(QPoint place);

    // The dragging handle follows the alignment (TWindowBehaviour gives it).
    void SetDragHandle(TDragHandle* handle);

    const std::vector<TFmtLabel*>& Labels() const { return Labels_; }
    // label name § link text § parameter, one per link line.
    const std::vector<std::string>& LinkTable() const { return LinkTable_; }
    // The captions of the last refresh, in line order. Written only by RefreshScreen: the
    // web service reads them under the view lock that is held around the refresh.
    const std::vector<std::string>& Captions() const { return Captions_; }

    TFormatterList& Formatters() { return Formatters_; }
    TDisplayLayoutHooks& Hooks() { return Hooks_; }
    // Tests give a fixed desktop.
    void SetDesktopGeometry(std::function<TDesktopGeometry()> geometry);

private:
    void ClearLabels();
    void AdjustToScreen();
    int RightEdge() const;

    QWidget* Window_;
    TFormatterList& Formatters_;
    TRegistryStore& Settings_;
    TDisplayLayoutHooks Hooks_;
    std::function<TDesktopGeometry()> DesktopGeometry_;
    std::unique_ptr<TWindowPlace> Place_;
    std::string FormatString_;
    std::vector<TFmtLabel*> Labels_;
    std::vector<std::string> LinkTable_;
    std::vector<std::string> Captions_;
    int Alignment_ = 0;
    TColor FontColor_ = clWindowText;
    QPointer<TDragHandle> DragHandle_;
    // The right edge before new captions widened the window (labels widen it as they take
    // their text, keeping the left edge): the edge a right-aligned window keeps.
    std::optional<int> RightEdge_;
};

} // namespace keltrix
