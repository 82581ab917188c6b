// The bound controls: what they show, when they write back, and what a violated limit does.

#include "settings/xml_controls.h"
#include "xml_test_util.h"

#include <QApplication>
#include <QFocusEvent>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

namespace keltrix {
namespace {

using testing::ReadAll;
using testing::TTempDir;
using testing::TXMLFixtureOwner;

void Leave(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w, &out);
}

// A window holding the widgets one below the other, shown and active so that focus moves.
void ShowColumn(QWidget& window, std::initializer_list<QWidget*> widgets) {
    auto* layout = new QVBoxLayout(&window);
    for (QWidget* w : widgets) layout->addWidget(w);
    window.show();
    QApplication::setActiveWindow(&window);
}

struct Controls : ::testing::Test {
    TTempDir Dir;
    std::string File = Dir.File("config.xml");
    TXMLFixtureOwner Owner{File};
    bool Stored(const std::string& element) {
        return ReadAll(File).find(element) != std::string::npos;
    }
};

TEST_F(Controls, AnEditShowsItsValueWritesOnLeavingAndShowsTheCorrectedText) {
    TXMLValueStr name(&Owner, "Name");
    name.Default = "start";
    name.MaxStrLength = 3;
    name.RaiseMinMaxException = false;
    TXMLEdit edit;
    edit.SetXMLLink(&name);
    EXPECT_EQ(edit.text(), "sta"); // the default, within the limit
    edit.setText("abcdef");
    EXPECT_FALSE(Stored("<Name>"));
    Leave(&edit);
    EXPECT_TRUE(Stored("<Name>abc</Name>"));
    EXPECT_EQ(edit.text(), "abc");
    name.SetAsText("xyz");
    EXPECT_EQ(edit.text(), "xyz");
}

TEST_F(Controls, AFocusedEditKeepsWhatTheUserTypes) {
    TXMLValueStr name(&Owner, "Name");
    QWidget window;
    auto* edit = new TXMLEdit(&window);
    auto* other = new TXMLEdit(&window);
    edit->SetXMLLink(&name);
    ShowColumn(window, {edit, other});
    edit->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(edit->hasFocus());
    edit->setText("typing");
    name.SetAsText("from elsewhere");
    EXPECT_EQ(edit->text(), "typing");
    other->setFocus(); // leaving it stores the typed text
    QApplication::processEvents();
    EXPECT_TRUE(Stored("<Name>typing</Name>"));
}

TEST_F(Controls, ASpinEditAndATrackBarWriteTheirNumbersOnLeaving) {
    TXMLValueInt count(&Owner, "Count");
    count.Default = 12;
    TXMLSpinEdit spin;
    spin.SetXMLLink(&count);
    EXPECT_EQ(spin.value(), 12);
    spin.setValue(-40000); // no limits of its own
    Leave(&spin);
    EXPECT_TRUE(Stored("<Count>-40000</Count>"));

    TXMLValueInt level(&Owner, "Level");
    level.Default = 7;
    TXMLTrackBar bar;
    bar.setRange(0, 10);
    bar.SetXMLLink(&level);
    EXPECT_EQ(bar.value(), 7);
    bar.setValue(3);
    EXPECT_FALSE(Stored("<Level>"));
    Leave(&bar);
    EXPECT_TRUE(Stored("<Level>3</Level>"));
    count.SetAsInteger(5);
    EXPECT_EQ(spin.value(), 5);
}

TEST_F(Controls, ACheckBoxWritesAtEveryClick) {
    TXMLValueBool flag(&Owner, "Flag");
    TXMLCheckBox box;
    box.SetXMLLink(&flag);
    EXPECT_FALSE(box.isChecked());
    box.click();
    EXPECT_TRUE(Stored("<Flag>True</Flag>"));
    box.click();
    EXPECT_TRUE(Stored("<Flag>False</Flag>"));
    flag.SetAsBoolean(true);
    EXPECT_TRUE(box.isChecked());
}

TEST_F(Controls, ARadioGroupFindsItsTextOrIndexAndWritesWhenLeftAsAWhole) {
    TXMLValueStr choice(&Owner, "Choice");
    QWidget window;
    auto* group = new TXMLRadioGroup(&window);
    auto* after = new TXMLEdit(&window);
    group->SetItems({"Alpha", "Beta", "Gamma"});
    choice.SetAsText("beta"); // items match in any letter case
    group->SetXMLLink(&choice);
    EXPECT_EQ(group->ItemIndex(), 1);
    choice.SetAsText("Delta");
    EXPECT_EQ(group->ItemIndex(), -1);

    ShowColumn(window, {group, after});
    auto buttons = group->findChildren<QRadioButton*>();
    ASSERT_EQ(buttons.size(), 3);
    buttons[0]->setFocus();
    buttons[0]->setChecked(true);
    buttons[2]->setFocus(); // moving inside the group stores nothing
    buttons[2]->setChecked(true);
    QApplication::processEvents();
    EXPECT_TRUE(Stored("<Choice>Delta</Choice>"));
    after->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(Stored("<Choice>Gamma</Choice>"));

    TXMLValueInt index(&Owner, "Index");
    index.SetAsInteger(2);
    TXMLRadioGroup byIndex;
    byIndex.SaveIndexAsInt = true;
    byIndex.SetItems({"a", "b", "c"});
    byIndex.SetXMLLink(&index);
    EXPECT_EQ(byIndex.ItemIndex(), 2);
    byIndex.SetItemIndex(0);
    Leave(byIndex.findChildren<QRadioButton*>()[0]);
    EXPECT_TRUE(Stored("<Index>0</Index>"));
}

TEST_F(Controls, AViolatedLimitReachesTheCallerAndTheValueStays) {
    TXMLValueInt level(&Owner, "Level");
    level.MaxInt = 255;
    level.SetAsInteger(100);
    TXMLSpinEdit spin;
    spin.SetXMLLink(&level);
    spin.setValue(300);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    EXPECT_THROW(QApplication::sendEvent(&spin, &out), EXMLValueViolation);
    EXPECT_TRUE(Stored("<Level>100</Level>"));
}

TEST_F(Controls, EitherEndOfALinkMayGoFirst) {
    auto value = std::make_unique<TXMLValueStr>(&Owner, "Value");
    auto edit = std::make_unique<TXMLEdit>();
    edit->SetXMLLink(value.get());
    edit.reset();
    value->SetAsText("after the control"); // no refresh of a control that is gone
    edit = std::make_unique<TXMLEdit>();
    edit->SetXMLLink(value.get());
    value.reset();
    EXPECT_EQ(edit->XMLLink(), nullptr);
    Leave(edit.get());
}

} // namespace
} // namespace keltrix
