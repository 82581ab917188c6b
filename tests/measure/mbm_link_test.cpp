#include "base/smartlog.h"
#include "mbm_area.h"
#include "measure/mbm_link.h"
#include "platform/power_status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <dlfcn.h>
#include <thread>

namespace keltrix {
namespace {

using test::TAreaBytes;
using test::TTestArea;

// The probe starter, loaded by path as the link loads it: both share one copy.
class TProbe {
public:
    TProbe() : Handle_(dlopen(KELTRIX_PROBE_DIR "/libMBMStarter.so", RTLD_NOW)) {
        if (Handle_) Call<void>("ProbeReset");
    }
    ~TProbe() {
        if (Handle_) dlclose(Handle_);
    }
    bool Loaded() const { return Handle_ != nullptr; }
    void SetResult(int result) { Call<void, int>("ProbeSetResult", result); }
    int Starts() { return Call<int>("ProbeStarts"); }
    int Stops() { return Call<int>("ProbeStops"); }

private:
    template <class R, class... A> R Call(const char* name, A... args) {
        return reinterpret_cast<R (*)(A...)>(dlsym(Handle_, name))(args...);
    }
    void* Handle_;
};

class MBMLinkTest : public ::testing::Test {
protected:
    MBMLinkTest() {
        TAreaBytes board;
        board.Count(0, 4);
        board.Count(1, 2);
        board.Count(2, 3);
        const double values[] = {45.5, 44.5, 46, 30.2, 1.2, 12.1, 1200, 255, 900.5};
        for (int i = 0; i < 9; ++i) board.Sensor(i, i < 4 ? 1 : i < 6 ? 2 : 3, values[i]);
        Board = board;
        smartlog::Install(&Log);
    }
    ~MBMLinkTest() override {
        if (Link) Link->Stop();
        Link.reset();
        smartlog::Install(nullptr);
    }

    // A library name no test loads: a starter loaded once is found again by its name alone.
    static constexpr const char* Missing = "KeltrixNoSuchStarter";

    void MakeLink(std::vector<std::string> folders = {KELTRIX_PROBE_DIR},
                  std::string library = mbm::StarterLibraryName) {
        TMBMLinkHooks hooks;
        hooks.Post = [this](std::function<void()> job) {
            const std::lock_guard<std::mutex> guard(Lock);
            Posted.push_back(std::move(job));
        };
        hooks.ClientMode = [this] { return Client; };
        hooks.MonitorWindowExists = [this] {
            ++WindowQuestions;
            return WindowShown;
        };
        hooks.MonitorRunning = [this](const std::string& text) { Messages.push_back(text); };
        hooks.Balloon = [this](const std::string& text, const std::string& title) {
            Messages.push_back(title + ": " + text);
        };
        TMBMLinkPlaces places;
        places.Area = Area.Name;
        places.Library = std::move(library);
        places.Folders = std::move(folders);
        Link = std::make_unique<TMBMLink>(std::move(hooks), places);
    }

    // Runs the posted jobs as the main thread would, once the loaders have ended.
    void Settle() {
        for (int i = 0; i < 2500 && Link->LoaderRunning(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::vector<std::function<void()>> jobs;
        {
            const std::lock_guard<std::mutex> guard(Lock);
            jobs.swap(Posted);
        }
        for (auto& job : jobs) job();
    }
    // A sample's sensor block, then whatever the loader posted.
    void Sample() {
        Link->SensorBlock(Data);
        Settle();
    }
    int Entries(const std::string& text) const {
        const auto lines = Log.Lines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), text));
    }
    std::vector<std::int32_t> Temps() const { return {Data.Temp, Data.Temp + 9}; }
    std::vector<std::int32_t> Fans() const { return {Data.Fan, Data.Fan + 9}; }

    TProbe Probe;
    TTestArea Area;
    TAreaBytes Board;
    TRawData Data{};
    TSmartLog Log{"KeltrixBeta"};
    std::unique_ptr<TMBMLink> Link;
    std::mutex Lock;
    std::vector<std::function<void()>> Posted;
    std::vector<std::string> Messages;
    bool Client = false;
    bool WindowShown = false;
    int WindowQuestions = 0;
};

TEST_F(MBMLinkTest, StartsOnceThenCopiesRoundedReadings) {
    ASSERT_TRUE(Probe.Loaded());
    ASSERT_TRUE(Area.Write(Board.Bytes));
    MakeLink();
    std::fill(Data.Temp, Data.Temp + 9, 7);
    Sample();
    EXPECT_EQ(Temps(), std::vector<std::int32_t>(9, 7))
        << "the first sample only starts the loader";
    EXPECT_EQ(Entries("DLLLoad"), 1);
    EXPECT_EQ(Entries("MBMDLLDone"), 1);
    EXPECT_FALSE(Link->LoaderBusy());
    EXPECT_TRUE(Link->StarterLoaded());
    Sample();
    // 45.5 and 44.5 round to even; four temperatures leave Temp5 on 0 although the voltages
    // follow them; 255 is stored as the monitor gave it (the tag shows 0).
    EXPECT_EQ(Temps(), (std::vector<std::int32_t>{46, 44, 46, 30, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Fans(), (std::vector<std::int32_t>{1200, 255, 900, 0, 0, 0, 0, 0, 0}));
    Sample();
    EXPECT_EQ(Probe.Starts(), 1);
    EXPECT_EQ(Entries("ReadSharedData"), 2);
    EXPECT_TRUE(Messages.empty());
    Link->Stop();
    EXPECT_EQ(Probe.Stops(), 1);
    EXPECT_FALSE(Link->StarterLoaded());
    Sample();
    EXPECT_EQ(Entries("DLLLoad"), 1) << "nothing starts after the exit";
}

TEST_F(MBMLinkTest, SensorsThatComeAndGoReadAsZero) {
    ASSERT_TRUE(Area.Write(Board.Bytes));
    MakeLink();
    Sample();
    Sample();
    ASSERT_EQ(Data.Temp[1], 44);
    Board.Sensor(1, 0, 44.5); // the second temperature disappears
    ASSERT_TRUE(Area.Write(Board.Bytes));
    Sample();
    EXPECT_EQ(Temps(), (std::vector<std::int32_t>{46, 0, 46, 30, 0, 0, 0, 0, 0}));
    Area.Remove(); // the monitor stops while the link is up
    Sample();
    EXPECT_EQ(Temps(), std::vector<std::int32_t>(9, 0));
    EXPECT_EQ(Fans(), std::vector<std::int32_t>(9, 0));
    EXPECT_EQ(Entries("DLLLoad"), 1);
}

TEST_F(MBMLinkTest, AReadingNoFieldHoldsKeepsThePreviousOnes) {
    ASSERT_TRUE(Area.Write(Board.Bytes));
    MakeLink();
    Sample();
    Sample();
    Board.Sensor(0, 1, 99);
    Board.Sensor(7, 3, 3e10);
    ASSERT_TRUE(Area.Write(Board.Bytes));
    Sample();
    EXPECT_EQ(Temps(), (std::vector<std::int32_t>{46, 44, 46, 30, 0, 0, 0, 0, 0}));
    Board.Sensor(7, 3, std::nan(""));
    ASSERT_TRUE(Area.Write(Board.Bytes));
    Sample();
    EXPECT_EQ(Data.Temp[0], 99);
    EXPECT_EQ(Data.Fan[1], 0) << "a value that is not a number reads as 0";
}

TEST_F(MBMLinkTest, NoStarterMeansNoMessageAndNoRetry) {
    ASSERT_TRUE(Area.Write(Board.Bytes));
    MakeLink({testing::TempDir()}, Missing);
    std::fill(Data.Temp, Data.Temp + 9, 0);
    for (int i = 0; i < 4; ++i) Sample();
    EXPECT_EQ(Entries("DLLLoad"), 1);
    EXPECT_EQ(Entries("MBMDLLDone"), 0);
    EXPECT_TRUE(Link->LoaderBusy());
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(Temps(), std::vector<std::int32_t>(9, 0));
}

TEST_F(MBMLinkTest, AFailedStartShowsItsCodeOnceUntilResume) {
    ASSERT_TRUE(Area.Write(Board.Bytes));
    Probe.SetResult(7);
    MakeLink();
    for (int i = 0; i < 3; ++i) Sample();
    EXPECT_EQ(Messages, std::vector<std::string>{"MBM Failed to Launch: Error Code: 7"});
    EXPECT_EQ(Probe.Starts(), 1);
    EXPECT_TRUE(Link->LoaderBusy());
    Probe.SetResult(1);
    Link->PowerMsg(platform::PBT_APMRESUMESUSPEND);
    Sample();
    Sample();
    EXPECT_EQ(Probe.Starts(), 2);
    EXPECT_EQ(Data.Temp[0], 46);
}

TEST_F(MBMLinkTest, SuspendHoldsTheLinkAndResumeStartsItAgain) {
    ASSERT_TRUE(Area.Write(Board.Bytes));
    MakeLink();
    Sample();
    Sample();
    Link->PowerMsg(platform::PBT_APMSUSPEND);
    EXPECT_FALSE(Link->StarterLoaded());
    EXPECT_TRUE(Link->LoaderBusy());
    Data.Temp[0] = -1;
    Sample();
    EXPECT_EQ(Data.Temp[0], -1) << "nothing is read or loaded while the machine sleeps";
    EXPECT_EQ(Entries("DLLLoad"), 1);
    Link->PowerMsg(3); // other events change nothing
    EXPECT_TRUE(Link->LoaderBusy());
    Link->PowerMsg(platform::PBT_APMRESUMESUSPEND);
    EXPECT_FALSE(Link->LoaderBusy());
    Sample();
    EXPECT_EQ(Entries("DLLLoad"), 2);
    EXPECT_EQ(Probe.Starts(), 2);
    Sample();
    EXPECT_EQ(Data.Temp[0], 46);
    EXPECT_EQ(Entries("PowerMsg"), 3);
    Link->Stop();
    EXPECT_EQ(Probe.Stops(), 1);
}

TEST_F(MBMLinkTest, ALoaderThatFinishesAfterASuspendReportsToNobody) {
    ASSERT_TRUE(Area.Write(Board.Bytes));
    MakeLink();
    Link->SensorBlock(Data);
    Link->PowerMsg(platform::PBT_APMSUSPEND);
    Settle(); // MBMDLLDone of the run before the suspend
    EXPECT_TRUE(Link->LoaderBusy());
    Data.Temp[0] = -1;
    Sample();
    EXPECT_EQ(Data.Temp[0], -1);
}

TEST_F(MBMLinkTest, AMonitorStartedByHandSwitchesTheLinkOff) {
    ASSERT_TRUE(Area.Write(Board.Bytes));
    WindowShown = true;
    MakeLink({testing::TempDir()}, Missing);
    for (int i = 0; i < 3; ++i) Sample();
    EXPECT_EQ(Messages, std::vector<std::string>{MonitorRunningMessage});
    EXPECT_FALSE(Link->MonitorWanted());
    EXPECT_EQ(WindowQuestions, 1);
    Link->PowerMsg(platform::PBT_APMRESUMESUSPEND);
    Sample();
    Sample();
    EXPECT_EQ(Messages.size(), 1u) << "asked once per run";
    EXPECT_EQ(Temps(), std::vector<std::int32_t>(9, 0));
}

TEST_F(MBMLinkTest, AStarterAtHandOutranksAMonitorWindow) {
    ASSERT_TRUE(Area.Write(Board.Bytes));
    WindowShown = true;
    MakeLink();
    Sample();
    Sample();
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(WindowQuestions, 0);
    EXPECT_EQ(Data.Temp[2], 46);
}

TEST_F(MBMLinkTest, AClientNeverLoads) {
    Client = true;
    MakeLink();
    Sample();
    Sample();
    EXPECT_EQ(Probe.Starts(), 0);
    EXPECT_FALSE(Link->StarterLoaded());
}

} // namespace
} // namespace keltrix
