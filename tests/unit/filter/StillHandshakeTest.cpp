// The still handshake between the user-interface thread and the streaming thread.
#include <gtest/gtest.h>

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

TEST(StillHandshake, EveryPublishedStillIsComplete) {
    // The streaming thread delivers uniform frames whose grey level changes every frame; the
    // user-interface thread asks for stills and checks each one it is handed is one whole frame.
    constexpr int32_t w = 320, h = 240;
    MyTransFilter f;
    f.setStillByFilter(true);
    ASSERT_EQ(f.setFrameFormat(w, h, FrameFormat::YUY2), platform::S_Ok);
    std::atomic<bool> stop{false};
    std::thread streaming([&] {
        auto frame = filtertest::yuy2Frame(w, h);
        for (uint32_t n = 0; !stop.load(std::memory_order_relaxed); ++n) {
            const uint8_t y = static_cast<uint8_t>(20 + n % 200);
            for (size_t i = 0; i < frame.bytes.size(); i += 2) {
                frame.bytes[i] = y;
            }
            auto s = frame.sample(static_cast<int64_t>(n) * 333333);
            f.Transform(&s);
        }
    });
    int delivered = 0;
    for (int i = 0; i < 200; ++i) {
        f.requestStill();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!f.stillReady() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        ASSERT_TRUE(f.stillReady());
        const auto still = f.stillBuffer();
        const uint8_t first = still[0];
        for (uint8_t b : still) {
            ASSERT_EQ(b, first) << "torn still " << i;
        }
        ++delivered;
    }
    stop = true;
    streaming.join();
    EXPECT_EQ(delivered, 200);
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
