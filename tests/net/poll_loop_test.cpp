// The plain event loop of console mode and the headless server.
#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

using namespace keltrix::platform;

TEST(PollLoop, TimersTickAtTheirIntervalAndStopFromInside) {
    TPollLoop loop;
    int fast = 0, slow = 0;
    std::chrono::steady_clock::duration firstSlow{};
    const auto start = std::chrono::steady_clock::now();
    TEventLoop::TTimerId fastId = 0;
    fastId = loop.StartTimer(10, [&] {
        if (++fast == 5) loop.StopTimer(fastId);
    });
    loop.StartTimer(60, [&] {
        if (++slow == 1) firstSlow = std::chrono::steady_clock::now() - start;
    });
    // A loaded machine delays ticks, so only their order and the stop are certain.
    loop.RunUntil([&] { return fast == 5 && slow >= 1; }, 10000);
    const int seen = slow;
    loop.RunUntil([&] { return slow >= seen + 2; }, 10000);
    EXPECT_GE(firstSlow, std::chrono::milliseconds(59));
    EXPECT_EQ(fast, 5);
    EXPECT_GE(slow, seen + 2);
}

TEST(PollLoop, AHandlerMayUnwatchItselfAndAnotherFdOfTheSameRound) {
    TPollLoop loop;
    int a[2], b[2];
    ASSERT_EQ(pipe2(a, O_NONBLOCK), 0);
    ASSERT_EQ(pipe2(b, O_NONBLOCK), 0);
    ASSERT_EQ(write(a[1], "x", 1), 1);
    ASSERT_EQ(write(b[1], "y", 1), 1);
    int calls = 0;
    auto handler = [&](unsigned events) {
        EXPECT_EQ(events, IoRead);
        ++calls;
        // Whichever comes first takes both away; the other must not be called.
        loop.UnwatchFd(a[0]);
        loop.UnwatchFd(b[0]);
    };
    loop.WatchFd(a[0], IoRead, handler);
    loop.WatchFd(b[0], IoRead, handler);
    loop.RunOnce(100);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(loop.WatchedFds(), 0u);
    for (int fd : {a[0], a[1], b[0], b[1]}) close(fd);
}

TEST(PollLoop, PostedCallsRunAfterTheCurrentHandlerInOrder) {
    TPollLoop loop;
    std::string order;
    loop.Post([&] {
        order += "a";
        loop.Post([&] { order += "c"; });
    });
    loop.Post([&] { order += "b"; });
    loop.RunOnce(0);
    loop.RunOnce(0);
    EXPECT_EQ(order, "abc");
}

TEST(PollLoop, AnFdWatchedForNothingIsNotReported) {
    TPollLoop loop;
    int p[2];
    ASSERT_EQ(pipe2(p, O_NONBLOCK), 0);
    ASSERT_EQ(write(p[1], "x", 1), 1);
    int calls = 0;
    loop.WatchFd(p[0], IoRead, [&](unsigned) { ++calls; });
    loop.SetFdEvents(p[0], 0);
    loop.RunOnce(20);
    EXPECT_EQ(calls, 0);
    loop.SetFdEvents(p[0], IoRead);
    loop.RunOnce(20);
    EXPECT_EQ(calls, 1);
    close(p[0]);
    close(p[1]);
}
