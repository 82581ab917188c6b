// The format editor on Qt's offscreen platform, over a real display layout and settings file.
#include "base/errors.h"
#include "editor_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>

#include <filesystem>

using namespace keltrix;
using keltrix::displaytest::ReadFile;
using keltrix::displaytest::WriteFile;

namespace {

class OptionForm : public editortest::EditorFixture {
protected:
    // Selects length characters from start in the text box.
    static void Select(TOptionForm& form, int start, int length) {
        QTextCursor cursor = form.Memo1->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        form.Memo1->setTextCursor(cursor);
    }
    static QString Clipboard() { return QApplication::clipboard()->text(); }
    std::string Stored(const char* name) {
        return Settings.ValueExists(name) ? Settings.ReadString(name) : "(none)";
    }
};

TEST_F(OptionForm, OpensWithTheTagsInFormatterOrderAndTheCurrentText) {
    const auto form = Editor();
    EXPECT_EQ(form->windowTitle(), "Options");
    EXPECT_EQ(form->size(), QSize(577, 574));
    EXPECT_EQ(form->Memo1->toPlainText(), "first\nsecond <NAME=CompName>");
    std::vector<std::string> titles;
    for (const auto& f : Formatters) f->GetTitles(titles);
    ASSERT_EQ(form->lbfmt->count(), static_cast<int>(titles.size()));
    for (int i = 0; i < form->lbfmt->count(); ++i)
        EXPECT_EQ(form->lbfmt->itemText(i).toStdString(), titles[static_cast<std::size_t>(i)]);
    EXPECT_EQ(titles.front(), "Temperature 1") << "the sensors' formatter comes first";
    EXPECT_EQ(form->lbfmt->currentIndex(), 0);
    EXPECT_EQ(form->meTag->text().toStdString(), Formatters[0]->GetDefaultUsage(titles[0]));
    EXPECT_TRUE(form->meTag->text().contains("<NAME=Temp1"));

    form->lbfmt->setCurrentIndex(form->lbfmt->findText("Computer Name"));
    EXPECT_EQ(form->meTag->text(), "<NAME=CompName>");
    EXPECT_TRUE(form->meDesc->toPlainText().contains("Default Usage String:\n<NAME=CompName>"));

    // The text box: fixed pitch at 10 points, no wrapping, both scroll bars.
    EXPECT_TRUE(QFontInfo(form->Memo1->font()).fixedPitch());
    EXPECT_EQ(form->Memo1->font().pointSize(), 10);
    EXPECT_EQ(form->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(form->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form->Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QStringList hints;
    for (QAction* action : form->ToolBar1->actions())
        hints << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
    EXPECT_EQ(hints.join('|'), "Bold Text|Italic text|Underline text|-|Shadow|-|Color");
    EXPECT_EQ(form->btnCancel->toolTip(), "Cancel any un-applied changes");
}

TEST_F(OptionForm, MarkupButtonsEncloseTheSelectionOrLeaveTheCaretBetween) {
    const auto form = Editor();
    form->Memo1->setPlainText("one two three");
    Select(*form, 4, 3);
    form->ToolButton1Click();
    EXPECT_EQ(form->Memo1->toPlainText(), "one <B>two</B> three");
    EXPECT_EQ(form->Memo1->textCursor().selectedText(), "two");
    EXPECT_EQ(form->Memo1->textCursor().selectionStart(), 7);
    EXPECT_EQ(Clipboard(), "<B>") << "the clipboard holds what was inserted last";

    Select(*form, 0, 0);
    form->ToolButton5Click();
    EXPECT_EQ(form->Memo1->toPlainText(), "<S></S>one <B>two</B> three");
    EXPECT_FALSE(form->Memo1->textCursor().hasSelection());
    EXPECT_EQ(form->Memo1->textCursor().position(), 3);
    EXPECT_EQ(Clipboard(), "<S></S>");

    // Add Tag replaces a selection with the tag.
    form->meTag->setText("<NAME=Threads>");
    Select(*form, 7, 3);
    form->Button1Click();
    EXPECT_EQ(form->Memo1->toPlainText(), "<S></S><NAME=Threads> <B>two</B> three");
    EXPECT_EQ(Clipboard(), "<NAME=Threads>");
}

TEST_F(OptionForm, ColorGivesANameOrTheHexDigits) {
    EXPECT_EQ(TOptionForm::ColorTag(RGBColor(255, 128, 0)), "<C:$FF8000>");
    EXPECT_EQ(TOptionForm::ColorTag(RGBColor(255, 0, 0)), "<C:Red>");
    EXPECT_EQ(TOptionForm::ColorTag(RGBColor(1, 2, 171)), "<C:$0102AB>");
    const auto form = Editor();
    form->Memo1->setPlainText("hot");
    Select(*form, 0, 3);
    ColorAnswer = RGBColor(255, 128, 0);
    form->ToolButton7Click();
    EXPECT_EQ(form->Memo1->toPlainText(), "<C:$FF8000>hot</C>");
    ColorAnswer.reset();
    form->ToolButton7Click();
    EXPECT_EQ(form->Memo1->toPlainText(), "<C:$FF8000>hot</C>") << "Cancel inserts nothing";
}

TEST_F(OptionForm, PreviewShowsAndApplyStores) {
    const auto form = Editor();
    form->Memo1->setPlainText("alpha\nbeta <NAME=CompName>");
    form->btnPreviewClick();
    ASSERT_EQ(Layout.Labels().size(), 2u);
    EXPECT_EQ(Label(1)->text(), "beta abc");
    EXPECT_EQ(Stored("FormatString"), "(none)") << "Preview stores nothing";
    EXPECT_EQ(Layout.FormatString(), "first\r\nsecond <NAME=CompName>");

    form->btnApplyClick();
    EXPECT_EQ(Stored("FormatString"), "alpha\r\nbeta <NAME=CompName>\r\n");
    EXPECT_EQ(Layout.FormatString(), Stored("FormatString"));
    // Opening again shows the same lines: the last line's CR LF adds no empty one.
    const auto again = Editor();
    EXPECT_EQ(again->Memo1->toPlainText(), "alpha\nbeta <NAME=CompName>");
    again->btnApplyClick();
    EXPECT_EQ(Stored("FormatString"), "alpha\r\nbeta <NAME=CompName>\r\n");
}

TEST_F(OptionForm, TheLineAtTheCaretIsRenderedWithUnknownTagsMarked) {
    const auto form = Editor();
    // The display measures nothing of the non-performance block: the line needs a sample.
    for (auto& f : Formatters) f->Active = false;
    form->Memo1->setPlainText("x\nHost <NAME=CompName> <NAME=Bogus>");
    form->Memo1->moveCursor(QTextCursor::End);
    WaitFor([] { return false; }, 700);
    EXPECT_EQ(Samples, 0) << "an unseen editor measures nothing";
    form->show();
    EXPECT_EQ(form->PreviewTitle->text(), "Line 2 as the display shows it:");
    EXPECT_EQ(form->PreviewLine->text(), "Host abc <C:Red><U><<>NAME=Bogus></U></C>");
    EXPECT_TRUE(form->PreviewLine->toolTip().contains("Bogus"));
    ASSERT_TRUE(WaitFor([&] { return Samples > 0; })) << "no sample for the preview";
    for (auto& f : Formatters) EXPECT_FALSE(f->Active) << "flags back as the display had them";
    form->Memo1->insertPlainText(" ");
    QCoreApplication::processEvents();
    WaitFor([] { return false; }, 700); // longer than the preview's delay
    EXPECT_EQ(Samples, 1) << "measured once for the dialog";
    form->Memo1->moveCursor(QTextCursor::Start);
    EXPECT_EQ(form->PreviewLine->text(), "x");
    EXPECT_TRUE(form->PreviewLine->toolTip().isEmpty());
}

TEST_F(OptionForm, ImportThenCancelRestoresAndImportThenOkKeeps) {
    Settings.WriteString("FontName", "DejaVu Sans");
    Settings.WriteInteger("Align", 0);
    Settings.WriteBool("AOT", false);
    Settings.WriteString("FormatString", "first\r\nsecond <NAME=CompName>\r\n");
    // Every value a set holds exists, as after any export: the whole file can be compared.
    Sets->PackSettingFile(Temp.File("before.kcfg"));
    const std::string before = ReadFile(Settings.FileName());
    const std::string set = Temp.File("imported.kcfg");
    WriteFile(set, "FONTNAME=DejaVu Serif\r\nALIGN=2\r\nAOT=YES\r\nX=40\r\nY=50\r\n"
                   "FORMATSTRING\r\nimported line\r\n");
    const std::string backup = TOptionForm::BackupFile();

    for (const bool ok : {false, true}) {
        auto form = Editor();
        OpenAnswers = {set};
        form->BitBtn1Click();
        EXPECT_TRUE(form->Imported());
        EXPECT_TRUE(std::filesystem::exists(backup));
        EXPECT_EQ(Settings.ReadString("FontName"), "DejaVu Serif");
        EXPECT_EQ(Stored("FormatString"), "imported line\r\n");
        EXPECT_EQ(form->Memo1->toPlainText(), "imported line");
        ok ? form->btnOKClick() : form->btnCancelClick();
        EXPECT_FALSE(form->Imported());
        EXPECT_FALSE(std::filesystem::exists(backup)) << "the backup is removed";
        if (ok) break;
        EXPECT_EQ(ReadFile(Settings.FileName()), before) << "every stored value as it was";
        EXPECT_EQ(Settings.ReadString("FontName"), "DejaVu Sans");
        EXPECT_EQ(Settings.ReadInteger("Align"), 0);
        EXPECT_FALSE(Settings.ReadBool("AOT"));
        EXPECT_FALSE(Behaviour->AlwaysOnTop1->isChecked());
        EXPECT_EQ(Layout.FormatString(), "first\r\nsecond <NAME=CompName>\r\n");
        EXPECT_EQ(Layout.Labels().size(), 2u);
    }
    EXPECT_EQ(Settings.ReadString("FontName"), "DejaVu Serif");
    EXPECT_EQ(Settings.ReadInteger("Align"), 2);
    EXPECT_TRUE(Behaviour->Center1->isChecked());
    EXPECT_EQ(Layout.FormatString(), "imported line\r\n");
    EXPECT_EQ(Dialogs.front().substr(0, 17), "Import Config...|");
}

TEST_F(OptionForm, ImportStopsBeforeItsDialogWhenTheBackupCannotBeWritten) {
    // The data folder under a plain file: no one, root included, can create it.
    WriteFile(Temp.File("file"), "x");
    setenv("XDG_DATA_HOME", Temp.File("file").c_str(), 1);
    const auto form = Editor();
    EXPECT_THROW(form->BitBtn1Click(), EInOutError);
    EXPECT_TRUE(Dialogs.empty()) << "no open dialog without a backup";
    EXPECT_FALSE(form->Imported());
    form->btnCancelClick(); // nothing to restore
    EXPECT_EQ(Layout.FormatString(), "first\r\nsecond <NAME=CompName>");
}

TEST_F(OptionForm, CancelAfterTwoImportsGoesBackToBeforeTheFirst) {
    Settings.WriteString("FontName", "DejaVu Sans");
    Settings.WriteString("FormatString", Layout.FormatString());
    const std::string a = Temp.File("a.kcfg"), b = Temp.File("b.kcfg");
    WriteFile(a, "FONTNAME=A\r\nFORMATSTRING\r\na\r\n");
    WriteFile(b, "FONTNAME=B\r\nFORMATSTRING\r\nb\r\n");
    const auto form = Editor();
    OpenAnswers = {a, std::nullopt, b};
    form->BitBtn1Click();
    form->BitBtn1Click(); // the open dialog cancelled: nothing changes
    EXPECT_EQ(Settings.ReadString("FontName"), "A");
    form->BitBtn1Click();
    EXPECT_EQ(Settings.ReadString("FontName"), "B");
    form->reject(); // Esc or the close box
    EXPECT_EQ(Settings.ReadString("FontName"), "DejaVu Sans");
    EXPECT_EQ(Layout.FormatString(), "first\r\nsecond <NAME=CompName>\r\n");
    EXPECT_NE(Calls.find('R'), std::string::npos) << "closing resumes sampling";
}

TEST_F(OptionForm, ExportWritesTheStoredLook) {
    Folders = {Temp.File("configs")};
    const std::string file = Temp.File("configs/mine.kcfg");
    SaveAnswers = {file};
    Settings.WriteString("FormatString", "stored");
    const auto form = Editor();
    form->Memo1->setPlainText("not applied");
    form->BitBtn2Click();
    EXPECT_EQ(Dialogs.back(), "Export Config...|" + Temp.File("configs"));
    const std::string text = ReadFile(file);
    EXPECT_EQ(text.substr(0, 9), "FONTNAME=");
    EXPECT_EQ(text.substr(text.size() - 22), "FORMATSTRING\r\nstored\r\n");
}

TEST_F(OptionForm, PlacementIsStoredAndUsedAgain) {
    auto form = Editor();
    form->setWindowState(Qt::WindowMaximized);
    form->StorePlacement();
    EXPECT_TRUE(Settings.ReadBool("Option_MAX"));
    EXPECT_FALSE(Settings.ValueExists("Option_X")) << "a maximized close stores only Option_MAX";
    form = Editor();
    form->LoadPlacement();
    EXPECT_TRUE(form->windowState() & Qt::WindowMaximized);

    form = Editor();
    form->move(30, 40);
    form->resize(600, 500);
    form->StorePlacement();
    EXPECT_FALSE(Settings.ReadBool("Option_MAX"));
    form = Editor();
    form->LoadPlacement();
    EXPECT_FALSE(form->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(form->pos(), QPoint(30, 40));
    EXPECT_EQ(form->size(), QSize(600, 500));

    // A place on no screen keeps the dialog where it would be; a bad value changes nothing.
    Settings.WriteInteger("Option_X", 90000);
    Settings.WriteString("Option_Y", "oops");
    form = Editor();
    const QPoint before = form->pos();
    form->LoadPlacement();
    EXPECT_EQ(form->pos(), before);
}

TEST_F(OptionForm, TheTagListKeepsItsMargins) {
    const auto form = Editor();
    form->show();
    for (const QSize size : {QSize(700, 600), QSize(420, 480)}) {
        form->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(form->lbfmt->x(), 8);
        EXPECT_EQ(form->lbfmt->width(), form->width() - 16);
    }
}

} // namespace
