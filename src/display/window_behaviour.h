#pragma once
// The display window's appearance and placement and the commands of the menu's Layout
// submenu: alignment, font, background colour or picture, transparency and translucency,
// staying on top or pinned under every other window, dragging the window by its body, the
// dragging handle, the placement lock and a fixed size. Every change is stored at once.

#include "base/errors.h"
#include "display/background_image.h"
#include "display/colors.h"
#include "display/prompts.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRegion>

#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QActionGroup;
class QMenu;
class QMouseEvent;
class QWidget;

namespace keltrix {

class TDisplayLayout;
class TDragHandle;
class TRegistryStore;

struct TWindowBehaviourHooks {
    // Pause and restart the main timer around every prompt.
    std::function<void()> Suspend;
    std::function<void()> Resume;
    // The format editor holds off the pinning while it is shown.
    std::function<bool()> FormatEditorVisible;
    // Tells the user once that the background picture cannot be loaded.
    std::function<void(const std::string&)> ShowMessage;
};

// The text font as the settings keep it.
struct TFontSettings {
    std::string Name = "MS Sans Serif";
    TColor Color = clWindowText;
    std::int32_t Size = 8;  // points
    std::int32_t Pitch = 0; // 0 default, 1 variable, 2 fixed
    std::uint8_t Style = 0; // 1 bold, 2 italic, 4 underline, 8 strikeout
};
QFont ToQFont(const TFontSettings& settings);
// Name, size, style and pitch of font into settings; the colour stays.
void FromQFont(const QFont& font, TFontSettings& settings);

class TWindowBehaviour : public QObject {
public:
    static constexpr int HandleSize = 20;
    static constexpr const char* IdenticalColorsQuestion =
        "The background and font colors are identical. Would you like to set the background "
        "color to something else?";

    // Attaches to the layout: every refresh hides the taskbar button and keeps the z-order
    // through this object, and SetAlgn moves its dragging handle. Creates the handle on window.
    // The owner keeps it (no Qt parent) and destroys it before the layout.
    TWindowBehaviour(QWidget* window, TDisplayLayout& layout, TRegistryStore& settings,
                     TWindowBehaviourHooks hooks, TPrompts prompts);
    TWindowBehaviour(QWidget* window, TDisplayLayout& layout, TRegistryStore& settings,
                     TWindowBehaviourHooks hooks);
    ~TWindowBehaviour() override;

    // "Ali&gn" (Left, Center, Right), "&Font", "Background Color", "&Transparent Background",
    // "Always &On Top", "Degree of &Alpha Transparency", "Loc&k Placement", "&Pin To Desktop",
    // "Show Dragging Handle", "Set &Width and Height".
    void FillLayoutMenu(QMenu* menu);
    // The separator after which the tray icon's items stand in the Layout menu.
    QAction* TrayItemsBefore = nullptr;

    // Menu items, created with the object; the check marks are the settings' state.
    QAction* Left1 = nullptr;
    QAction* Center1 = nullptr;
    QAction* Right1 = nullptr;
    QAction* Font1 = nullptr;
    QAction* Color1 = nullptr;
    QAction* Transperant1 = nullptr; // checkable
    QAction* AlwaysOnTop1 = nullptr; // checkable
    QAction* DegreeofTransparency1 = nullptr;
    QAction* LockPosition1 = nullptr;       // checkable
    QAction* PinToDesktop1 = nullptr;       // checkable
    QAction* ShowDraggingHandle1 = nullptr; // checkable
    QAction* SetFormWidth1 = nullptr;

    // The commands. The toggles flip their own check mark, so they can be called directly.
    void Center1Click(int tag); // the three alignment items: Left 0, Right 1, Center 2
    void Font1Click();
    void FontDialog1Apply(const TFontChoice& choice);
    void Color1Click();
    void Transperant1Click();
    void AlwaysOnTop1Click();
    void DegreeofTransparency1Click();
    void LockPosition1Click();
    void PinToDesktopClick();
    void ShowDraggingHandle1Click();
    void SetFormWidth1Click();

    // Pushes the font to every label, keeps it readable on the window colour, sizes anew.
    void Setfont();
    // The colour key (window pixels of the window colour cut away) and the constant alpha.
    void SetTrans();
    void SetDragImage();
    // The background from the settings: picture or colour. Also runs on every paint.
    void SetBackDone();
    // The background from the settings at once. The reason when the stored picture cannot be
    // loaded (the window shows its colour): the caller tells the user, the paint does not.
    std::string LoadBackground();
    // The z-order step at the end of every refresh (pinning).
    void OverrideShowDesktop();
    // Every refresh and the private message 0x402.
    void HideTaskbarButton();

    // Start-up, in the order the main window calls them.
    void LoadAppearance();                // "Alpha", "AOT", "Trans", then the background
    void LoadFont();                      // the font values, or their defaults written
    void LoadPosition(bool writeMissing); // "X", "Y"
    void LoadAlign();                     // "Align" with its item
    void LoadPlacement(); // "PinToDesktop", "UseWindowing", "ShowDraggingHandle", "LockForm"
    void LoadSize();      // "W", "H" fix the size
    // Exit: the window values, then size (or its removal while auto-sizing) and position.
    void SaveToReg();
    void SaveSizeAndPosition();

    TColor WindowColor() const { return WindowColor_; }
    void SetWindowColor(TColor color);
    const TFontSettings& FontSettings() const { return Font_; }
    void SetFontSettings(const TFontSettings& settings); // window font and label colour, no Setfont
    int Alpha() const { return Alpha_; }
    void SetAlpha(int alpha) { Alpha_ = alpha; }
    bool UseWindowing = false;
    // False while one of the window's prompts is open; holds off the pinning.
    bool NoDialogOpen() const { return DialogDepth_ == 0; }
    TDragHandle* DragHandle() const { return Handle_; }
    // While transparent: the window's pixels that are not the window colour, in device pixels.
    const QRegion& KeyShape() const { return Shape_; }

    // Holds off the pinning and pauses the main timer while a prompt is open; prompts opened
    // from prompts (the colour question of Setfont) share the outer hold.
    class TDialogHold {
    public:
        explicit TDialogHold(TWindowBehaviour& owner) : Owner_(owner) { Owner_.EnterDialog(); }
        ~TDialogHold() { Owner_.LeaveDialog(); }
        TDialogHold(const TDialogHold&) = delete;
        TDialogHold& operator=(const TDialogHold&) = delete;

    private:
        TWindowBehaviour& Owner_;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TBand { Normal, Top, Bottom };
    void CreateActions();
    void Toggle(QAction* action, void (TWindowBehaviour::*command)());
    void EnterDialog();
    void LeaveDialog();
    void SetBand(TBand band);
    void PlaceHandle();
    void Watch(QObject* object);
    bool IsCaption(QPoint windowPos) const;
    bool MousePress(QWidget* widget, QMouseEvent* event);
    void PaintBackground();
    // The colour key (window_shape.cpp).
    QRegion ComputeShape();
    void ApplyShape(const QRegion& shape);
    void UpdateShape();
    void ScheduleShape();
    void ClearShape();
    bool RepaintWithShape(QEvent* updateRequest);
    void ShowImageFailure(const std::string& fileName, const std::string& why);

    QWidget* Window_;
    TDisplayLayout& Layout_;
    TRegistryStore& Settings_;
    TWindowBehaviourHooks Hooks_;
    TPrompts Prompts_;
    QActionGroup* AlignGroup_ = nullptr;
    TDragHandle* Handle_ = nullptr;

    TColor WindowColor_ = clWhite;
    TFontSettings Font_;
    int Alpha_ = 255;
    int DialogDepth_ = 0;

    // Moving by hand where the window manager cannot move the window itself.
    bool Dragging_ = false;
    QPoint DragFrom_;
    QPoint WindowFrom_;

    TBackgroundImage Background_;
    bool ShowPicture_ = false;
    std::string ReportedImage_;
    // The shape the window has, in device pixels; empty while not transparent.
    QRegion Shape_;
    WId ShapedWindow_ = 0; // the native window that has it
    bool ShapePending_ = false;
    bool Rendering_ = false;
};

} // namespace keltrix
