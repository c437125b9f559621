// First frames of real clips made by gst-launch, and files without a video stream.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "app/gallery/Thumbnail.h"
#include "app/gallery/VideoThumbnail.h"
#include "support/TestEnvironment.h"

namespace {

// Runs gst-launch-1.0 with `pipeline`; true on success.
bool launch(const std::string& pipeline) {
    return std::system(("gst-launch-1.0 -q " + pipeline + " >/dev/null 2>&1").c_str()) == 0;
}

std::string makeClip(const std::string& name, int w, int h, bool withAudio) {
    const std::string path = testenv::videosDir() + "/" + name;
    std::string p = "videotestsrc num-buffers=30 ! video/x-raw,width=" + std::to_string(w) +
                    ",height=" + std::to_string(h) +
                    ",framerate=30/1 ! jpegenc ! avimux name=m ! filesink location='" + path + "'";
    if (withAudio) {
        p += " audiotestsrc num-buffers=30 ! audioconvert ! audio/x-raw,format=S16LE ! m.";
    }
    return launch(p) ? path : std::string();
}

bool near(QColor a, QColor b, int tolerance = 30) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace

TEST(VideoThumbnail, FirstFrameOfAWideClipAndItsThumbnail) {
    const std::string clip = makeClip("Movie0001.avi", 1280, 800, false);
    ASSERT_FALSE(clip.empty());
    QImage frame;
    ASSERT_EQ(gallery::MakeVideoThumbnail(clip, frame), platform::S_Ok);
    ASSERT_EQ(frame.size(), QSize(1280, 800));
    // The test pattern's first bar (white) is at the left, the blue bar right of centre:
    // upright, and blue where blue belongs.
    EXPECT_TRUE(near(frame.pixelColor(40, 100), QColor(235, 235, 235)))
        << frame.pixelColor(40, 100).name().toStdString();
    EXPECT_TRUE(near(frame.pixelColor(1280 - 40, 100), QColor(16, 0, 228)))
        << frame.pixelColor(1240, 100).name().toStdString();

    QImage thumb;
    ASSERT_TRUE(gallery::MakeThumbnail(frame, thumb, true, {80, 60}));
    const QColor grey(0x63, 0x63, 0x63);
    EXPECT_EQ(thumb.pixelColor(40, 5), grey);
    EXPECT_NE(thumb.pixelColor(3, 6), grey);
    EXPECT_NE(thumb.pixelColor(3, 53), grey);
    EXPECT_EQ(thumb.pixelColor(40, 54), grey);
    EXPECT_EQ(thumb.pixelColor(59, 34), gallery::AviIcon().pixelColor(0, 0));
    EXPECT_EQ(thumb.pixelColor(76, 51), gallery::AviIcon().pixelColor(17, 17));
}

TEST(VideoThumbnail, ClipWithSoundAndOddSizeAndNonUtf8Name) {
    const std::string clip = makeClip("Movie0002.avi", 322, 241, true);
    ASSERT_FALSE(clip.empty());
    const std::string odd = testenv::videosDir() + "/Movie\xE9\xFF.avi";
    std::filesystem::rename(clip, odd);
    QImage frame;
    ASSERT_EQ(gallery::MakeVideoThumbnail(odd, frame), platform::S_Ok);
    EXPECT_EQ(frame.size(), QSize(322, 241));  // rows padded to 4 bytes in the sample
    EXPECT_TRUE(near(frame.pixelColor(10, 10), QColor(235, 235, 235)));
}

TEST(VideoThumbnail, FilesWithoutVideoFailAndLeaveTheTarget) {
    const std::string wav = testenv::videosDir() + "/Movie0003.avi";
    ASSERT_TRUE(launch("audiotestsrc num-buffers=10 ! wavenc ! filesink location='" + wav + "'"));
    const std::string empty = testenv::videosDir() + "/Movie0004.avi";
    testenv::writeFile(empty, "");
    const std::string text = testenv::videosDir() + "/Movie0005.avi";
    testenv::writeFile(text, "RIFF but not really a clip");
    std::string truncated = testenv::videosDir() + "/Movie0006.avi";
    {
        const std::string whole = makeClip("Movie0007.avi", 320, 240, false);
        ASSERT_FALSE(whole.empty());
        testenv::writeFile(truncated, testenv::readFile(whole).substr(0, 300));
    }
    for (const std::string& path :
         {wav, empty, text, truncated, testenv::videosDir() + "/missing.avi"}) {
        QImage target(4, 4, QImage::Format_BGR888);
        target.fill(Qt::green);
        const platform::HResult hr = gallery::MakeVideoThumbnail(path, target);
        EXPECT_TRUE(platform::failed(hr)) << path;
        EXPECT_EQ(target.size(), QSize(4, 4)) << path;
        QImage thumb;
        EXPECT_FALSE(gallery::MakeThumbnail(QImage(), thumb, true, {80, 60}));
    }
}
