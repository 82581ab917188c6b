#include "settings/registry_store.h"
#include "settings/settings_key.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

using namespace keltrix;

namespace {

class SettingsKey : public testing::Test {
protected:
    std::string path = testing::TempDir() + "/settings_key_" + std::to_string(getpid()) + ".reg";
    void TearDown() override { std::remove(path.c_str()); }

    void Prepare(const std::string& values) {
        std::ofstream(path)
            << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand]\n"
            << values << "\n[HKEY_CURRENT_USER\\Software\\OrlenwickStudios\\Vistrand\\a:6130]\n"
            << "\"Interval\"=dword:00000001\n";
    }
};

} // namespace

TEST_F(SettingsKey, BelowVersion75IsWipedWithSubKeys) {
    Prepare("\"Version\"=dword:0000004a\n\"Alpha\"=dword:00000010\n");
    TRegistryStore store(path);
    OpenAndMigrateSettings(store);
    EXPECT_FALSE(store.ValueExists("Alpha"));
    EXPECT_FALSE(store.KeyExists(ClientSettingsKey("a", 6130)));
    EXPECT_EQ(store.ReadInteger("Version"), 1002);
    EXPECT_EQ(ReadInt64Bytes(store, "LongestUptime"), 0);
}

TEST_F(SettingsKey, MissingVersionIsWipedToo) {
    Prepare("\"Alpha\"=dword:00000010\n");
    TRegistryStore store(path);
    OpenAndMigrateSettings(store);
    EXPECT_FALSE(store.ValueExists("Alpha"));
}

TEST_F(SettingsKey, Version77ConvertsIntegerUptimeSignExtended) {
    Prepare("\"Version\"=dword:0000004d\n\"LongestUptime\"=dword:fffffffe\n\"W\"=dword:00000064\n");
    TRegistryStore store(path);
    OpenAndMigrateSettings(store);
    EXPECT_EQ(ReadInt64Bytes(store, "LongestUptime"), -2);
    std::uint8_t raw[8];
    EXPECT_EQ(store.ReadBinaryData("LongestUptime", raw, 8), 8u);
    EXPECT_FALSE(store.ValueExists("W"));
    EXPECT_TRUE(store.KeyExists(ClientSettingsKey("a", 6130)));
}

TEST_F(SettingsKey, Version80KeepsUptimeAndDropsSize) {
    Prepare("\"Version\"=dword:00000050\n\"LongestUptime\"=dword:00000005\n"
            "\"W\"=dword:00000064\n\"H\"=dword:00000064\n\"X\"=dword:00000001\n");
    TRegistryStore store(path);
    OpenAndMigrateSettings(store);
    EXPECT_EQ(store.ReadInteger("LongestUptime"), 5); // stored as it was
    EXPECT_FALSE(store.ValueExists("W"));
    EXPECT_FALSE(store.ValueExists("H"));
    EXPECT_TRUE(store.ValueExists("X"));
}

TEST_F(SettingsKey, CurrentVersionKeepsEverything) {
    Prepare("\"Version\"=dword:000003ea\n\"W\"=dword:00000064\n");
    TRegistryStore store(path);
    OpenAndMigrateSettings(store);
    EXPECT_TRUE(store.ValueExists("W"));
    EXPECT_FALSE(store.ValueExists("LongestUptime"));
}

TEST_F(SettingsKey, AVersionOfAnotherTypeIsToldAndTheKeyLeftAsItIs) {
    Prepare("\"Version\"=\"1002\"\n\"Alpha\"=dword:00000010\n\"LongestUptime\"=dword:00000005\n");
    std::stringstream before;
    before << std::ifstream(path).rdbuf();
    TRegistryStore store(path);
    std::vector<std::string> told;
    store.SetProblemSink([&](const std::string& m) { told.push_back(m); });
    OpenAndMigrateSettings(store);
    EXPECT_EQ(store.ReadInteger("Alpha"), 16) << "not wiped as an old layout";
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], "Settings value \"Version\" is a string, not an integer: the built-in "
                       "value is used");
    std::stringstream after;
    after << std::ifstream(path).rdbuf();
    EXPECT_EQ(after.str(), before.str());
}

TEST_F(SettingsKey, ValuesOfTheWrongTypeCountAsMissing) {
    Prepare("\"Version\"=dword:000003ea\n\"Interval\"=\"100\"\n\"Exclude\"=hex:41,42\n"
            "\"FontStyle\"=hex:01\n\"FormatString\"=dword:00000001\n");
    TRegistryStore store(path);
    OpenAndMigrateSettings(store);
    EXPECT_FALSE(store.ValueExists("interval"));
    EXPECT_FALSE(store.ValueExists("Exclude"));
    EXPECT_FALSE(store.ValueExists("FormatString"));
    EXPECT_TRUE(store.ValueExists("FontStyle"));
    EXPECT_TRUE(store.ValueExists("Version"));
}

TEST(SettingsKeyNames, ClientKeysKeepPortsApartAndFoldHost) {
    EXPECT_EQ(ClientSettingsKey("MyHost", 6130),
              "Software\\OrlenwickStudios\\Vistrand\\myhost:6130");
    EXPECT_NE(ClientSettingsKey("a", 6130), ClientSettingsKey("a", 6131));
}
