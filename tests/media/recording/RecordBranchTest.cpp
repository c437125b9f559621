// The recording pieces of the media layer on virtual devices: stream control, file writer
// finishing, the ASF writer and its profile; files judged by ffprobe and gst-discoverer-1.0.
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "MediaFileProbe.h"
#include "platform/media/AsfWriter.h"
#include "platform/media/FileWriter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/MediaRuntime.h"
#include "platform/media/SmartTee.h"
#include "platform/media/StreamControl.h"
#include "platform/media/VirtualSources.h"
#include "support/TestEnvironment.h"
#include "support/Wait.h"

using namespace platform::media;
using platform::S_Ok;

namespace {

long fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Pin firstPin(const Filter& f, PinDirection d, MajorType t = MajorType::Any) {
    for (Pin& p : f.pins()) {
        if (p.direction() == d && (t == MajorType::Any || p.majorType() == t)) {
            return p;
        }
    }
    return {};
}

// Camera -> Smart Tee (capture: recorded, preview: discarded) and microphone, as a recording
// graph has them.
class RecordBranch : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MediaRuntime::initialise());
        ASSERT_EQ(FilterGraph::create(graph_), S_Ok);
        VirtualDeviceDesc cam;
        cam.formats = {"YUY2"};
        camera_ = Filter::fromElement(VirtualSources::createCamera(cam));
        mic_ = Filter::fromElement(VirtualSources::createMicrophone(VirtualDeviceDesc{}));
        ASSERT_EQ(SmartTee::create(tee_), S_Ok);
        ASSERT_EQ(Filter::create("fakesink", preview_), S_Ok);
        g_object_set(preview_.element(), "async", FALSE, nullptr);
        ASSERT_EQ(graph_->addFilter(camera_, "Source Capture"), S_Ok);
        ASSERT_EQ(graph_->addFilter(mic_, "Audio Device"), S_Ok);
        ASSERT_EQ(graph_->addFilter(tee_, "Smart Tee"), S_Ok);
        ASSERT_EQ(graph_->addFilter(preview_, "VMR"), S_Ok);
        Pin camOut = firstPin(camera_, PinDirection::Output);
        Pin teeIn = firstPin(tee_, PinDirection::Input);
        ASSERT_EQ(graph_->connect(camOut, teeIn), S_Ok);
        Pin teePreview;
        for (Pin& p : tee_.pins()) {
            if (p.category() == PinCategory::Preview) {
                teePreview = p;
            }
        }
        Pin sinkIn = firstPin(preview_, PinDirection::Input);
        ASSERT_EQ(graph_->connect(teePreview, sinkIn), S_Ok);
        path_ = testenv::videosDir() + "/" +
                testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override {
        if (graph_) {
            graph_->stop();
        }
        controls_.clear();
        writer_.reset();
        graph_.reset();
    }

    // Connects the tee's capture output (and the microphone) to `mux`, with a stream control
    // on each recorded output, held shut.
    void connectRecorded(Filter& mux, bool audio) {
        Pin cap;
        for (Pin& p : tee_.pins()) {
            if (p.category() == PinCategory::Capture) {
                cap = p;
            }
        }
        Pin vin = firstPin(mux, PinDirection::Input, MajorType::Video);
        ASSERT_EQ(graph_->connect(cap, vin), S_Ok);
        std::shared_ptr<StreamControl> v;
        ASSERT_EQ(StreamControl::create(cap, v), S_Ok);
        controls_.push_back(v);
        if (audio) {
            Pin aout = firstPin(mic_, PinDirection::Output);
            Pin ain = firstPin(mux, PinDirection::Input, MajorType::Audio);
            ASSERT_EQ(graph_->connect(aout, ain), S_Ok);
            std::shared_ptr<StreamControl> a;
            ASSERT_EQ(StreamControl::create(aout, a), S_Ok);
            controls_.push_back(a);
        }
        const int64_t never = StreamControl::kMaxTime;
        for (auto& c : controls_) {
            c->startAt(&never, 0);
            c->stopAt(nullptr, false, 0);
        }
    }
    void startAll() {
        const int64_t never = StreamControl::kMaxTime;
        for (auto& c : controls_) {
            c->startAt(nullptr, 0);
            c->stopAt(&never, false, 0);
        }
    }

    std::shared_ptr<FilterGraph> graph_;
    Filter camera_, mic_, tee_, preview_;
    std::shared_ptr<FileWriter> writer_;
    std::vector<std::shared_ptr<StreamControl>> controls_;
    std::string path_;
};

TEST_F(RecordBranch, AviHoldsNothingBeforeTheStartAndIsCompleteAfterTheEnd) {
    Filter mux;
    const std::string file = path_ + ".avi";
    ASSERT_EQ(FileWriter::setOutputFileName(graph_, OutputSubtype::Avi, file, mux, writer_), S_Ok);
    connectRecorded(mux, true);
    ASSERT_EQ(graph_->run(), S_Ok);
    sleepMs(800);
    EXPECT_EQ(fileSize(file), 0) << "written while held shut";
    for (auto& c : controls_) {
        EXPECT_EQ(c->buffersPassed(), 0u);
    }
    startAll();
    sleepMs(2000);
    ASSERT_TRUE(writer_->finish(controls_));
    graph_->stop();

    const ClipInfo info = probeClip(file);
    ASSERT_TRUE(info.probed);
    EXPECT_TRUE(info.discovered);
    const ClipStream* v = info.stream("video");
    const ClipStream* a = info.stream("audio");
    ASSERT_NE(v, nullptr);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(v->codec, "rawvideo");
    EXPECT_EQ(v->width, 640);
    EXPECT_EQ(v->height, 480);
    EXPECT_EQ(a->codec, "pcm_s16le");
    // Every frame let through is in the file, and the file lasts as long as the frames span
    // (a loaded machine may deliver fewer than 30 a second: the benchmark counts those).
    EXPECT_EQ(static_cast<uint64_t>(v->frames), controls_[0]->buffersPassed());
    const double span = static_cast<double>(controls_[0]->lastPassedTime()) / 1e7;
    EXPECT_NEAR(static_cast<double>(v->frames), span * 30.0 + 1.0, 2.0);
    EXPECT_NEAR(info.duration, span + 1.0 / 30.0, 2.0 / 30.0);
    EXPECT_GT(v->frames, 30);
}

TEST_F(RecordBranch, AStreamThatStoppedFlowingStillEndsTheFile) {
    Filter mux;
    const std::string file = path_ + ".avi";
    ASSERT_EQ(FileWriter::setOutputFileName(graph_, OutputSubtype::Avi, file, mux, writer_), S_Ok);
    connectRecorded(mux, true);
    ASSERT_EQ(graph_->run(), S_Ok);
    startAll();
    sleepMs(1000);
    // The camera stops pushing, as a pulled one does; the microphone goes on.
    gst_element_set_locked_state(camera_.element(), TRUE);
    gst_element_set_state(camera_.element(), GST_STATE_NULL);
    sleepMs(300);
    ASSERT_TRUE(writer_->finish(controls_));
    graph_->stop();
    gst_element_set_locked_state(camera_.element(), FALSE);
    const ClipInfo info = probeClip(file);
    EXPECT_TRUE(info.discovered);
    ASSERT_NE(info.stream("video"), nullptr);
    EXPECT_EQ(static_cast<uint64_t>(info.stream("video")->frames), controls_[0]->buffersPassed());
    EXPECT_GT(info.stream("video")->frames, 10);
}

// A camera whose frames reach the tee late (here a third of a second, as a busy encoder or a
// slow converter makes them) still starts its picture together with the sound.
TEST_F(RecordBranch, PictureAndSoundOpenAtTheSameInstantWhenThePictureRunsLate) {
    Pin camOut = firstPin(camera_, PinDirection::Output);
    ASSERT_EQ(graph_->disconnect(camOut), S_Ok);
    Filter lag;
    ASSERT_EQ(Filter::create("queue", lag), S_Ok);
    g_object_set(lag.element(), "min-threshold-time", guint64{333} * GST_MSECOND, "max-size-time",
                 guint64{0}, "max-size-buffers", 0u, "max-size-bytes", 0u, nullptr);
    ASSERT_EQ(graph_->addFilter(lag, "Lag"), S_Ok);
    Pin lagIn = firstPin(lag, PinDirection::Input);
    Pin lagOut = firstPin(lag, PinDirection::Output);
    Pin teeIn = firstPin(tee_, PinDirection::Input);
    ASSERT_EQ(graph_->connect(camOut, lagIn), S_Ok);
    ASSERT_EQ(graph_->connect(lagOut, teeIn), S_Ok);
    Filter mux;
    const std::string file = path_ + ".avi";
    ASSERT_EQ(FileWriter::setOutputFileName(graph_, OutputSubtype::Avi, file, mux, writer_), S_Ok);
    connectRecorded(mux, true);
    ASSERT_EQ(graph_->run(), S_Ok);
    // Both streams reach their controls before the opening.
    ASSERT_TRUE(testenv::waitUntil(
        [&] { return !controls_[0]->idleFor(100) && !controls_[1]->idleFor(100); }, 5000));
    startAll();
    ASSERT_TRUE(testenv::waitUntil([&] { return controls_[0]->buffersPassed() >= 45; }, 10000));
    ASSERT_TRUE(writer_->finish(controls_));
    graph_->stop();
    EXPECT_EQ(clipProblems(file), "");
}

TEST_F(RecordBranch, AsfWithTheDefaultProfileKeepsTimeAndFrames) {
    Filter writerBin;
    const std::string file = path_ + ".asf";
    ASSERT_EQ(FileWriter::setOutputFileName(graph_, OutputSubtype::Asf, file, writerBin, writer_),
              S_Ok);
    AsfWriter::setIndexMode(writerBin, true);
    connectRecorded(writerBin, true);
    AsfWriter::removeUnconnectedInputs(writerBin);
    ASSERT_EQ(graph_->run(), S_Ok);
    sleepMs(500);
    startAll();
    sleepMs(2000);
    ASSERT_TRUE(writer_->finish(controls_));
    graph_->stop();
    const ClipInfo info = probeClip(file);
    EXPECT_TRUE(info.discovered);
    ASSERT_NE(info.stream("video"), nullptr);
    ASSERT_NE(info.stream("audio"), nullptr);
    EXPECT_EQ(info.stream("video")->codec, "wmv2");
    EXPECT_EQ(info.stream("audio")->codec, "wmav2");
    EXPECT_NEAR(static_cast<double>(info.stream("video")->frames), 60.0, 4.0);
    EXPECT_NEAR(info.duration, 2.0, 0.2);
    EXPECT_EQ(clipProblems(file), "");
}

}  // namespace
