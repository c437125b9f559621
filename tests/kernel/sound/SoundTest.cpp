// The camera's own USB microphone through snd-usb-audio: a clip recorded with the emulated camera
// carries the microphone's tone, with ALSA alone and with a desktop's PipeWire session, while
// another microphone (a silent loopback card) is listed before it, as a laptop's own often is.
#include <chrono>
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
    std::string report;
};

// A microphone listed before the camera's: the loopback card (snd-aloop), which records silence.
// GStreamer's ALSA and PulseAudio providers both list the newest device first (the highest card,
// the last source the server made), so it is loaded after the camera's microphone is plugged.
bool loadLoopbackCard() {
    guest::shell("modprobe -d /run/bench snd-aloop >>" + guest::results() + "/modprobe.log 2>&1");
    return waitUntil([] { return std::filesystem::exists("/proc/asound/Loopback"); }, 30000, 100);
}

// The microphones in the order the program lists them, with no camera bound or beside the first
// camera, one a line; kept in the results with what the device monitor says of every device.
std::vector<std::string> listedMicrophones(bool besideCamera = false) {
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string file = guest::results() + "/" + name +
                             (besideCamera ? ".microphones-beside-camera" : ".microphones");
    const std::string text = guest::shell(std::string(LIST_MICROPHONES_PROGRAM) +
                                          (besideCamera ? " --camera" : "") + " 2>>" + file);
    std::ofstream(file, std::ios::app) << text;
    if (!besideCamera) {
        guest::shell("timeout 120 gst-device-monitor-1.0 -i Audio/Source Video/Source >" +
                     guest::results() + "/" + name + ".devices 2>&1");
    }
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The loopback card is index 0 of the list and the camera's microphone comes after it: what a
// clip records from index 0 unless the camera's own is put first.
void expectLoopbackListedFirst(const std::vector<std::string>& list) {
    std::string all;
    for (const std::string& l : list) {
        all += l + "\n";
    }
    const std::regex loopback("Loopback|snd_aloop");
    ASSERT_FALSE(list.empty()) << "no microphone listed";
    EXPECT_TRUE(std::regex_search(list.front(), loopback)) << all;
    EXPECT_NE(all.find("Desk Camera", list.front().size()), std::string::npos) << all;
}

// Beside the camera, the list starts with the camera's microphone.
void expectCameraMicrophoneListedFirst(const std::vector<std::string>& list) {
    ASSERT_FALSE(list.empty()) << "no microphone listed";
    EXPECT_NE(list.front().find("Desk Camera"), std::string::npos) << list.front();
}

double field(const std::string& text, const std::string& name) {
    const std::regex re(name + R"(:?\s*([0-9.]+))");
    std::smatch m;
    return std::regex_search(text, m, re) ? std::atof(m[1].str().c_str()) : -1;
}

ClipSound measure(DesktopSession& session, const std::string& clip) {
    ClipSound s;
    const std::string wav = testenv::tempDir() + "/sound.wav";
    s.report =
        session.run("ffmpeg -v error -y -i '" + clip + "' -map 0:a:0 -ac 1 -c:a pcm_s16le '" + wav +
                    "' 2>&1; sox '" + wav + "' -n stat 2>&1; ffprobe -v error " +
                    "-show_entries stream=codec_name,sample_rate,channels,nb_frames,duration " +
                    "-of compact '" + clip + "' 2>&1");
    s.samples = field(s.report, "Samples read");
    s.seconds = field(s.report, "Length \\(seconds\\)");
    s.roughHz = field(s.report, "Rough\\s+frequency");
    s.rms = field(s.report, "RMS\\s+amplitude");
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
        // The sound libraries are built without frame pointers: the fast unwinder stops in them,
        // and the suppressions, which name them, would not see their one-time allocations.
        lsan_ = std::getenv("LSAN_OPTIONS") != nullptr ? std::getenv("LSAN_OPTIONS") : "";
        ::setenv("LSAN_OPTIONS", (lsan_ + ":fast_unwind_on_malloc=0").c_str(), 1);
    }
    void TearDown() override {
        KernelTest::TearDown();
        microphone.unplug();
        // The next test's session must meet the card as new, after the camera's microphone.
        guest::shell("modprobe -r -d /run/bench snd-aloop >>" + guest::results() +
                     "/modprobe.log 2>&1");
        ::unsetenv("GST_DEBUG_DUMP_DOT_DIR");
        ::setenv("LSAN_OPTIONS", lsan_.c_str(), 1);
    }

    // Records about six seconds: the recording graph as the program built it, how long the
    // recording ran as its caption showed it, and the clip.
    std::string recordClip(const std::string& window, std::string& graph, double& ranSeconds) {
        auto counting = [](const std::string& c) {
            return c.find(" - 00:00:") != std::string::npos;
        };
        session.click(window, QPoint(66, 500));
        // The caption counts from half a second after the file starts.
        std::string caption = session.waitForCaption(window, counting, 90);
        const auto started = std::chrono::steady_clock::now() - std::chrono::milliseconds(500);
        EXPECT_TRUE(counting(caption)) << caption;
        caption = session.waitForCaption(
            window, [](const std::string& c) { return c.find(" - 00:00:06") != std::string::npos; },
            60);
        EXPECT_NE(caption.find(" - 00:00:06"), std::string::npos) << caption;
        graph = graphs(dots_);
        session.click(window, QPoint(66, 500));
        caption = session.waitForCaption(
            window, [&](const std::string& c) { return !counting(c); }, 60);
        ranSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_FALSE(counting(caption)) << "the recording did not stop: " << caption;
        return testenv::videosDir() + "/Movie0001.avi";
    }

    // Ends the program as a session's end would; how long it took goes to the results.
    void expectCleanExit() {
        const auto asked = std::chrono::steady_clock::now();
        const int code = session.terminate(120);
        const double took =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
        std::ofstream(guest::results() + "/exit.txt")
            << "exit " << code << " after " << took << " s\n";
        EXPECT_EQ(code, 0) << "after " << took << " s";
    }

    // The clip's sound is the microphone's tone, as long as its pictures.
    void expectTone(const std::string& clip, double ranSeconds) {
        ClipSound s;
        ASSERT_TRUE(
            waitUntil([&] { return (s = measure(session, clip)).samples > 0; }, 30000, 1000))
            << s.report;
        std::ofstream(guest::results() + "/" +
                      testing::UnitTest::GetInstance()->current_test_info()->name() + ".sound")
            << s.report << "recording ran " << ranSeconds << " s\n";
        EXPECT_NEAR(s.roughHz, kToneHz, kToneHz * 0.05) << s.report;
        EXPECT_GT(s.rms, 0.2) << "silence or noise, not the tone\n" << s.report;
        // A stretch of tone, never more sound than the recording ran (more would be samples
        // made up or counted at the wrong rate). Under TCG on a loaded host the guest's one CPU
        // cannot keep up in real time and the file may hold less: what it held is in the results.
        EXPECT_GE(s.seconds, 1.0) << s.report;
        EXPECT_LE(s.seconds, ranSeconds + 1.5)
            << "more sound than the recording ran (" << ranSeconds << " s)\n"
            << s.report;
    }

    std::string dots_;
    std::string lsan_;
    UsbipMicrophone microphone;
};

}  // namespace

TEST_F(Sound, AClipCarriesTheCamerasMicrophoneThroughAlsa) {
    ASSERT_TRUE(camera.plug({})) << camera.log();
    ASSERT_TRUE(microphone.plug({.toneHz = kToneHz})) << microphone.log();
    ASSERT_TRUE(loadLoopbackCard()) << guest::shell("cat /proc/asound/cards");
    expectLoopbackListedFirst(listedMicrophones());
    expectCameraMicrophoneListedFirst(listedMicrophones(true));
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    std::string graph;
    double ran = 0;
    const std::string clip = recordClip(window, graph, ran);
    EXPECT_NE(graph.find("GstAlsaSrc"), std::string::npos) << "no ALSA source in the graph";
    expectTone(clip, ran);
    expectCleanExit();
    EXPECT_TRUE(microphone.unplug()) << "the card stayed after usbip detach\n" << microphone.log();
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
    ASSERT_TRUE(loadLoopbackCard()) << guest::shell("cat /proc/asound/cards");
    ASSERT_TRUE(sound.waitForSource("alsa_input.platform-snd_aloop"))
        << sound.pactl("list short sources");
    // An output that comes after the camera (headphones, a screen with speakers): the session
    // lists its monitor among the sources too.
    sound.pactl("load-module module-null-sink sink_name=headphones");
    ASSERT_TRUE(sound.waitForSource("headphones.monitor")) << sound.pactl("list short sources");
    std::ofstream(guest::results() + "/sources.txt") << sound.pactl("list short sources");
    expectLoopbackListedFirst(listedMicrophones());
    expectCameraMicrophoneListedFirst(listedMicrophones(true));
    const std::string window = startProgram();
    ASSERT_FALSE(window.empty());
    std::string graph;
    double ran = 0;
    const std::string clip = recordClip(window, graph, ran);
    EXPECT_NE(graph.find("alsa_input.usb-Test_Desk_Camera"), std::string::npos)
        << "the graph does not record the camera's microphone through the session";
    expectTone(clip, ran);
    expectCleanExit();
    for (const std::string& e : sound.clientEnvironment()) {
        ::unsetenv(e.substr(0, e.find('=')).c_str());
    }
    guest::stopUdevd();
}
