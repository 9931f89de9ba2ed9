#include "framework/UiServices.h"

#include <gtest/gtest.h>
#include <thread>

namespace {
using namespace std::chrono_literals;
CPumpThrottle::Clock::time_point g_now;
CPumpThrottle::Clock::time_point FakeNow() { return g_now; }
}  // namespace

// One slow item (a cold disk, NFS) must not keep the window waiting for the next few.
TEST(PumpThrottle, PumpsOnTheFirstItemDueAfterTheInterval)
{
    g_now = CPumpThrottle::Clock::time_point(1h);
    CPumpThrottle throttle(16ms, &FakeNow);
    const struct {
        std::chrono::milliseconds step;
        bool due;
    } items[] = {{0ms, true}, {1ms, false}, {10ms, false}, {5ms, true}, {15ms, false}, {2000ms, true}, {0ms, false}};
    for (const auto& item : items) {
        g_now += item.step;
        EXPECT_EQ(throttle.Due(), item.due) << item.step.count();
    }
}

// The throttle's own clock keeps the program's time, and moves: after twice the interval
// a throttle is due again.
TEST(PumpThrottle, ItsClockIsTheProgramsAndMoves)
{
    const auto coarse = CPumpThrottle::CoarseNow();
    const auto fine = CPumpThrottle::Clock::now();
    EXPECT_LE(coarse, fine);
    EXPECT_LT(fine - coarse, 1s) << "another clock's start";
    CPumpThrottle throttle(10ms);
    EXPECT_TRUE(throttle.Due());
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(throttle.Due());
}
