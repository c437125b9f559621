// The camera's own USB microphone through snd-usb-audio: a clip recorded with the emulated camera
// carries the microphone's tone, with ALSA alone and with a desktop's PipeWire session.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "KernelSession.h"
#include "PipeWireSession.h"
#include "UsbipMicrophone.h"
#include "support/TestEnvironment.h"

namespace {

constexpr int kToneHz = 1000;

// What independent tools find in a clip's sound: ffmpeg takes it out (mixed to one channel at
// its own rate), sox measures it.
struct ClipSound {
    double seconds = 0;  // of sound
    double samples = 0;
    double roughHz = 0;
    double rms = 0;
    double videoSeconds = 0;
    std::string report;
};

double field(const std::string& text, const std::string& name) {
    const std::regex re(name + R"(:?\s*([0-9.]+))");
    std::smatch m;
    return std::regex_search(text, m, re) ? std::atof(m[1].str().c_str()) : -1;
}

ClipSound measure(DesktopSession& session, const std::string& clip) {
    ClipSound s;
    const std::string wav = testenv::tempDir() + "/sound.wav";
    s.report = session.run(
        "ffmpeg -v error -y -i '" + clip + "' -map 0:a:0 -ac 1 -c:a pcm_s16le '" + wav +
        "' 2>&1; sox '" + wav + "' -n stat 2>&1; ffprobe -v error " +
        "-select_streams v:0 -show_entries stream=duration -of csv=p=0 '" + clip + "' 2>&1");
    s.samples = field(s.report, "Samples read");
    s.seconds = field(s.report, "Length \\(seconds\\)");
    s.roughHz = field(s.report, "Rough\\s+frequency");
    s.rms = field(s.report, "RMS\\s+amplitude");
    const size_t lastLine = s.report.find_last_of('\n', s.report.size() - 2);
    s.videoSeconds =
        std::atof(s.report.c_str() + (lastLine == std::string::npos ? 0 : lastLine + 1));
    return s;
}

// The text of the graphs the program has built and still holds, as it dumps them.
std::string graphs(const std::string& dir) {
    std::string all;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        std::ifstream in(e.path());
        std::stringstream text;
        text << in.rdbuf();
        all += text.str();
    }
    return all;
}

class Sound : public KernelTest {
  protected:
    void SetUp() override {
        KernelTest::SetUp();
        dots_ = testenv::tempDir() + "/graphs";
        std::filesystem::create_directories(dots_);
        ::setenv("GST_DEBUG_DUMP_DOT_DIR", dots_.c_str(), 1);
    }
    void TearDown() override {
        KernelTest::TearDown();
        microphone.unplug();
        ::unsetenv("GST_DEBUG_DUMP_DOT_DIR");
    }

    // Records about six seconds; the recording graph as the program built it, and the clip.
    std::string recordClip(const std::string& window, std::string& graph) {
        session.click(window, QPoint(66, 500));
        const std::string counting = session.waitForCaption(
            window, [](const std::string& c) { return c.find(" - 00:00:06") != std::string::npos; },
            90);
        EXPECT_NE(counting.find(" - 00:00:06"), std::string::npos) << counting;
        graph = graphs(dots_);
        session.screenshot("sound-recording");
        session.click(window, QPoint(66, 500));
        EXPECT_EQ(session.waitForCaption(
                      window, [](const std::string& c) { return c == "Peekbox"; }, 60),
                  "Peekbox");
        return testenv::videosDir() + "/Movie0001.avi";
    }

    // The clip's sound is the microphone's tone, as long as its pictures.
    void expectTone(const std::string& clip) {
        ClipSound s;
        ASSERT_TRUE(
            waitUntil([&] { return (s = measure(session, clip)).samples > 0; }, 30000, 1000))
            << s.report;
        std::ofstream(guest::results() + "/" +
                      testing::UnitTest::GetInstance()->current_test_info()->name() + ".sound")
            << s.report;
        EXPECT_NEAR(s.roughHz, kToneHz, kToneHz * 0.05) << s.report;
        EXPECT_GT(s.rms, 0.2) << "silence or noise, not the tone\n" << s.report;
        EXPECT_GT(s.seconds, 3.0) << s.report;
        EXPECT_NEAR(s.seconds, s.videoSeconds, std::max(0.5, s.videoSeconds * 0.1))
            << "the sound does not last as long as the pictures\n"
            << s.report;
    }

    std::string dots_;
    UsbipMicrophone microphone;
};

}  // namespace

TEST_F(Sound, AClipCarriesTheCamerasMicrophoneThroughAlsa) {
    ASSERT_TRUE(camera.plug({})) << camera.log();
    ASSERT_TRUE(microphone.plug({.toneHz = kToneHz})) << microphone.log();
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    std::string graph;
    const std::string clip = recordClip(window, graph);
    EXPECT_NE(graph.find("GstAlsaSrc"), std::string::npos) << "no ALSA source in the graph";
    expectTone(clip);
    EXPECT_EQ(session.terminate(), 0);
}

TEST_F(Sound, AClipCarriesTheCamerasMicrophoneThroughAPipeWireSession) {
    ASSERT_TRUE(guest::startUdevd()) << "udevd: the session's ALSA monitor needs its database";
    PipeWireSession sound;
    ASSERT_TRUE(sound.start("/run/sound-session")) << "the PipeWire session did not start";
    for (const std::string& e : sound.clientEnvironment()) {
        const size_t eq = e.find('=');
        ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
    }
    ASSERT_TRUE(camera.plug({})) << camera.log();
    ASSERT_TRUE(microphone.plug({.toneHz = kToneHz})) << microphone.log();
    ASSERT_TRUE(sound.waitForSource("alsa_input.usb-Test_Desk_Camera"))
        << sound.pactl("list short sources");
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    std::string graph;
    const std::string clip = recordClip(window, graph);
    EXPECT_NE(graph.find("alsa_input.usb-Test_Desk_Camera"), std::string::npos)
        << "the graph does not record the camera's microphone through the session";
    expectTone(clip);
    EXPECT_EQ(session.terminate(), 0);
    for (const std::string& e : sound.clientEnvironment()) {
        ::unsetenv(e.substr(0, e.find('=')).c_str());
    }
    guest::stopUdevd();
}
