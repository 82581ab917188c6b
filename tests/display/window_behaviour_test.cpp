// The Layout submenu's commands on a real (offscreen) window, with the user's answers given
// through the prompt functions.
#include "display/drag_handle.h"
#include "display/window_behaviour.h"
#include "display_fixture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

#include <deque>

using namespace keltrix;

namespace {

class Behaviour : public displaytest::DisplayFixture {
protected:
    Behaviour() {
        TPrompts prompts;
        prompts.InputQuery = [this](const std::string& title, const std::string& prompt,
                                    const std::string& initial) {
            Asked.push_back(title + "|" + prompt + "|" + initial);
            HeldWhileAsked.push_back(!Window_->NoDialogOpen());
            auto answer = Answers.empty() ? std::nullopt : Answers.front();
            if (!Answers.empty()) Answers.pop_front();
            return answer;
        };
        prompts.AskWarningYesNo = [this](const std::string& text) {
            Questions.push_back(text);
            return SayYes;
        };
        prompts.Warning = [this](const std::string& text) { Warnings.push_back(text); };
        prompts.ChooseFont = [this](const TFontChoice& initial,
                                    const std::function<void(const TFontChoice&)>& apply) {
            return FontDialog(initial, apply);
        };
        TWindowBehaviourHooks hooks;
        hooks.Suspend = [this] { Calls += "s"; };
        hooks.Resume = [this] { Calls += "r"; };
        hooks.FormatEditorVisible = [this] { return EditorVisible; };
        hooks.ShowMessage = [this](const std::string& text) { Messages.push_back(text); };
        Window_ = std::make_unique<TWindowBehaviour>(&Window, Layout, Settings, hooks, prompts);
    }

    void Answer(std::initializer_list<std::optional<std::string>> answers) {
        Answers.assign(answers.begin(), answers.end());
    }
    QColor WindowColour() const { return Window.palette().color(QPalette::Window); }
    void Press(QWidget* widget, QPoint at, QPoint moveBy) {
        const QPoint global = widget->mapToGlobal(at);
        auto send = [widget](QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons b) {
            QMouseEvent event(type, local, global, Qt::LeftButton, b, Qt::NoModifier);
            QCoreApplication::sendEvent(widget, &event);
        };
        send(QEvent::MouseButtonPress, at, global, Qt::LeftButton);
        send(QEvent::MouseMove, at + moveBy, global + moveBy, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, at + moveBy, global + moveBy, Qt::NoButton);
    }

    std::unique_ptr<TWindowBehaviour> Window_;
    std::deque<std::optional<std::string>> Answers;
    std::vector<std::string> Asked, Questions, Warnings;
    std::vector<bool> HeldWhileAsked;
    bool SayYes = false;
    bool EditorVisible = false;
    std::function<std::optional<TFontChoice>(const TFontChoice&,
                                             const std::function<void(const TFontChoice&)>&)>
        FontDialog = [](const TFontChoice&, const auto&) { return std::nullopt; };
};

const TColor Navy = RGBColor(0, 0, 128);
const TColor Orange = RGBColor(255, 128, 0);

} // namespace

TEST_F(Behaviour, MenuHoldsTheCommandsAndItsTogglesFlipOnce) {
    QMenu menu;
    Window_->FillLayoutMenu(&menu);
    QStringList captions;
    for (QAction* action : menu.actions())
        captions << (action->isSeparator() ? "-" : action->text());
    EXPECT_EQ(
        captions,
        (QStringList{"Ali&gn", "&Font", "-", "Background Color", "&Transparent Background", "-",
                     "Always &On Top", "Degree of &Alpha Transparency", "Loc&k Placement",
                     "&Pin To Desktop", "Show Dragging Handle", "-", "Set &Width and Height"}));
    QMenu* align = menu.actions().front()->menu();
    ASSERT_NE(align, nullptr);
    QStringList items;
    for (QAction* action : align->actions())
        items << action->text() + QString::number(action->data().toInt());
    EXPECT_EQ(items, (QStringList{"Left0", "Center2", "Right1"}));

    Window_->Transperant1->trigger();
    EXPECT_TRUE(Window_->Transperant1->isChecked());
    EXPECT_EQ(Settings.ReadInteger("Trans"), 1);
    Window_->LockPosition1->trigger();
    EXPECT_TRUE(Window_->LockPosition1->isChecked());
}

TEST_F(Behaviour, ColourPromptTakesNamesAndHexAndRefusesTheRest) {
    Answer({"Navy"});
    Window_->Color1Click();
    EXPECT_EQ(Asked.at(0), "Color Selection|Enter an English name (Red), or a value in Hex "
                           "prefaced with a $|White");
    EXPECT_EQ(HeldWhileAsked, std::vector<bool>{true});
    EXPECT_TRUE(Window_->NoDialogOpen());
    EXPECT_EQ(Calls, "sr");
    EXPECT_EQ(Settings.ReadInteger("BGColor"), static_cast<std::int32_t>(Navy));
    EXPECT_EQ(Settings.ReadInteger("UseFileNameAsBackground"), 0);
    EXPECT_EQ(WindowColour(), QColor(0, 0, 128));

    Answer({"$FF8000"});
    Window_->Color1Click();
    EXPECT_EQ(Asked.at(1).substr(Asked.at(1).rfind('|')), "|Navy");
    EXPECT_EQ(Window_->WindowColor(), Orange);

    // Transparency goes until the next start; the stored value stays.
    Window_->Transperant1Click();
    Answer({"Foo"});
    Window_->Color1Click();
    EXPECT_EQ(Warnings, std::vector<std::string>{"Foo is not a valid color."});
    EXPECT_FALSE(Window_->Transperant1->isChecked());
    EXPECT_EQ(Settings.ReadInteger("Trans"), 1);
    EXPECT_EQ(Window_->WindowColor(), Orange);
    EXPECT_EQ(Settings.ReadInteger("BGColor"), static_cast<std::int32_t>(Orange));

    Answer({std::nullopt});
    Window_->Color1Click();
    EXPECT_EQ(Window_->WindowColor(), Orange);
    EXPECT_TRUE(Window_->NoDialogOpen());
}

TEST_F(Behaviour, FontOnTheWindowColourTurnsTheWindowGreyOrSilverAndAsks) {
    Layout.SetFromString("x");
    TFontSettings font = Window_->FontSettings();
    font.Color = clWhite;
    Window_->SetFontSettings(font);
    Window_->Setfont();
    EXPECT_EQ(Window_->WindowColor(), clGray);
    EXPECT_TRUE(Questions.empty());

    font.Color = clBlack;
    Window_->SetFontSettings(font);
    Window_->SetWindowColor(clBlack);
    Window_->Setfont();
    EXPECT_EQ(Window_->WindowColor(), clSilver);

    // Grey weighs exactly 1024: the window stays grey and the user is asked.
    font.Color = clGray;
    Window_->SetFontSettings(font);
    Window_->SetWindowColor(clGray);
    SayYes = true;
    Answer({"White"});
    Window_->Setfont();
    EXPECT_EQ(Questions, std::vector<std::string>{TWindowBehaviour::IdenticalColorsQuestion});
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].substr(0, 15), "Color Selection");
    EXPECT_EQ(Window_->WindowColor(), clWhite);
    EXPECT_EQ(Label(0)->FontColor(), clGray);

    Window_->SetWindowColor(clGray);
    Window_->Transperant1Click();
    Window_->Setfont();
    EXPECT_EQ(Questions.size(), 1u);
    EXPECT_TRUE(Layout.AutoSize);
}

TEST_F(Behaviour, FontDialogAppliesAtOnceAndStoresOnOk) {
    Layout.SetFromString("x");
    FontDialog = [](const TFontChoice& initial, const auto& apply) {
        TFontChoice applied{initial.Font, RGBColor(255, 0, 0)};
        applied.Font.setBold(true);
        apply(applied);
        QFont chosen("DejaVu Serif", 12);
        chosen.setItalic(true);
        return std::optional<TFontChoice>(TFontChoice{chosen, Navy});
    };
    Window_->Font1Click();
    EXPECT_EQ(Settings.ReadString("FontName"), "DejaVu Serif");
    EXPECT_EQ(Settings.ReadInteger("FontSize"), 12);
    EXPECT_EQ(Settings.ReadInteger("FontColor"), static_cast<std::int32_t>(Navy));
    std::uint8_t style = 0;
    Settings.ReadBinaryData("FontStyle", &style, 1);
    EXPECT_EQ(style, 2);
    EXPECT_TRUE(Label(0)->font().italic());
    EXPECT_EQ(Label(0)->FontColor(), Navy);
    EXPECT_EQ(Calls.substr(Calls.size() - 2), "sr");

    // Cancel keeps what Apply showed, without storing it.
    FontDialog = [](const TFontChoice& initial, const auto& apply) {
        apply({initial.Font, clBlack});
        return std::optional<TFontChoice>();
    };
    Window_->Font1Click();
    EXPECT_EQ(Label(0)->FontColor(), clBlack);
    EXPECT_EQ(Settings.ReadInteger("FontColor"), static_cast<std::int32_t>(Navy));
}

TEST_F(Behaviour, AlphaPromptTakesDigitsUpTo255AndSwitchesTransparencyOn) {
    Window_->SetAlpha(128);
    Window_->SetTrans();
    EXPECT_DOUBLE_EQ(Window.windowOpacity(), 1.0);

    Answer({" 100 "});
    Window_->DegreeofTransparency1Click();
    EXPECT_EQ(Asked[0], "Alpha Transparency|Value between 0-255, with 0 invisible and 255 all "
                        "visible|128");
    EXPECT_EQ(Window_->Alpha(), 100);
    EXPECT_EQ(Settings.ReadInteger("Alpha"), 100);
    EXPECT_TRUE(Window_->Transperant1->isChecked());
    EXPECT_FALSE(Settings.ValueExists("Trans"));
    EXPECT_NEAR(Window.windowOpacity(), 100 / 255.0, 0.01);

    Answer({"1e2"});
    Window_->DegreeofTransparency1Click();
    Answer({"300"});
    EXPECT_THROW(Window_->DegreeofTransparency1Click(), ERangeError);
    EXPECT_EQ(Window_->Alpha(), 100);
    EXPECT_EQ(Settings.ReadInteger("Alpha"), 100);
    EXPECT_TRUE(Window_->NoDialogOpen());
}

TEST_F(Behaviour, OnTopAndPinnedExcludeEachOtherAndPinningWaitsForDialogs) {
    Window.show();
    const QRect geometry = Window.geometry();
    Window_->AlwaysOnTop1Click();
    EXPECT_TRUE(Window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Window.geometry(), geometry);
    EXPECT_EQ(Settings.ReadInteger("AOT"), 1);

    Window_->PinToDesktopClick();
    EXPECT_FALSE(Window_->AlwaysOnTop1->isChecked());
    EXPECT_EQ(Settings.ReadInteger("AOT"), 0);
    EXPECT_EQ(Settings.ReadInteger("PinToDesktop"), 1);
    EditorVisible = true;
    Window_->OverrideShowDesktop();
    EXPECT_TRUE(Window.windowFlags() & Qt::WindowStaysOnTopHint);
    EditorVisible = false;
    Layout.RefreshScreen(); // ends with the z-order step
    EXPECT_FALSE(Window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(Window.windowFlags() & Qt::WindowStaysOnBottomHint);
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Window.geometry(), geometry);

    Window_->AlwaysOnTop1Click();
    EXPECT_FALSE(Window_->PinToDesktop1->isChecked());
    EXPECT_EQ(Settings.ReadInteger("PinToDesktop"), 0);
    EXPECT_FALSE(Window.windowFlags() & Qt::WindowStaysOnBottomHint);
    EXPECT_TRUE(Window.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(Behaviour, LockAndHandleExcludeEachOther) {
    Window.show();
    Window_->ShowDraggingHandle1Click();
    EXPECT_EQ(Settings.ReadInteger("ShowDraggingHandle"), 1);
    EXPECT_TRUE(Window_->DragHandle()->Shown());
    Window_->LockPosition1Click();
    EXPECT_FALSE(Window_->ShowDraggingHandle1->isChecked());
    EXPECT_FALSE(Window_->DragHandle()->Shown());
    EXPECT_EQ(Settings.ReadInteger("LockForm"), 1);
    EXPECT_EQ(Settings.ReadInteger("ShowDraggingHandle"), 0);
    Window_->ShowDraggingHandle1Click();
    EXPECT_FALSE(Window_->LockPosition1->isChecked());
    EXPECT_EQ(Settings.ReadInteger("LockForm"), 0);
    // Left alignment keeps the handle in the top right corner.
    Window.resize(200, 50);
    EXPECT_EQ(Window_->DragHandle()->pos(), QPoint(180, 0));
}

TEST_F(Behaviour, SizePromptsFixTheSizeOnlyWhenTheHeightIsGiven) {
    Answer({"abc", std::nullopt});
    Window_->SetFormWidth1Click();
    EXPECT_EQ(Window.size(), QSize(120, 206));
    EXPECT_TRUE(Layout.AutoSize);
    Answer({"300", std::nullopt});
    Window_->SetFormWidth1Click();
    EXPECT_EQ(Window.width(), 300);
    EXPECT_TRUE(Layout.AutoSize);
    Answer({std::nullopt, "150"});
    Window_->SetFormWidth1Click();
    EXPECT_EQ(Window.size(), QSize(300, 150));
    EXPECT_FALSE(Layout.AutoSize);
    EXPECT_EQ(Asked[1], "Form Height|Enter desired Height in pixels|206");
    EXPECT_EQ(Calls, "srsrsr");
}

TEST_F(Behaviour, TheBodyDragsTheWindowUnlessLockedOrOverAnOpaqueLine) {
    Layout.SetFromString("some text");
    Window.show();
    const QPoint start = Window.pos();
    Press(&Window, QPoint(60, 150), QPoint(30, 20));
    EXPECT_EQ(Window.pos(), start + QPoint(30, 20));

    Press(Label(0), QPoint(2, 2), QPoint(10, 10));
    EXPECT_EQ(Window.pos(), start + QPoint(30, 20));
    Window_->Transperant1Click();
    Press(Label(0), QPoint(2, 2), QPoint(10, 10));
    EXPECT_EQ(Window.pos(), start + QPoint(40, 30));

    Window_->LockPosition1Click();
    Press(&Window, QPoint(60, 150), QPoint(30, 20));
    Press(Label(0), QPoint(2, 2), QPoint(10, 10));
    EXPECT_EQ(Window.pos(), start + QPoint(40, 30));
}

TEST_F(Behaviour, TransparencyCutsAwayExactlyTheWindowColour) {
    Layout.SetFromString("WWWW");
    TFontSettings font = Window_->FontSettings();
    font.Color = clBlack;
    Window_->SetFontSettings(font);
    Window.resize(200, 60);
    Window_->Transperant1Click();
    const QImage shown = Window.grab().toImage();
    const QRegion mask = Window_->KeyShape();
    ASSERT_FALSE(mask.isEmpty());
    int text = 0, cut = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const bool key = shown.pixel(x, y) == qRgb(255, 255, 255);
            EXPECT_EQ(mask.contains(QPoint(x, y)), !key) << x << "," << y;
            (key ? cut : text) += 1;
        }
    EXPECT_GT(text, 0);
    EXPECT_GT(cut, text);

    // New text gets its shape with the repaint that draws it.
    Window.show();
    Layout.SetFromString("WWWW WWWW WWWW");
    QCoreApplication::processEvents();
    EXPECT_GT(Window_->KeyShape().boundingRect().width(), mask.boundingRect().width() * 2);

    Window_->Transperant1Click();
    EXPECT_TRUE(Window_->KeyShape().isEmpty());
    EXPECT_TRUE(Window.mask().isEmpty()) << "Qt's mask would clip the painting";
}

TEST_F(Behaviour, StartUpAppliesStoredValuesAndWritesFontDefaults) {
    Settings.WriteInteger("Alpha", 100);
    Settings.WriteInteger("AOT", 1);
    Settings.WriteInteger("Trans", 1);
    Window_->LoadAppearance();
    EXPECT_TRUE(Window_->AlwaysOnTop1->isChecked());
    EXPECT_TRUE(Window_->Transperant1->isChecked());
    EXPECT_NEAR(Window.windowOpacity(), 100 / 255.0, 0.01);

    Window_->LoadFont();
    EXPECT_EQ(Settings.ReadString("FontName"), "MS Sans Serif");
    EXPECT_EQ(Settings.ReadInteger("FontColor"), 32768);
    EXPECT_EQ(Settings.ReadInteger("FontSize"), 8);

    Settings.WriteInteger("Align", 1);
    Window_->LoadAlign();
    EXPECT_TRUE(Window_->Right1->isChecked());
    EXPECT_EQ(Layout.Alignment(), 1);
}

TEST_F(Behaviour, AlignmentRerendersSoPaddingChangesSides) {
    Layout.SetFormatString("<NAME=CompName SIZE=10>");
    Window_->Center1Click(1);
    EXPECT_EQ(Settings.ReadInteger("Align"), 1);
    EXPECT_TRUE(Window_->Right1->isChecked());
    EXPECT_EQ(Layout.Captions(), std::vector<std::string>{"       abc"});
    EXPECT_EQ(Label(0)->AlignDir(), 1);
    Window_->Center1Click(0);
    EXPECT_TRUE(Window_->Left1->isChecked());
    EXPECT_EQ(Layout.Captions(), std::vector<std::string>{"abc       "});
}
