#include "app/autostart.h"
#include "app/reference.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <system_error>

namespace keltrix {
namespace {

TEST(Reference, CodeSpansHoldTheirBackticks) {
    EXPECT_EQ(CodeSpan("a<b"), "`a<b`");
    EXPECT_EQ(CodeSpan("x `y` z"), "``x `y` z``");
    EXPECT_EQ(CodeSpan("`y"), "`` `y ``");
    EXPECT_EQ(CodeSpan("a``b"), "```a``b```");
}

TEST(Reference, EveryFormatterHasItsSectionInOrder) {
    const auto groups = TagCatalogue();
    std::vector<std::string> classes;
    for (const auto& g : groups) classes.push_back(g.ClassName);
    EXPECT_EQ(classes, (std::vector<std::string>{"TMBMFormat", "TUTPFormat", "TPageRAMFormat",
                                                 "TProcFormat", "TNetworkFormat", "TNonPerfFormat",
                                                 "TTopProcFormat", "TBatteryFormat"}));
}

// Markdown reads a line that starts like a heading, list or quote as one, which would cut a
// code span of a wrapped description in two and show half of it as markup.
TEST(Reference, WrappedLinesNeverStartAsMarkdownBlocks) {
    const std::string text = TagReference();
    std::istringstream in(text);
    std::string line, previous;
    bool fenced = false;
    while (std::getline(in, line)) {
        if (line.rfind("```", 0) == 0) fenced = !fenced;
        const bool continuation = !previous.empty() && !fenced && previous[0] == '`';
        if (continuation && !line.empty()) {
            EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(line[0])) || line[0] == '(' ||
                        line[0] == '"')
                << line;
        }
        if (!fenced && line.size() > 100 && line[0] != '|' && line.find(' ') != std::string::npos)
            ADD_FAILURE() << "not wrapped at 92 columns: " << line;
        previous = line.empty() ? previous : line;
        if (line.empty()) previous.clear();
    }
}

class Autostart : public ::testing::Test {
protected:
    void SetUp() override {
        Home = std::filesystem::temp_directory_path() /
               ("keltrix-autostart-" + std::to_string(getpid()));
        std::filesystem::create_directories(Home);
        setenv("XDG_CONFIG_HOME", Home.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(Home);
    }
    std::filesystem::path Home;
};

TEST_F(Autostart, OnWritesTheEntryAndOffRemovesIt) {
    const std::string file = AutostartFile();
    EXPECT_EQ(file, (Home / "autostart/keltrix.desktop").string());
    EXPECT_NE(SetAutostart(true, "/opt/kel trix/bin/keltrix").find(file), std::string::npos);
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\nExec=\"/opt/kel trix/bin/keltrix\"\n"), std::string::npos);
    EXPECT_NE(text.str().find("\nIcon=keltrix\n"), std::string::npos);
    EXPECT_NE(SetAutostart(false, "").find("removed"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_NE(SetAutostart(false, "").find("is not there"), std::string::npos);
}

TEST_F(Autostart, AFolderThatCannotBeMadeIsReported) {
    std::ofstream(Home / "autostart") << "a file where the folder belongs";
    EXPECT_THROW(SetAutostart(true, "/usr/bin/keltrix"), std::system_error);
}

TEST(DesktopExec, ArgumentsAreQuotedAsTheDesktopEntryRulesAsk) {
    EXPECT_EQ(DesktopExecArgument("/usr/bin/keltrix"), "/usr/bin/keltrix");
    EXPECT_EQ(DesktopExecArgument("/a b/k"), "\"/a b/k\"");
    // Inside quotes " ` $ \ take a backslash, which the value's own escaping doubles.
    EXPECT_EQ(DesktopExecArgument("/a$b"), "\"/a\\\\$b\"");
    EXPECT_EQ(DesktopExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");
    EXPECT_EQ(DesktopExecArgument("/100%/k"), "/100%%/k");
}

} // namespace
} // namespace keltrix
