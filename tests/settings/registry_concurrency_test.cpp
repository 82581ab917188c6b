// Several processes writing the settings file at once, and writers killed mid-write.

#include "settings/registry_store.h"
#include "settings_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace keltrix {
namespace {

using testing::ReadAll;
using testing::TTempDir;

const std::string kBasePath = R"(HKEY_CURRENT_USER\Software\OrlenwickStudios\Vistrand)";
const std::string kWriter = std::string(KELTRIX_TEST_HELPER_DIR) + "/reg_writer";

pid_t StartWriter(std::vector<std::string> args) {
    args.insert(args.begin(), kWriter);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(kWriter.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Each write syncs the file and its folder; on a slow disk 2,000 of them take longer than a
// test may. Locking is the same on a memory file system.
std::string FastTempBase() {
    return ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : std::string();
}

TEST(RegistryConcurrency, TwoProcessesWritingAtOnceLoseNoValue) {
    TTempDir dir(FastTempBase());
    const std::string file = dir.File("keltrix/registry.reg");
    constexpr int kCount = 1000;
    const pid_t a = StartWriter({file, "count", "A", std::to_string(kCount)});
    const pid_t b = StartWriter({file, "count", "B", std::to_string(kCount)});
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    for (const pid_t pid : {a, b}) {
        const int status = WaitFor(pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }

    const TRegistryFile disk = TRegistryFile::Parse(ReadAll(file), file);
    const TRegKey* key = disk.FindKey(kBasePath);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Values().size(), 2u * kCount);
    int lost = 0;
    for (const char* prefix : {"A", "B"}) {
        for (int i = 0; i < kCount; ++i) {
            const TRegValue* value = key->Find(prefix + std::to_string(i));
            if (value == nullptr || value->Number != static_cast<std::uint32_t>(i)) ++lost;
        }
    }
    EXPECT_EQ(lost, 0);
}

TEST(RegistryConcurrency, InstancesExitingTogetherEachCountTheirUptime) {
    TTempDir dir(FastTempBase());
    const std::string file = dir.File("keltrix/registry.reg");
    constexpr int kExits = 300;
    const pid_t a = StartWriter({file, "exits", std::to_string(kExits), "1000"});
    const pid_t b = StartWriter({file, "exits", std::to_string(kExits), "3000"});
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    for (const pid_t pid : {a, b}) {
        const int status = WaitFor(pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    TRegistryStore store(file);
    ASSERT_TRUE(store.OpenKey("Software\\OrlenwickStudios\\Vistrand", false));
    EXPECT_EQ(store.ReadInteger("UptimeCount"), 2 * kExits);
    std::uint8_t total[8] = {};
    ASSERT_EQ(store.ReadBinaryData("TotalUptime", total, sizeof total), 8u);
    std::int64_t sum = 0;
    for (int i = 7; i >= 0; --i) sum = (sum << 8) | total[i];
    EXPECT_EQ(sum, kExits * (1000 + 3000));
}

TEST(RegistryConcurrency, AWriterKilledAtAnyMomentLeavesAFileThatParses) {
    TTempDir dir;
    const std::string file = dir.File("keltrix/registry.reg");
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int killedMidWrite = 0;
    for (int round = 0; round < 15; ++round) {
        const pid_t pid = StartWriter({file, "churn", std::to_string(random())});
        ASSERT_GT(pid, 0);
        ::usleep(2000 + random() % 80000);
        ::kill(pid, SIGKILL);
        const int status = WaitFor(pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself, status " << status;
        if (std::filesystem::exists(file + ".tmp")) ++killedMidWrite;
        if (std::filesystem::exists(file)) {
            ASSERT_NO_THROW(TRegistryFile::Parse(ReadAll(file), file)) << "round " << round;
        }
    }
    RecordProperty("KilledMidWrite", killedMidWrite);

    // The dead writers hold no lock, and their litter goes with the next write.
    TRegistryStore store(file);
    EXPECT_EQ(store.LoadError(), "");
    ASSERT_TRUE(store.OpenKey("Software\\OrlenwickStudios\\Vistrand", true));
    store.WriteInteger("After", 1);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("keltrix")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
    TRegistryStore fresh(file);
    ASSERT_TRUE(fresh.OpenKey("Software\\OrlenwickStudios\\Vistrand", false));
    EXPECT_EQ(fresh.ReadInteger("After"), 1);
}

} // namespace
} // namespace keltrix
