#include "base/errors.h"
#include "base/smartlog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace keltrix;

TEST(SmartLog, KeepsHeaderAndLatestEntriesWhenLimited) {
    TSmartLog log("KeltrixBeta");
    log.SetMaxLines(100);
    for (int i = 0; i < 250; ++i) log.Add("entry " + std::to_string(i));
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 102u);
    EXPECT_EQ(lines[0].rfind("KeltrixBeta Program Log (", 0), 0u);
    EXPECT_EQ(lines[0].back(), ')');
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "entry 150");
    EXPECT_EQ(lines[101], "entry 249");
}

TEST(SmartLog, UnlimitedKeepsEverythingAndStampsEntries) {
    TSmartLog log("KeltrixBeta");
    log.SetTimeStamps(true);
    for (int i = 0; i < 1000; ++i) log.Add("GetInfo (Don't force)");
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 1002u);
    EXPECT_NE(lines[2], "GetInfo (Don't force)");
    EXPECT_EQ(lines[2].substr(lines[2].size() - 22), " GetInfo (Don't force)");
}

TEST(SmartLog, SavesCrLfLinesAndReportsUnwritableFile) {
    const std::string path = testing::TempDir() + "/smartlog_" + std::to_string(getpid()) + ".log";
    {
        TSmartLog log("KeltrixBeta");
        log.SetFileName(path);
        log.SetSaveOnDestroy(true);
        log.Add("Exit1Click");
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    EXPECT_NE(text.find("\r\n\r\nExit1Click\r\n"), std::string::npos);
    std::remove(path.c_str());

    TSmartLog bad("KeltrixBeta");
    bad.SetFileName("/nonexistent-dir/SmartLog.log");
    try {
        bad.Save();
        FAIL() << "no error";
    } catch (const EKeltrixError& e) {
        EXPECT_EQ(ExceptionClassName(e), "EInOutError");
    }
}

TEST(SmartLog, AddIsSerialisedAcrossThreads) {
    TSmartLog log("KeltrixBeta");
    smartlog::Install(&log);
    std::thread a([] {
        for (int i = 0; i < 5000; ++i) LogAdd("ReTray");
    });
    std::thread b([] {
        for (int i = 0; i < 5000; ++i) LogAdd("DLLLoad");
    });
    a.join();
    b.join();
    smartlog::Install(nullptr);
    LogAdd("ignored while off");
    EXPECT_EQ(log.Lines().size(), 10002u);
}

TEST(Errors, ClassNamesOfOwnAndStandardErrors) {
    EXPECT_EQ(ExceptionClassName(EConvertError("x")), "EConvertError");
    EXPECT_EQ(ExceptionClassName(std::out_of_range("x")), "out_of_range");
}
