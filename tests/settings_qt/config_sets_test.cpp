// Config sets on a real (offscreen) display window: export, loading, the partial failures and
// the "Fast Config" submenu.
#include "base/errors.h"
#include "display/window_place.h"
#include "editor_fixture.h"

#include <QAction>
#include <QMenu>

#include <filesystem>

using namespace keltrix;
using keltrix::displaytest::ReadFile;
using keltrix::displaytest::WriteFile;

namespace {

class ConfigSets : public editortest::EditorFixture {
protected:
    ConfigSets() {
        Settings.WriteString("FontName", "DejaVu Sans");
        Settings.WriteInteger("FontColor", 0);
        Settings.WriteInteger("FontSize", 9);
        Settings.WriteInteger("FontPitch", 0);
        Settings.WriteInteger("Align", 0);
        Settings.WriteBool("UseFileNameAsBackground", false);
        Settings.WriteInteger("BGColor", 0xFFFFFF);
        Settings.WriteString("FormatString", "first\r\nsecond <NAME=CompName>");
        Behaviour->LoadFont();
    }
    // A set file in the temporary folder from its lines, CR LF ended.
    std::string SetFile(const std::string& name, std::initializer_list<const char*> lines) {
        std::string text;
        for (const char* line : lines) text += std::string(line) + "\r\n";
        const std::string path = Temp.File(name);
        WriteFile(path, text);
        return path;
    }
    std::vector<std::string> Captions(QMenu& menu) {
        std::vector<std::string> captions;
        for (QAction* a : menu.actions())
            captions.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        return captions;
    }
    std::string RegistryText() { return ReadFile(Settings.FileName()); }
};

TEST_F(ConfigSets, ExportThenImportGivesBackTheSameLook) {
    Settings.WriteInteger("Align", 1);
    Settings.WriteInteger("BGColor", 0x336699);
    Settings.WriteBool("AOT", true);
    Settings.WriteInteger("Alpha", 200);
    Settings.WriteBool("Trans", true);
    Settings.WriteString("FormatString", "one\r\n\r\n<B>three</B> <NAME=CompName>\r\nfour");
    Layout.Place().MoveTo({321, 123});
    const std::string file = Temp.File("look.kcfg");
    Sets->PackSettingFile(file);
    const std::string before = RegistryText();

    // Everything changed by hand, then the set loaded back.
    for (const char* name : {"FontName", "FormatString"}) Settings.WriteString(name, "other");
    for (const char* name : {"Align", "BGColor", "Alpha", "X", "Y", "AOT", "Trans"})
        Settings.WriteInteger(name, 0);
    std::string text;
    Sets->LoadSettingFile(file, text);
    EXPECT_EQ(text, "one\r\n\r\n<B>three</B> <NAME=CompName>\r\nfour");
    Settings.WriteString("FormatString", text);
    EXPECT_EQ(RegistryText(), before);
    EXPECT_TRUE(Reports.empty()) << Reports.front();
    EXPECT_EQ(Layout.Place().Position(), QPoint(321, 123));
    EXPECT_TRUE(Behaviour->Right1->isChecked());
    EXPECT_TRUE(Behaviour->AlwaysOnTop1->isChecked());
    EXPECT_TRUE(Behaviour->Transperant1->isChecked());
    EXPECT_EQ(Behaviour->Alpha(), 200) << "the exit stores the window's alpha: it is the set's";
}

TEST_F(ConfigSets, ValuesThatMeanLeaveItAndAlphaZero) {
    Layout.Place().MoveTo({50, 60});
    Settings.WriteInteger("X", 50);
    Sets->LoadKCFG(SetFile("a.kcfg", {"ALPHA=0", "X=-5", "Y=70", "FONTNAME=-", "FONTSIZE=-1",
                                      "FORMATSTRING", "only line"}));
    EXPECT_EQ(Settings.ReadInteger("Alpha"), 255);
    EXPECT_EQ(Settings.ReadInteger("X"), 50);
    EXPECT_EQ(Layout.Place().Position(), QPoint(50, 70));
    EXPECT_EQ(Settings.ReadString("FontName"), "DejaVu Sans");
    EXPECT_EQ(Settings.ReadInteger("FontSize"), 9);
    EXPECT_EQ(Layout.FormatString(), "only line\r\n");
    EXPECT_EQ(Settings.ReadString("FormatString"), "only line\r\n");
    ASSERT_EQ(Layout.Labels().size(), 1u);
    EXPECT_EQ(Calls.substr(0, 1), "s") << "sampling suspended while loading";
    EXPECT_EQ(Calls.back(), 'r');

    Sets->LoadKCFG(SetFile("b.kcfg", {"APLHA=128", "FORMATSTRING", "x"}));
    EXPECT_EQ(Settings.ReadInteger("Alpha"), 128);
}

TEST_F(ConfigSets, APictureThatCannotBeLoadedLeavesTheRestAppliedAndSaysSo) {
    const std::string missing = Temp.File("gone.png");
    Sets->LoadKCFG(
        SetFile("p.kcfg", {"FONTNAME=DejaVu Serif", "ALIGN=2", "USEFILENAMEASBACKGROUND=YES",
                           ("BGFILENAME=" + missing).c_str(), "AOT=YES", "X=77", "FORMATSTRING",
                           "after the picture"}));
    ASSERT_EQ(Reports.size(), 1u);
    const std::string& report = Reports.front();
    EXPECT_NE(report.find("background: the picture " + missing + " cannot be loaded"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("Applied: font, alignment, always on top, position, the format string."),
              std::string::npos)
        << report;
    EXPECT_TRUE(Messages.empty()) << "the paint does not tell it a second time";
    EXPECT_TRUE(Behaviour->AlwaysOnTop1->isChecked());
    EXPECT_EQ(Layout.Place().Position().x(), 77);
    EXPECT_EQ(Settings.ReadString("BGFileName"), missing) << "stored as the set asks";
    EXPECT_EQ(Layout.FormatString(), "after the picture\r\n");
}

TEST_F(ConfigSets, APictureWithoutANameLeavesTheBackgroundAndAppliesTheRest) {
    Sets->LoadKCFG(SetFile("n.kcfg", {"USEFILENAMEASBACKGROUND=YES", "BGFILENAME=",
                                      "PINTODESKTOP=YES", "Y=88", "FORMATSTRING", "x"}));
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports.front().find("names none"), std::string::npos) << Reports.front();
    EXPECT_FALSE(Settings.ReadBool("UseFileNameAsBackground"));
    EXPECT_TRUE(Behaviour->PinToDesktop1->isChecked());
    EXPECT_EQ(Settings.ReadInteger("Y"), 88);
}

TEST_F(ConfigSets, AFileThatIsNoSetOrHasABadNumberAppliesNothing) {
    const std::string before = RegistryText();
    for (const std::string& path :
         {SetFile("nomarker.kcfg", {"FONTNAME=DejaVu Serif", "AOT=YES"}),
          SetFile("bad.kcfg", {"FONTNAME=DejaVu Serif", "FONTSIZE=big", "FORMATSTRING", "x"}),
          Temp.File("missing.kcfg")}) {
        Calls.clear();
        EXPECT_THROW(Sets->LoadKCFG(path), EKeltrixError) << path;
        EXPECT_EQ(RegistryText(), before) << path;
        EXPECT_EQ(Layout.FormatString(), "first\r\nsecond <NAME=CompName>") << path;
        EXPECT_EQ(Calls, "sr") << "resumed although it failed";
    }
    try {
        Sets->LoadKCFG(Temp.File("nomarker.kcfg"));
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("Nothing of it was applied"), std::string::npos);
    }
}

TEST_F(ConfigSets, FastConfigListsTheSetsAndSavesTheCurrentOne) {
    QMenu menu;
    Sets->SetMenu(&menu);
    const std::string folder = Temp.File("configs");
    std::filesystem::create_directories(folder);
    Folders = {folder};
    Sets->PopupMenu1Popup();
    EXPECT_EQ(Captions(menu), (std::vector<std::string>{"-", "Save Current Config..."}));

    WriteFile(folder + "/R&D.kcfg", "ALIGN=1\r\nFORMATSTRING\r\nfrom fast config\r\n");
    WriteFile(folder + "/compact.kcfg", "FORMATSTRING\r\ncompact\r\n");
    Sets->PopupMenu1Popup();
    EXPECT_EQ(Captions(menu),
              (std::vector<std::string>{"compact", "R&&D", "-", "Save Current Config..."}));
    EXPECT_EQ(Sets->SetPaths().at(1), folder + "/R&D.kcfg");

    // Paused sampling (suspend hotkey, interval 0): a click does nothing.
    Running = false;
    menu.actions().at(1)->trigger();
    EXPECT_EQ(Layout.FormatString(), "first\r\nsecond <NAME=CompName>");
    Running = true;
    menu.actions().at(1)->trigger();
    EXPECT_EQ(Layout.FormatString(), "from fast config\r\n");
    EXPECT_TRUE(Behaviour->Right1->isChecked());

    const std::string saved = folder + "/saved.kcfg";
    SaveAnswers = {saved};
    menu.actions().at(3)->trigger();
    EXPECT_EQ(Dialogs.back(), "Export Config...|" + folder);
    EXPECT_NE(ReadFile(saved).find("ALIGN=1\r\n"), std::string::npos);
    EXPECT_TRUE(Behaviour->NoDialogOpen());
}

} // namespace
