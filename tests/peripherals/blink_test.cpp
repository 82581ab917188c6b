#include "peripherals/blink_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <vector>

using namespace keltrix;

TEST(BlinkDuration, FromTheRates) {
    EXPECT_EQ(BlinkDuration(0, 0), std::nullopt);
    EXPECT_EQ(BlinkDuration(0.3f, 0), 0); // a blink of no length still runs
    EXPECT_EQ(BlinkDuration(1, 0), 5);
    EXPECT_EQ(BlinkDuration(2.5f, 0), 10); // halves to even
    EXPECT_EQ(BlinkDuration(3.5f, 0), 20);
    EXPECT_EQ(BlinkDuration(0, 2.5f), 10);
    EXPECT_EQ(BlinkDuration(60, 60), 500); // capped, not 600
    EXPECT_EQ(BlinkDuration(99.9f, 0), 500);
    EXPECT_EQ(BlinkDuration(50, 49.4f), 495);
}

TEST(BlinkDuration, StrangeRatesStayInRange) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float huge = std::numeric_limits<float>::max();
    EXPECT_EQ(BlinkDuration(inf, 0), 500);
    EXPECT_EQ(BlinkDuration(huge, huge), 500); // the float sum overflows
    EXPECT_EQ(BlinkDuration(1e12f, 0), 500);
    EXPECT_EQ(BlinkDuration(nan, nan), std::nullopt);
    EXPECT_EQ(BlinkDuration(nan, 3), 0);
    EXPECT_EQ(BlinkDuration(inf, -inf), 0);
    EXPECT_EQ(BlinkDuration(5, -100), 0); // a negative rate never makes a negative blink
}

namespace {
// The light as the blinks leave it, with the times of its edges.
struct TLight {
    std::mutex Lock;
    std::condition_variable Done;
    bool On = false;
    std::vector<std::chrono::steady_clock::time_point> Edges;
    int Finished = 0;
    void Toggle() {
        std::lock_guard g(Lock);
        On = !On;
        Edges.push_back(std::chrono::steady_clock::now());
    }
    void Off() {
        std::lock_guard g(Lock);
        On = false;
    }
};
} // namespace

TEST(BlinkThread, TogglesForItsDurationAndBack) {
    TLight light;
    light.On = true; // a light that was on goes off for the blink and comes back on
    TBlinkThread blink([&] { light.Toggle(); }, [&] { light.Off(); }, nullptr);
    blink.Duration = 120;
    const auto start = std::chrono::steady_clock::now();
    blink.Execute();
    const auto total = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(light.Edges.size(), 2u);
    EXPECT_TRUE(light.On);
    EXPECT_GE(light.Edges[1] - light.Edges[0], std::chrono::milliseconds(120));
    EXPECT_GE(total, std::chrono::milliseconds(170)); // the 50 ms tail
}

TEST(BlinkThread, SwitchingOffDuringABlinkLeavesTheLightOff) {
    TLight light;
    auto epoch = std::make_shared<std::atomic<int>>(0);
    auto blink = std::make_unique<TBlinkThread>(
        [&] {
            light.Toggle();
            std::lock_guard g(light.Lock);
            ++light.Finished;
            light.Done.notify_all();
        },
        [&] {
            light.Off();
            std::lock_guard g(light.Lock);
            light.Finished = 100;
            light.Done.notify_all();
        },
        epoch);
    blink->Duration = 300;
    TBlinkThread::Start(std::move(blink));
    {
        std::unique_lock g(light.Lock);
        light.Done.wait(g, [&] { return light.Finished >= 1; });
        EXPECT_TRUE(light.On);
    }
    ++*epoch; // the lamp is switched off while the light is toggled
    std::unique_lock g(light.Lock);
    ASSERT_TRUE(
        light.Done.wait_for(g, std::chrono::seconds(5), [&] { return light.Finished == 100; }));
    EXPECT_FALSE(light.On);
    EXPECT_EQ(light.Edges.size(), 1u);
}
