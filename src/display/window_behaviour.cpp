// Construction, the menu, and the commands that only change settings and placement: alignment,
// placement lock and dragging handle, alpha, the fixed size, and start-up and exit values.
// Appearance (font, colour, picture, transparency) and the z-order and dragging live beside.

#include "display/window_behaviour.h"

#include "base/smartlog.h"
#include "display/display_layout.h"
#include "display/drag_handle.h"
#include "display/layout_text.h"
#include "display/qab_label.h"
#include "display/window_place.h"
#include "settings/registry_store.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QWidget>

#include <algorithm>

namespace keltrix {

TWindowBehaviour::TWindowBehaviour(QWidget* window, TDisplayLayout& layout,
                                   TRegistryStore& settings, TWindowBehaviourHooks hooks)
    : TWindowBehaviour(window, layout, settings, std::move(hooks), QtPrompts(window)) {}

TWindowBehaviour::TWindowBehaviour(QWidget* window, TDisplayLayout& layout,
                                   TRegistryStore& settings, TWindowBehaviourHooks hooks,
                                   TPrompts prompts)
    : Window_(window), Layout_(layout), Settings_(settings), Hooks_(std::move(hooks)),
      Prompts_(std::move(prompts)) {
    CreateActions();
    // Changing the z-order band shows the window again: never take the focus for that.
    Window_->setAttribute(Qt::WA_ShowWithoutActivating);
    SetWindowColor(WindowColor_);
    Window_->setFont(ToQFont(Font_));
    Layout_.SetFontColor(Font_.Color);

    Handle_ = new TDragHandle(Window_);
    Handle_->setObjectName(QStringLiteral("DragHandle"));
    Handle_->setGeometry(0, 0, HandleSize, HandleSize);
    Handle_->show();
    SetDragImage();
    Layout_.SetDragHandle(Handle_);
    Layout_.Hooks().HideTaskbarButton = [this] { HideTaskbarButton(); };
    Layout_.Hooks().KeepZOrder = [this] { OverrideShowDesktop(); };

    Watch(Window_);
    for (QObject* child : Window_->children()) Watch(child);
}

TWindowBehaviour::~TWindowBehaviour() {
    Layout_.Hooks().HideTaskbarButton = nullptr;
    Layout_.Hooks().KeepZOrder = nullptr;
}

void TWindowBehaviour::CreateActions() {
    auto make = [this](const char* caption, bool checkable) {
        auto* action = new QAction(QString::fromUtf8(caption), this);
        action->setCheckable(checkable);
        return action;
    };
    AlignGroup_ = new QActionGroup(this);
    AlignGroup_->setExclusive(true);
    // Menu tags: Left 0, Center 2, Right 1.
    for (auto [action, caption, tag] :
         {std::tuple{&Left1, "Left", 0}, std::tuple{&Center1, "Center", 2},
          std::tuple{&Right1, "Right", 1}}) {
        *action = make(caption, true);
        (*action)->setData(tag);
        AlignGroup_->addAction(*action);
        connect(*action, &QAction::triggered, this, [this, tag = tag] { Center1Click(tag); });
    }
    Left1->setChecked(true);

    Font1 = make("&Font", false);
    connect(Font1, &QAction::triggered, this, [this] { Font1Click(); });
    Color1 = make("Background Color", false);
    connect(Color1, &QAction::triggered, this, [this] { Color1Click(); });
    Transperant1 = make("&Transparent Background", true);
    Toggle(Transperant1, &TWindowBehaviour::Transperant1Click);
    AlwaysOnTop1 = make("Always &On Top", true);
    Toggle(AlwaysOnTop1, &TWindowBehaviour::AlwaysOnTop1Click);
    DegreeofTransparency1 = make("Degree of &Alpha Transparency", false);
    connect(DegreeofTransparency1, &QAction::triggered, this,
            [this] { DegreeofTransparency1Click(); });
    LockPosition1 = make("Loc&k Placement", true);
    Toggle(LockPosition1, &TWindowBehaviour::LockPosition1Click);
    PinToDesktop1 = make("&Pin To Desktop", true);
    Toggle(PinToDesktop1, &TWindowBehaviour::PinToDesktopClick);
    ShowDraggingHandle1 = make("Show Dragging Handle", true);
    Toggle(ShowDraggingHandle1, &TWindowBehaviour::ShowDraggingHandle1Click);
    SetFormWidth1 = make("Set &Width and Height", false);
    connect(SetFormWidth1, &QAction::triggered, this, [this] { SetFormWidth1Click(); });
}

void TWindowBehaviour::Toggle(QAction* action, void (TWindowBehaviour::*command)()) {
    // Qt flips a checkable item before it reports the click; the commands flip it themselves.
    connect(action, &QAction::triggered, this, [this, action, command] {
        action->setChecked(!action->isChecked());
        (this->*command)();
    });
}

void TWindowBehaviour::FillLayoutMenu(QMenu* menu) {
    QMenu* align = menu->addMenu(QStringLiteral("Ali&gn"));
    align->addAction(Left1);
    align->addAction(Center1);
    align->addAction(Right1);
    menu->addAction(Font1);
    menu->addSeparator();
    menu->addAction(Color1);
    menu->addAction(Transperant1);
    // The tray icon's three items go here, between two separators.
    TrayItemsBefore = menu->addSeparator();
    for (QAction* action :
         {AlwaysOnTop1, DegreeofTransparency1, LockPosition1, PinToDesktop1, ShowDraggingHandle1})
        menu->addAction(action);
    menu->addSeparator();
    menu->addAction(SetFormWidth1);
}

void TWindowBehaviour::EnterDialog() {
    if (DialogDepth_++ == 0 && Hooks_.Suspend) Hooks_.Suspend();
}

void TWindowBehaviour::LeaveDialog() {
    if (--DialogDepth_ == 0 && Hooks_.Resume) Hooks_.Resume();
}

void TWindowBehaviour::Center1Click(int tag) {
    LogAdd("Center1Click");
    Layout_.SetAlignment(tag);
    for (QAction* action : AlignGroup_->actions())
        if (action->data().toInt() == tag) action->setChecked(true);
    Settings_.WriteInteger("Align", tag);
    for (TFmtLabel* label : Layout_.Labels()) Layout_.SetAlgn(label);
    // SIZE padding moves to the other side only when the tags are rendered again.
    for (auto& formatter : Layout_.Formatters())
        formatter->Alignment = static_cast<std::uint8_t>(tag);
    Layout_.ApplyFormatString();
}

void TWindowBehaviour::LockPosition1Click() {
    LogAdd("LockPosition1Click");
    LockPosition1->setChecked(!LockPosition1->isChecked());
    if (LockPosition1->isChecked() && ShowDraggingHandle1->isChecked()) ShowDraggingHandle1Click();
    Settings_.WriteBool("LockForm", LockPosition1->isChecked());
}

void TWindowBehaviour::ShowDraggingHandle1Click() {
    LogAdd("ShowDraggingHandle1Click");
    ShowDraggingHandle1->setChecked(!ShowDraggingHandle1->isChecked());
    Settings_.WriteBool("ShowDraggingHandle", ShowDraggingHandle1->isChecked());
    if (LockPosition1->isChecked() && ShowDraggingHandle1->isChecked()) LockPosition1Click();
    SetDragImage();
}

void TWindowBehaviour::SetDragImage() {
    LogAdd("SetDragImage");
    Handle_->SetShown(ShowDraggingHandle1->isChecked());
}

void TWindowBehaviour::PlaceHandle() {
    if (Layout_.Alignment() == 0)
        Handle_->move(Window_->width() - Handle_->width(), Handle_->y());
    else if (Layout_.Alignment() == 1)
        Handle_->move(0, Handle_->y());
}

void TWindowBehaviour::DegreeofTransparency1Click() {
    LogAdd("DegreeofTransparency1Click");
    std::optional<std::string> answer;
    {
        TDialogHold hold(*this);
        answer = Prompts_.InputQuery("Alpha Transparency",
                                     "Value between 0-255, with 0 invisible and 255 all visible",
                                     std::to_string(Alpha_));
    }
    if (!answer) return;
    const std::string text = TrimBlanks(*answer);
    if (!IsNum(text)) return;
    const std::int32_t alpha = StrToInt(text);
    if (alpha > 255) throw ERangeError("Range check error");
    Alpha_ = alpha;
    // Translucency shows only with transparency; switched on until the next start.
    if (!Transperant1->isChecked()) Transperant1->setChecked(true);
    SetTrans();
    Settings_.WriteInteger("Alpha", Alpha_);
}

void TWindowBehaviour::SetFormWidth1Click() {
    LogAdd("SetFormWidth1Click");
    TDialogHold hold(*this);
    if (auto width = Prompts_.InputQuery("Form Width", "Enter desired Width in pixels",
                                         std::to_string(Window_->width())))
        Window_->resize(
            Layout_.SizeWithinDesktop({StrToIntDef(*width, Window_->width()), Window_->height()}));
    if (auto height = Prompts_.InputQuery("Form Height", "Enter desired Height in pixels",
                                          std::to_string(Window_->height()))) {
        Window_->resize(
            Layout_.SizeWithinDesktop({Window_->width(), StrToIntDef(*height, Window_->height())}));
        Layout_.AutoSize = false;
    }
}

void TWindowBehaviour::LoadAppearance() {
    Alpha_ = Settings_.ValueExists("Alpha") ? Settings_.ReadInteger("Alpha") : 255;
    // Set to the opposite and toggled: the toggle applies and stores the value.
    if (Settings_.ValueExists("AOT")) {
        AlwaysOnTop1->setChecked(!Settings_.ReadBool("AOT"));
        AlwaysOnTop1Click();
    }
    if (Settings_.ValueExists("Trans")) {
        Transperant1->setChecked(!Settings_.ReadBool("Trans"));
        Transperant1Click();
    }
    SetBackDone();
    Window_->update();
}

void TWindowBehaviour::LoadFont() {
    // A name of another type is the user's, reported: kept, not replaced by the defaults.
    const bool named = Settings_.ValueExists("FontName");
    if (!named && !Settings_.ValueStored("FontName")) {
        const TFontSettings defaults{"MS Sans Serif", RGBColor(0, 128, 0), 8, 0, 0};
        Settings_.WriteString("FontName", defaults.Name);
        Settings_.WriteInteger("FontColor", static_cast<std::int32_t>(defaults.Color));
        Settings_.WriteInteger("FontSize", defaults.Size);
        Settings_.WriteInteger("FontPitch", defaults.Pitch);
        Settings_.WriteBinaryData("FontStyle", &defaults.Style, 1);
        return;
    }
    TFontSettings settings = Font_;
    if (named) settings.Name = Settings_.ReadString("FontName");
    if (Settings_.ValueExists("FontColor"))
        settings.Color = static_cast<TColor>(Settings_.ReadInteger("FontColor"));
    if (Settings_.ValueExists("FontSize")) settings.Size = Settings_.ReadInteger("FontSize");
    if (Settings_.ValueExists("FontPitch")) settings.Pitch = Settings_.ReadInteger("FontPitch");
    if (Settings_.ValueExists("FontStyle")) {
        std::uint8_t style = 0;
        Settings_.ReadBinaryData("FontStyle", &style, 1);
        settings.Style = style;
    }
    SetFontSettings(settings);
    Setfont();
}

void TWindowBehaviour::LoadPosition(bool writeMissing) {
    QPoint position = Layout_.Place().Position();
    if (Settings_.ValueExists("X"))
        position.setX(Settings_.ReadInteger("X"));
    else if (writeMissing && !Settings_.ValueStored("X"))
        Settings_.WriteInteger("X", position.x());
    if (Settings_.ValueExists("Y"))
        position.setY(Settings_.ReadInteger("Y"));
    else if (writeMissing && !Settings_.ValueStored("Y"))
        Settings_.WriteInteger("Y", position.y());
    Layout_.MoveWithinDesktop(position);
}

void TWindowBehaviour::LoadAlign() {
    if (!Settings_.ValueExists("Align")) return;
    const int tag = Settings_.ReadInteger("Align");
    Layout_.SetAlignment(tag);
    for (QAction* action : AlignGroup_->actions())
        if (action->data().toInt() == tag) action->setChecked(true);
    for (auto& formatter : Layout_.Formatters())
        formatter->Alignment = static_cast<std::uint8_t>(tag);
    PlaceHandle();
}

void TWindowBehaviour::LoadPlacement() {
    if (Settings_.ValueExists("PinToDesktop"))
        PinToDesktop1->setChecked(Settings_.ReadBool("PinToDesktop"));
    if (Settings_.ValueExists("UseWindowing")) UseWindowing = Settings_.ReadBool("UseWindowing");
    if (Settings_.ValueExists("ShowDraggingHandle"))
        ShowDraggingHandle1->setChecked(Settings_.ReadBool("ShowDraggingHandle"));
    SetDragImage();
    if (Settings_.ValueExists("LockForm"))
        LockPosition1->setChecked(Settings_.ReadBool("LockForm"));
}

void TWindowBehaviour::LoadSize() {
    const bool width = Settings_.ValueExists("W"), height = Settings_.ValueExists("H");
    if (!width && !height) return;
    Window_->resize(
        Layout_.SizeWithinDesktop({width ? Settings_.ReadInteger("W") : Window_->width(),
                                   height ? Settings_.ReadInteger("H") : Window_->height()}));
    Layout_.AutoSize = false;
}

void TWindowBehaviour::SaveToReg() {
    Settings_.WriteInteger("BGColor", static_cast<std::int32_t>(WindowColor_));
    Settings_.WriteBool("AOT", AlwaysOnTop1->isChecked());
    Settings_.WriteInteger("Alpha", Alpha_);
    Settings_.WriteBool("PinToDesktop", PinToDesktop1->isChecked());
    Settings_.WriteBool("Trans", Transperant1->isChecked());
    Settings_.WriteInteger("X", Layout_.Place().Position().x());
    Settings_.WriteInteger("Y", Layout_.Place().Position().y());
    Settings_.WriteBool("LockForm", LockPosition1->isChecked());
    Settings_.WriteInteger("H", Window_->height());
    Settings_.WriteInteger("W", Window_->width());
}

void TWindowBehaviour::SaveSizeAndPosition() {
    if (Layout_.AutoSize) {
        Settings_.DeleteValue("W");
        Settings_.DeleteValue("H");
    } else {
        Settings_.WriteInteger("W", Window_->width());
        Settings_.WriteInteger("H", Window_->height());
    }
    Settings_.WriteInteger("X", Layout_.Place().Position().x());
    Settings_.WriteInteger("Y", Layout_.Place().Position().y());
}

} // namespace keltrix
