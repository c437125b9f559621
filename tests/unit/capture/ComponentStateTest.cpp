// The component without a camera: initial state, property rules, captions, start-up failure.
#include <gtest/gtest.h>

#include "capture/nDirectShow.h"
#include "platform/MessageBoxes.h"
#include "platform/media/MediaRuntime.h"

namespace {

class RecordingBoxes : public platform::MessageBoxes {
  public:
    platform::MsgAnswer show(QWidget* owner, const std::string& text, const std::string& caption,
                             platform::MsgButtons buttons) override {
        shown.push_back({text, caption});
        EXPECT_EQ(owner, nullptr);
        EXPECT_EQ(buttons, platform::MsgButtons::Ok);
        return platform::MsgAnswer::Ok;
    }
    std::vector<std::pair<std::string, std::string>> shown;
};

TEST(ComponentState, FreshComponent) {
    RecordingBoxes boxes;
    TDirectShow ds(nullptr, &boxes);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(ds.InitFailed());
    EXPECT_EQ(ds.Caption(), "No Preview");
    EXPECT_EQ(ds.CaptionState(), 0);
    EXPECT_FALSE(ds.DeviceEnable());
    EXPECT_FALSE(ds.ComponentEnable());
    EXPECT_FALSE(ds.Ready());
    EXPECT_FALSE(ds.InRecord());
    EXPECT_FALSE(ds.PinSet());
    EXPECT_EQ(ds.VMR_VER_get(), 7);
    for (int32_t r : {ds.OpenFilterGraphResult(), ds.OpenCaptureGraphBuilder2(),
                      ds.OpenVideoMixingRenderer9(), ds.PinConnectResult(), ds.AudioRanderResult(),
                      ds.CaptureRanderResult(), ds.PreviewRanderResult(), ds.RunGraphResult()}) {
        EXPECT_EQ(r, 0);
    }
    EXPECT_EQ(ds.CapturePinGet().bmiHeader.biCompression, platform::kFourCC_None);
    EXPECT_EQ(ds.CapturePinGet().bmiHeader.biWidth, 0);
    EXPECT_TRUE(ds.FilterTimerActive());
    EXPECT_EQ(ds.FilterTimerInterval(), 300);
    EXPECT_FALSE(ds.Graph());
    // Operations that need a device do nothing.
    ds.Run();
    ds.Stop();
    ds.FullScreen_set(true);
    EXPECT_FALSE(ds.FullScreen_get());
    EXPECT_FALSE(ds.MotionEnabled_get());
    EXPECT_EQ(ds.RunGraphResult(), 0);
    EXPECT_EQ(ds.HandleGraphEvent(), platform::E_Pointer);
}

TEST(ComponentState, RendererVersionKeepsNineOrSeven) {
    TDirectShow ds;
    ds.VMR_VER_set(8);
    EXPECT_EQ(ds.VMR_VER_get(), 7);
    ds.VMR_VER_set(9);
    EXPECT_EQ(ds.VMR_VER_get(), 9);
    ds.VMR_VER_set(-1);
    EXPECT_EQ(ds.VMR_VER_get(), 7);
}

TEST(ComponentState, CaptionStringsShowTheCurrentStateText) {
    TDirectShow ds;
    ds.SetCaptionStrings("Keine Vorschau", "Vorschau", "Gesperrt");
    EXPECT_EQ(ds.Caption(), "Keine Vorschau");
    ds.Close();
    EXPECT_EQ(ds.Caption(), "Keine Vorschau");
}

TEST(ComponentState, SupportDevsCopiesOtherListsOnly) {
    TDirectShow ds;
    ds.FWriteSupportDev({"3a7b:0a01", "3a7b:0a02"});
    ds.FWriteSupportDev(ds.FReadSupportDev());
    EXPECT_EQ(ds.FReadSupportDev(), (std::vector<std::string>{"3a7b:0a01", "3a7b:0a02"}));
    ds.FWriteSupportDev({"x"});
    EXPECT_EQ(ds.FReadSupportDev(), (std::vector<std::string>{"x"}));
}

TEST(ComponentState, FailedLibraryStartShowsTheBoxAndSkipsTimerAndCatalogue) {
    platform::media::MediaRuntime::setFailForTest(true);
    RecordingBoxes boxes;
    {
        TDirectShow ds(nullptr, &boxes);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].first, "CoInitialize Failed!");
        EXPECT_EQ(boxes.shown[0].second, "Error");
        EXPECT_TRUE(ds.InitFailed());
        EXPECT_FALSE(ds.FilterTimerActive());
        EXPECT_TRUE(ds.options().RegsPath.empty());  // no compressor scan
        EXPECT_EQ(ds.Caption(), "No Preview");
        // Later operations are tried and fail without a graph.
        ds.InitRunCapture("3a7b", "0b01", false);
        EXPECT_FALSE(ds.DeviceEnable());
        EXPECT_LT(ds.OpenFilterGraphResult(), 0);
        EXPECT_FALSE(ds.Graph());
    }
    platform::media::MediaRuntime::setFailForTest(false);
}

}  // namespace
