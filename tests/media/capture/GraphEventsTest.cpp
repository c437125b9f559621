// Graph events on the panel: the abort mapping, draining, and a real disk-full abort.
#include <cerrno>

#include <gst/gst.h>

#include <atomic>
#include <thread>

#include <QCoreApplication>
#include <QThread>

#include "CaptureFixture.h"
#include "capture/nDirectShow.h"

namespace {

class GraphEvents : public CaptureFixture {
  protected:
    // An error as a file sink posts it, straight onto the graph's bus (a capture source's
    // errors never mean a full disk or the file limit).
    static void postError(TDirectShow& ds, GQuark domain, int code, const char* debug) {
        GError* e = g_error_new_literal(domain, code, "test error");
        GstElement* file = gst_element_factory_make("filesink", nullptr);
        gst_object_ref_sink(file);
        GstBus* bus = gst_element_get_bus(ds.VideoSource().element());
        gst_bus_post(bus, gst_message_new_error(GST_OBJECT(file), e, debug));
        gst_object_unref(bus);
        gst_object_unref(file);
        g_error_free(e);
    }
};

TEST_F(GraphEvents, OnlyTheLastAbortOfANotificationCounts) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    int diskFull = 0;
    int fileLimit = 0;
    ds.events().OnRecordDiskFull = [&](TDirectShow* sender, void* data) {
        EXPECT_EQ(sender, &ds);
        EXPECT_EQ(data, nullptr);
        ++diskFull;
    };
    ds.events().OnRecordFileLimit = [&](TDirectShow*, void*) { ++fileLimit; };
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.DeviceEnable());

    postError(ds, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT, nullptr);
    postError(ds, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE, g_strerror(EFBIG));
    QTest::qWait(300);
    EXPECT_EQ(diskFull, 0);
    EXPECT_EQ(fileLimit, 1);

    // Another failure is drained and ignored.
    postError(ds, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT, nullptr);
    postError(ds, GST_CORE_ERROR, GST_CORE_ERROR_FAILED, nullptr);
    QTest::qWait(300);
    EXPECT_EQ(diskFull, 0);
    EXPECT_EQ(fileLimit, 1);

    // Without a handler the disk-full abort raises nothing and leaves no event behind.
    ds.events().OnRecordDiskFull = nullptr;
    postError(ds, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT, nullptr);
    QTest::qWait(300);
    platform::media::GraphEvent ev;
    EXPECT_EQ(ds.Graph()->getEvent(ev, 0), platform::media::E_Abort);
    EXPECT_EQ(fileLimit, 1);
}

TEST_F(GraphEvents, ARealDiskFullArrivesOnTheGuiThread) {
    devices("camera:name=C,vid=3a7b,pid=0b01");
    TDirectShow ds;
    int diskFull = 0;
    QThread* thread = nullptr;
    ds.events().OnRecordDiskFull = [&](TDirectShow*, void*) {
        ++diskFull;
        thread = QThread::currentThread();
    };
    ds.InitRunCapture("3a7b", "0b01", false);
    ASSERT_TRUE(ds.DeviceEnable());
    // A file branch writing to a full device beside the preview.
    auto graph = ds.Graph();
    platform::media::Filter src;
    platform::media::Filter enc;
    platform::media::Filter valve;
    platform::media::Filter sink;
    ASSERT_EQ(platform::media::Filter::create("videotestsrc", src), platform::S_Ok);
    ASSERT_EQ(platform::media::Filter::create("valve", valve), platform::S_Ok);
    ASSERT_EQ(platform::media::Filter::create("jpegenc", enc), platform::S_Ok);
    ASSERT_EQ(platform::media::Filter::create("filesink", sink), platform::S_Ok);
    g_object_set(src.element(), "is-live", TRUE, nullptr);
    g_object_set(sink.element(), "location", "/dev/full", "async", FALSE, nullptr);
    // Held shut until the graph runs, as a recording is: the first write comes after Run.
    g_object_set(valve.element(), "drop", TRUE, nullptr);
    ASSERT_EQ(graph->addFilter(src, "Test Source"), platform::S_Ok);
    ASSERT_EQ(graph->addFilter(enc, "Test Encoder"), platform::S_Ok);
    ASSERT_EQ(graph->addFilter(valve, "Test Valve"), platform::S_Ok);
    ASSERT_EQ(graph->addFilter(sink, "File Writer"), platform::S_Ok);
    ASSERT_TRUE(gst_element_link_many(src.element(), enc.element(), valve.element(), sink.element(),
                                      nullptr));

    ds.Run();
    ASSERT_EQ(ds.RunGraphResult(), 0);
    g_object_set(valve.element(), "drop", FALSE, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return diskFull > 0; }));
    EXPECT_EQ(diskFull, 1);
    EXPECT_EQ(thread, QCoreApplication::instance()->thread());
    ds.Close();
}

TEST_F(GraphEvents, MotionReachesItsHandlerFromAnyThread) {
    TDirectShow ds;
    ds.Motion();  // no handler: nothing
    std::atomic<int> calls{0};
    ds.events().OnMotion = [&](TDirectShow* sender, void* data) {
        EXPECT_EQ(sender, &ds);
        EXPECT_EQ(data, nullptr);
        ++calls;
    };
    std::thread streaming([&ds] { ds.Motion(); });
    streaming.join();
    EXPECT_EQ(calls.load(), 1);
}

}  // namespace
