// Supported-camera rows from the settings file, and the lines that say why no camera runs.
#include <gtest/gtest.h>

#include "app/NoCameraReport.h"
#include "app/SupportedCameraRows.h"
#include "platform/VideoInfoHeader.h"

using app::CameraRow;
using platform::kFourCC_MJPG;
using platform::kFourCC_RGB24;
using platform::kFourCC_YUY2;

TEST(SupportedCameraRows, GoodRowsAndEveryWayARowIsMalformed) {
    struct Case {
        const char* text;
        std::optional<CameraRow> row;
        const char* error;  // a part of the error text
    } cases[] = {
        {"046d 0825 4:3 YUY2 1", CameraRow{"046d", "0825", 0, kFourCC_YUY2, 1}, ""},
        {"  AbCd\t0F0e  wide MJPG 0 ", CameraRow{"abcd", "0f0e", 1, kFourCC_MJPG, 0}, ""},
        {"1234 5678 WIDE rgb24 1", CameraRow{"1234", "5678", 1, kFourCC_RGB24, 1}, ""},
        {"", std::nullopt, "5 fields expected (VVVV PPPP ASPECT SUBTYPE RECORD), found 0"},
        {"046d 0825 4:3 YUY2", std::nullopt, "found 4"},
        {"046d 0825 4:3 YUY2 1 extra", std::nullopt, "found 6"},
        {"046d, 0825, 4:3, YUY2, 1", std::nullopt, "vendor id \"046d,\" is not 4 hex digits"},
        {"46d 0825 4:3 YUY2 1", std::nullopt, "vendor id \"46d\""},
        {"046g 0825 4:3 YUY2 1", std::nullopt, "vendor id \"046g\""},
        {"046d 08250 4:3 YUY2 1", std::nullopt, "product id \"08250\" is not 4 hex digits"},
        {"046d 0x25 4:3 YUY2 1", std::nullopt, "product id \"0x25\""},
        {"046d 0825 16:9 YUY2 1", std::nullopt, "aspect \"16:9\" is neither 4:3 nor wide"},
        {"046d 0825 4:3 H264 1", std::nullopt, "subtype \"H264\" is not YUY2, MJPG or RGB24"},
        {"046d 0825 4:3 YUY2 2", std::nullopt, "record flag \"2\" is not 0 or 1"},
        {"046d 0825 4:3 YUY2 yes", std::nullopt, "record flag \"yes\""},
        {"046d 0825 4:3 YUY2 \x1b[2J", std::nullopt, "record flag \"?[2J\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const app::CameraRowParse parsed = app::parseSupportedCameraRow(c.text);
        EXPECT_EQ(parsed.row, c.row);
        if (c.row) {
            EXPECT_EQ(parsed.error, "");
        } else {
            EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
        }
    }
    // Exactly the limit is read; one byte more is refused unread.
    const std::string padded = std::string("046d 0825 4:3 YUY2 1") + std::string(44, ' ');
    ASSERT_EQ(padded.size(), app::kMaxCameraRowBytes);
    EXPECT_TRUE(app::parseSupportedCameraRow(padded).row);
    EXPECT_EQ(app::parseSupportedCameraRow(padded + " ").error, "longer than 64 characters");
}

TEST(SupportedCameraRows, SettingsRowsFollowTheEditionsInTheirOrderAndBadOnesAreNamed) {
    const editions::SupportedCamera builtIn[] = {{"3a7b", "0a01", 0, kFourCC_YUY2, 0}};
    std::vector<std::string> skipped;
    const std::vector<CameraRow> rows = app::cameraRows(builtIn,
                                                        {{"1", "046D 0825 4:3 YUY2 1"},
                                                         {"2", "bad"},
                                                         {"3\x07", "1111 2222 4:3 MJPG 2"},
                                                         {"4", "1111 2222 wide MJPG 0"}},
                                                        skipped);
    EXPECT_EQ(rows, (std::vector<CameraRow>{{"3a7b", "0a01", 0, kFourCC_YUY2, 0},
                                            {"046d", "0825", 0, kFourCC_YUY2, 1},
                                            {"1111", "2222", 1, kFourCC_MJPG, 0}}));
    EXPECT_EQ(skipped,
              (std::vector<std::string>{
                  "[SupportedCameras] 2: skipped: 5 fields expected (VVVV PPPP ASPECT SUBTYPE "
                  "RECORD), found 1",
                  "[SupportedCameras] 3?: skipped: record flag \"2\" is not 0 or 1"}));

    // A file of thousands of rows costs no more than its first ones.
    std::vector<std::pair<std::string, std::string>> many(app::kMaxSettingsCameraRows + 5,
                                                          {"k", "aaaa bbbb 4:3 YUY2 0"});
    skipped.clear();
    EXPECT_EQ(app::cameraRows({}, many, skipped).size(), app::kMaxSettingsCameraRows);
    EXPECT_EQ(skipped, (std::vector<std::string>{
                           "[SupportedCameras]: only the first 32 rows are read; 5 more skipped"}));
}

TEST(NoCameraReport, NamesEachCameraWithItsIdsAndWhetherTheTableKnowsIt) {
    const std::vector<CameraRow> rows{{"3a7b", "0b01", 0, kFourCC_YUY2, 1}};
    EXPECT_EQ(app::noCameraLines({}, rows), (std::vector<std::string>{"no camera found"}));
    EXPECT_EQ(
        app::noCameraLines({{"Desk Webcam", "\\\\?\\usb#vid_046d&pid_0825#1"},
                            {"Held", "\\\\?\\usb#vid_3a7b&pid_0b01#2"},
                            {"", "/dev/video3"},
                            {"Evil\x1b]0;x\x07 \xc2\x9b"
                             "2J",
                             "vid_3A7B&pid_0B01"}},
                           rows),
        (std::vector<std::string>{"Desk Webcam 046d:0825 is not in the supported camera list",
                                  "Held 3a7b:0b01 is supported but could not be started",
                                  "unnamed camera (no USB ids) is not in the supported camera list",
                                  "Evil?]0;x? ?2J 3A7B:0B01 is not in the supported camera list"}));
}
