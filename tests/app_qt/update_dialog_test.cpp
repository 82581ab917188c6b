// The "Update Settings" dialog's enabling rules and values, and the text Ctrl+C copies from a
// message box.
#include "app/message_copy.h"
#include "update/updatesettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace keltrix;

namespace {

// Enabled states of CheckBox2, CheckBox3, Edit1, Label1.
std::string States(const Tupddlg& d) {
    std::string s;
    for (const QWidget* w :
         {static_cast<const QWidget*>(d.CheckBox2), static_cast<const QWidget*>(d.CheckBox3),
          static_cast<const QWidget*>(d.Edit1), static_cast<const QWidget*>(d.Label1)})
        s += w->isEnabled() ? '1' : '0';
    return s;
}

TEST(UpdateSettingsDialog, DesignedTextsAndEnablingRules) {
    Tupddlg d;
    EXPECT_EQ(d.windowTitle(), "Update Settings");
    EXPECT_EQ(d.CheckBox1->text(), "&Enable Update");
    EXPECT_EQ(d.CheckBox2->text(), "&Check at startup");
    EXPECT_EQ(d.CheckBox3->text(), "&Poll every");
    EXPECT_EQ(d.Edit1->text(), "12");
    EXPECT_EQ(d.Label1->text(), "Day");
    EXPECT_EQ(d.Button1->text(), "&Ok");
    EXPECT_EQ(d.Button2->text(), "C&ancel");
    EXPECT_TRUE(d.Button1->isDefault());
    EXPECT_EQ(States(d), "0000") << "nothing checked";

    d.Fill(true, false, 0);
    EXPECT_EQ(d.Edit1->text(), "0");
    EXPECT_EQ(States(d), "1101") << "enabled, no poll: the edit box stays off, the label on";
    d.CheckBox3->click();
    EXPECT_EQ(States(d), "1111");
    d.CheckBox1->click(); // off: everything inside goes grey
    EXPECT_EQ(States(d), "0000");
    d.CheckBox1->click();
    EXPECT_EQ(States(d), "1111") << "the poll box kept its check";
    d.CheckBox3->click();
    EXPECT_EQ(States(d), "1101");

    d.Fill(false, true, 30);
    EXPECT_TRUE(d.CheckBox3->isChecked());
    EXPECT_EQ(d.Edit1->text(), "30");
    EXPECT_EQ(States(d), "0000");
}

TEST(UpdateSettingsDialog, ValuesReadOnOk) {
    Tupddlg d;
    d.Fill(true, true, 12);
    EXPECT_TRUE(d.UpdateEnabled());
    EXPECT_TRUE(d.CheckAtStartup());
    EXPECT_EQ(d.PollDays(), 12);
    d.Edit1->setText("65535");
    EXPECT_EQ(d.PollDays(), 65535);
    // Read when checked, even with the box disabled.
    d.CheckBox1->click();
    EXPECT_EQ(d.PollDays(), 65535);
    d.CheckBox1->click();
    d.CheckBox3->click();
    EXPECT_EQ(d.PollDays(), 0) << "unchecked poll box: no periodic check";
    d.CheckBox3->click();
    for (const char* bad : {"65536", "abc", "", "-1"}) {
        d.Edit1->setText(bad);
        EXPECT_FALSE(d.PollDays()) << bad;
    }
}

TEST(UpdateSettingsDialog, OkWithABadPeriodSaysSoAndStaysOpen) {
    Tupddlg d;
    d.Fill(true, false, 12);
    d.Edit1->setText("abc");
    d.show();
    QString told;
    QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                told = box->text();
                box->accept();
            }
    });
    d.Button1->click();
    EXPECT_EQ(told, "abc is not a number of days from 0 to 65535");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.result(), 0);
    d.Edit1->setText("7");
    d.Button1->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
}

TEST(MessageBoxCopy, CopiesTitleTextAndButtons) {
    QMessageBox box(QMessageBox::Information, "KeltrixBeta", "Update Found !!!\nLaunch Webpage ?",
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(TMessageBoxCopy::TextOf(box),
              "---------------------------\nKeltrixBeta\n---------------------------\n"
              "Update Found !!!\nLaunch Webpage ?\n---------------------------\n"
              "&Yes   &No   \n---------------------------\n");
    TMessageBoxCopy filter;
    qApp->installEventFilter(&filter);
    QApplication::clipboard()->clear();
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(box.buttons().front(), &copy);
    qApp->removeEventFilter(&filter);
    EXPECT_EQ(QApplication::clipboard()->text(), TMessageBoxCopy::TextOf(box));
}

} // namespace
