// Where the single-instance lock may lie: only in a folder no other user can reach.
#include "platform/paths.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrix::platform {
namespace {

const unsigned Me = static_cast<unsigned>(geteuid());
const std::string Usual = "keltrix-" + std::to_string(Me);

struct TFolderMode {
    unsigned Owner = 0;
    unsigned Mode = 0;
    bool Directory = false;
};
TFolderMode ModeOf(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return {};
    return {st.st_uid, st.st_mode & 07777u, S_ISDIR(st.st_mode)};
}
// Only root can hand a folder to another user.
#define NEED_ROOT()                                                                                \
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user"

TEST(RuntimeFolder, TheUsualTmpFolderIsMadePrivate) {
    test::TTempTree tmp;
    const TRuntimeFolder folder = FindRuntimeFolder("", tmp.Root(), Me);
    EXPECT_EQ(folder.Path, tmp.Root() + "/" + Usual);
    EXPECT_TRUE(folder.Problem.empty());
    const TFolderMode mode = ModeOf(folder.Path);
    EXPECT_TRUE(mode.Directory);
    EXPECT_EQ(mode.Mode, 0700u);
    // A relative XDG_RUNTIME_DIR counts as none.
    EXPECT_EQ(FindRuntimeFolder("run", tmp.Root(), Me).Path, folder.Path);
}

TEST(RuntimeFolder, ATmpFolderOthersMadeOrCanEnterIsLeftForAPrivateOne) {
    NEED_ROOT();
    test::TTempTree tmp;
    const std::string usual = tmp.Root() + "/" + Usual;
    ASSERT_EQ(mkdir(usual.c_str(), 0700), 0);
    ASSERT_EQ(chown(usual.c_str(), 65534, 65534), 0);
    const TRuntimeFolder first = FindRuntimeFolder("", tmp.Root(), Me);
    ASSERT_TRUE(first.Problem.empty()) << first.Problem;
    EXPECT_NE(first.Path, usual);
    EXPECT_EQ(first.Path.rfind(tmp.Root() + "/" + Usual + "-", 0), 0u) << first.Path;
    EXPECT_EQ(ModeOf(first.Path).Owner, Me);
    EXPECT_EQ(ModeOf(first.Path).Mode, 0700u);
    // Later starts find the same folder, so they still meet the first one's lock.
    EXPECT_EQ(FindRuntimeFolder("", tmp.Root(), Me).Path, first.Path);

    // Ours but open to all: not used either, and not closed (others may have put things in).
    ASSERT_EQ(chown(usual.c_str(), Me, Me), 0);
    ASSERT_EQ(chmod(usual.c_str(), 0777), 0);
    EXPECT_EQ(FindRuntimeFolder("", tmp.Root(), Me).Path, first.Path);
    EXPECT_EQ(ModeOf(usual).Mode, 0777u);
}

TEST(RuntimeFolder, ALinkInPlaceOfTheTmpFolderIsNotFollowed) {
    test::TTempTree tmp;
    tmp.Folder("elsewhere");
    ASSERT_EQ(chmod((tmp.Root() + "/elsewhere").c_str(), 0700), 0);
    const std::string usual = tmp.Root() + "/" + Usual;
    ASSERT_EQ(symlink((tmp.Root() + "/elsewhere").c_str(), usual.c_str()), 0);
    const TRuntimeFolder folder = FindRuntimeFolder("", tmp.Root(), Me);
    EXPECT_TRUE(folder.Problem.empty());
    EXPECT_NE(folder.Path, usual);
    EXPECT_TRUE(std::filesystem::is_empty(tmp.Root() + "/elsewhere"));
}

TEST(RuntimeFolder, NoTmpToWriteInIsAProblemNotARunningInstance) {
    test::TTempTree tmp;
    const TRuntimeFolder folder = FindRuntimeFolder("", tmp.Root() + "/missing", Me);
    EXPECT_TRUE(folder.Path.empty());
    EXPECT_NE(folder.Problem.find("no private folder can be made in " + tmp.Root() + "/missing"),
              std::string::npos)
        << folder.Problem;
}

TEST(RuntimeFolder, AnotherUsersXdgFolderIsNamedAndLeftUntouched) {
    NEED_ROOT();
    test::TTempTree tmp;
    const std::string theirs = tmp.Root() + "/run";
    ASSERT_EQ(mkdir(theirs.c_str(), 0700), 0);
    ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    const TRuntimeFolder folder = FindRuntimeFolder(theirs, tmp.Root(), Me);
    EXPECT_TRUE(folder.Path.empty());
    EXPECT_NE(folder.Problem.find("XDG_RUNTIME_DIR is " + theirs + ", which belongs to the user "),
              std::string::npos)
        << folder.Problem;
    EXPECT_TRUE(std::filesystem::is_empty(theirs));
    EXPECT_FALSE(std::filesystem::exists(tmp.Root() + "/" + Usual)) << "no fallback";
}

TEST(RuntimeFolder, XdgFolderThatCannotExistOrIsTakenInside) {
    test::TTempTree tmp;
    tmp.Write("file", "x");
    const TRuntimeFolder below = FindRuntimeFolder(tmp.Root() + "/file/run", tmp.Root(), Me);
    EXPECT_TRUE(below.Path.empty());
    EXPECT_NE(below.Problem.find("which cannot be used: Not a directory"), std::string::npos)
        << below.Problem;

    tmp.Folder("run");
    tmp.Write("run/keltrix", "not a folder");
    const TRuntimeFolder taken = FindRuntimeFolder(tmp.Root() + "/run", tmp.Root(), Me);
    EXPECT_TRUE(taken.Path.empty());
    EXPECT_EQ(taken.Problem, tmp.Root() + "/run/keltrix is not a folder");

    tmp.Folder("good");
    const TRuntimeFolder good = FindRuntimeFolder(tmp.Root() + "/good", tmp.Root(), Me);
    EXPECT_EQ(good.Path, tmp.Root() + "/good/keltrix");
    EXPECT_EQ(ModeOf(good.Path).Mode, 0700u);
}

} // namespace
} // namespace keltrix::platform
