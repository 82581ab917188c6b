// The file watcher on a real folder: another process rewrites the file, and the change reaches
// the values on the thread that runs the posted jobs, only while watching is on.

#include "platform/dir_watch.h"
#include "xml_test_util.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace keltrix {
namespace {

using namespace std::chrono_literals;
using testing::TTempDir;
using testing::TXMLFixtureOwner;
using testing::WriteAll;

// The jobs the watcher posts, run by the test thread as a UI loop would.
class TJobQueue {
public:
    TXMLPostEvent Poster() {
        return [this](std::function<void()> job) {
            std::lock_guard lock(Lock_);
            Jobs_.push_back(std::move(job));
            Ready_.notify_all();
        };
    }
    // Runs jobs until done() holds or the time is up; done() is tested after every job.
    template <class F> bool RunUntil(F done, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            std::unique_lock lock(Lock_);
            if (!Ready_.wait_until(lock, end, [this] { return !Jobs_.empty(); })) return done();
            auto job = std::move(Jobs_.front());
            Jobs_.pop_front();
            lock.unlock();
            job();
        }
        return true;
    }

private:
    std::mutex Lock_;
    std::condition_variable Ready_;
    std::deque<std::function<void()>> Jobs_;
};

// Rewrites the file from a child process, in place, as an editor without atomic saves does.
void WriteFromAnotherProcess(const std::string& file, const std::string& text) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_TRUNC | O_CREAT, 0644);
        const bool ok =
            fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(ok && ::close(fd) == 0 ? 0 : 1);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

struct Watcher : ::testing::Test {
    TTempDir Dir;
    std::string File = Dir.File("config.xml");
    TJobQueue Jobs;
    std::unique_ptr<TXMLFixtureOwner> Owner = std::make_unique<TXMLFixtureOwner>(File);
    TXMLValueStr Value{Owner.get(), "Value"};
    int Changes = 0;
    void SetUp() override {
        Owner->Source.Post = Jobs.Poster();
        Value.SetValSource(&Owner->Source);
        Value.OnChange = [this](TComponent*) { ++Changes; };
    }
};

TEST_F(Watcher, AChangeByAnotherProcessArrivesWithinSevenSeconds) {
    Owner->Source.SetCheckForXMLChanges(true); // the real delays: 5 s polls, 1 s settling
    std::this_thread::sleep_for(100ms);        // the watch is in place
    const auto start = std::chrono::steady_clock::now();
    WriteFromAnotherProcess(File, "<Configuration><Value>from elsewhere</Value></Configuration>");
    ASSERT_TRUE(Jobs.RunUntil([this] { return Changes == 1; }, 7s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 7s);
    EXPECT_EQ(Value.GetAsText(), "from elsewhere");

    // Its own saves do not come back as changes.
    Value.SetAsText("mine");
    EXPECT_EQ(Changes, 2);
    Jobs.RunUntil([] { return false; }, 1500ms);
    EXPECT_EQ(Changes, 2);
}

TEST_F(Watcher, NothingHappensWhileWatchingIsOff) {
    Owner->Source.SetWatchTimes(200ms, 50ms);
    Owner->Source.SetCheckForXMLChanges(true);
    std::this_thread::sleep_for(300ms); // the watch is in place
    Owner->Source.SetCheckForXMLChanges(false);
    WriteFromAnotherProcess(File, "<Configuration><Value>unseen</Value></Configuration>");
    EXPECT_FALSE(Jobs.RunUntil([this] { return Changes > 0; }, 1s));
    EXPECT_EQ(Value.GetAsText(), "");

    // Switched on again, the change seen meanwhile is taken.
    Owner->Source.SetCheckForXMLChanges(true);
    EXPECT_TRUE(Jobs.RunUntil([this] { return Changes == 1; }, 3s));
    EXPECT_EQ(Value.GetAsText(), "unseen");
}

TEST_F(Watcher, AJobPostedForASourceThatIsGoneDoesNothing) {
    Owner->Source.SetWatchTimes(200ms, 50ms);
    Owner->Source.SetCheckForXMLChanges(true);
    std::this_thread::sleep_for(100ms);
    WriteFromAnotherProcess(File, "<Configuration><Value>late</Value></Configuration>");
    std::this_thread::sleep_for(500ms); // posted, not yet run
    Owner.reset();                      // the source ends its watcher and goes
    Jobs.RunUntil([] { return false; }, 300ms);
    EXPECT_EQ(Changes, 0);
}

TEST_F(Watcher, TurningItOnNeedsAWayToTheUserInterfaceThread) {
    Owner->Source.Post = nullptr;
    EXPECT_THROW(Owner->Source.SetCheckForXMLChanges(true), EKeltrixError);
    EXPECT_FALSE(Owner->Source.CheckForXMLChanges());
}

TEST(DirectoryWatch, WaitsInterruptsAndForgetsWhatItSaw) {
    TTempDir dir;
    std::string error;
    auto watch = platform::TDirectoryWatch::Open(dir.Path(), error);
    ASSERT_TRUE(watch) << error;
    using R = platform::TDirectoryWatch::TWaitResult;
    EXPECT_EQ(watch->Wait(50ms), R::TimedOut);
    watch->Interrupt();
    EXPECT_EQ(watch->Wait(5s), R::Interrupted);
    WriteAll(dir.File("x"), "1");
    EXPECT_EQ(watch->Wait(5s), R::Changed);
    EXPECT_EQ(watch->Wait(5s), R::Changed); // pending until re-armed
    watch->Rearm();
    EXPECT_EQ(watch->Wait(50ms), R::TimedOut);
    std::filesystem::create_directory(dir.File("sub"));
    watch->Rearm();
    WriteAll(dir.File("sub/y"), "2"); // subfolders are not watched
    EXPECT_EQ(watch->Wait(100ms), R::TimedOut);

    EXPECT_FALSE(platform::TDirectoryWatch::Open(dir.File("missing"), error));
    EXPECT_NE(error.find("missing"), std::string::npos);
}

} // namespace
} // namespace keltrix
