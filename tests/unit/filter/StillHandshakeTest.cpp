// The still handshake between the user-interface thread and the streaming thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "filter/MyTransFilter.h"
#include "tests/unit/filter/FilterTestSupport.h"

using namespace filter;

TEST(StillHandshake, RequestClearsReadyFirst) {
    MyTransFilter f;
    f.setStillByFilter(true);
    ASSERT_EQ(f.setFrameFormat(8, 4, FrameFormat::YUY2), platform::S_Ok);
    f.requestStill();
    auto frame = filtertest::yuy2Frame(8, 4);
    auto s = frame.sample();
    f.Transform(&s);
    ASSERT_TRUE(f.stillReady());
    f.requestStill();
    EXPECT_FALSE(f.stillReady());
    EXPECT_TRUE(f.stillRequested());
}

namespace {

constexpr int32_t kW = 320, kH = 240;
constexpr size_t kStillBytes = static_cast<size_t>(kW) * kH * 3;

// What GetImg does with the still: one copy of the whole picture.
bool copyOut(const MyTransFilter& f, std::vector<uint8_t>& out) {
    out.assign(kStillBytes, 0);
    return f.copyStill(kW, kH, true, out.data(), kW * 3);
}

// The filter's still of `frame` (after `before`, with motion armed when `motion`), taken alone.
std::vector<uint8_t> stillOf(const filtertest::Frame& before, const filtertest::Frame& frame,
                             bool motion) {
    MyTransFilter f;
    f.setStillByFilter(true);
    EXPECT_EQ(f.setFrameFormat(kW, kH, FrameFormat::YUY2), platform::S_Ok);
    f.setMotionEnabled(motion);
    for (const filtertest::Frame* src : {&before, &frame}) {
        filtertest::Frame work = *src;
        if (!motion && src == &frame) {
            f.requestStill();
        }
        auto s = work.sample();
        f.Transform(&s);
    }
    EXPECT_TRUE(f.stillFilled());
    std::vector<uint8_t> still;
    EXPECT_TRUE(copyOut(f, still));
    return still;
}

}  // namespace

// Requested stills and motion stills race on the streaming thread while the user-interface
// thread arms motion, asks for stills and copies them: every copy is one whole still.
TEST(StillHandshake, CopiedStillsAreWholeWhileMotionStillsArrive) {
    const filtertest::Frame a = filtertest::yuy2Pattern(kW, kH, 1);
    const filtertest::Frame b = filtertest::yuy2Pattern(kW, kH, 2);
    const std::vector<std::vector<uint8_t>> whole = {stillOf(b, a, false), stillOf(a, b, false),
                                                     stillOf(b, a, true), stillOf(a, b, true)};
    ASSERT_NE(whole[2], whole[0]);  // the motion still carries its marks: motion was seen

    MyTransFilter f;
    f.setStillByFilter(true);
    ASSERT_EQ(f.setFrameFormat(kW, kH, FrameFormat::YUY2), platform::S_Ok);
    std::atomic<bool> stop{false};
    std::thread streaming([&] {
        filtertest::Frame work = a;
        for (uint32_t n = 0; !stop.load(std::memory_order_relaxed); ++n) {
            work.bytes = (n % 2 == 0 ? a : b).bytes;  // the marks are drawn into the frame
            auto s = work.sample(static_cast<int64_t>(n) * 333333);
            f.Transform(&s);
        }
    });
    std::vector<uint8_t> still;
    int torn = 0;
    for (int i = 0; i < 100; ++i) {
        f.setMotionEnabled(true);
        f.requestStill();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!f.stillReady() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(f.stillReady());
        // Copies go on while the motion still is being made (the trigger is disarmed after it).
        do {
            ASSERT_TRUE(copyOut(f, still));
            if (std::find(whole.begin(), whole.end(), still) == whole.end()) {
                ++torn;
            }
        } while (f.motionEnabled() && std::chrono::steady_clock::now() < deadline);
    }
    stop = true;
    streaming.join();
    EXPECT_EQ(torn, 0);
}

TEST(StillHandshake, FlagsChangedFromAnotherThreadWhileFramesFlow) {
    // Stamps, overlay, motion and zoom switched from the user-interface thread mid-stream.
    constexpr int32_t w = 160, h = 120;
    MyTransFilter f;
    ASSERT_EQ(f.setFrameFormat(w, h, FrameFormat::YUY2), platform::S_Ok);
    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread streaming([&] {
        for (uint32_t n = 0; !stop.load(std::memory_order_relaxed); ++n) {
            auto frame = filtertest::yuy2Pattern(w, h, n % 7 + 1);
            auto s = frame.sample(static_cast<int64_t>(n) * 333333);
            f.Transform(&s);
            ++frames;
        }
    });
    std::vector<int32_t> map(static_cast<size_t>(w) * h);
    for (int i = 0; i < 300; ++i) {
        f.setShowDate(i % 2 == 0);
        f.setAddTime(i % 3 == 0);
        f.ShowStreamDebug(i % 5 == 0);
        f.setStillByFilter(i % 2 == 1);
        f.setMotionEnabled(i % 4 == 0);
        f.updateElapsed(static_cast<uint32_t>(i * 300));
        for (size_t p = 0; p < map.size(); ++p) {
            map[p] = static_cast<int32_t>((p + static_cast<size_t>(i)) % map.size()) * 2;
        }
        f.SetZoomValue(i % 2 == 0 ? 150 : 100, map.data(), static_cast<int32_t>(map.size() * 4));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    stop = true;
    streaming.join();
    EXPECT_GT(frames.load(), 0);
}
