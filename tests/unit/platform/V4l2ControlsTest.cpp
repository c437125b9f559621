// V4L2 control logic against a fake driver holding a table, and nodes that are no V4L2 device.
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/media/V4l2Controls.h"
#include "platform/media/V4l2Device.h"
#include "support/TestEnvironment.h"

using namespace platform::media;
using Result = V4l2Controls::SetResult;

namespace {

struct Entry {
    v4l2_queryctrl q{};
    int32_t value = 0;
    std::map<uint32_t, std::string> menu;  // integer menus hold their numbers as text
    int getError = 0;
};

Entry entry(uint32_t id, uint32_t type, const char* name, int32_t min, int32_t max, int32_t step,
            int32_t value, uint32_t flags = 0, std::map<uint32_t, std::string> menu = {}) {
    Entry e;
    e.q = {id, type, {}, min, max, step, value, flags, {}};
    std::strncpy(reinterpret_cast<char*>(e.q.name), name, sizeof e.q.name);
    e.value = value;
    e.menu = std::move(menu);
    return e;
}

// Answers like a driver: NEXT_CTRL gives the next larger id, EINVAL past the last; S_CTRL
// refuses values off the range, the step grid or the menu. After `failAfter` calls every call
// fails with ENODEV, as when the camera is pulled.
class FakeDriver final : public V4l2ControlIo {
  public:
    explicit FakeDriver(const std::vector<Entry>& entries) {
        for (const Entry& e : entries) {
            table[e.q.id] = e;
        }
    }
    int queryControl(v4l2_queryctrl& q) override {
        const auto it = stuck ? table.begin() : table.upper_bound(q.id & ~V4L2_CTRL_FLAG_NEXT_CTRL);
        if (gone()) {
            return ENODEV;
        }
        if (it == table.end()) {
            return EINVAL;
        }
        q = it->second.q;
        return 0;
    }
    int queryMenu(v4l2_querymenu& m) override {
        ++menuQueries;
        Entry& e = table.at(m.id);
        if (gone()) {
            return ENODEV;
        }
        if (e.menu.count(m.index) == 0) {
            return EINVAL;
        }
        if (e.q.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
            m.value = std::stoll(e.menu[m.index]);
        } else {
            std::strncpy(reinterpret_cast<char*>(m.name), e.menu[m.index].c_str(), sizeof m.name);
        }
        return 0;
    }
    int getControl(v4l2_control& c) override {
        const Entry& e = table.at(c.id);
        c.value = e.value;
        return gone() ? ENODEV : e.getError;
    }
    int setControl(v4l2_control& c) override {
        ++sets;
        Entry& e = table.at(c.id);
        const bool offGrid = e.q.step > 1 && (c.value - e.q.minimum) % e.q.step != 0;
        const bool offMenu = !e.menu.empty() && e.menu.count(uint32_t(c.value)) == 0;
        if (gone()) {
            return ENODEV;
        }
        if (c.value < e.q.minimum || c.value > e.q.maximum || offGrid || offMenu) {
            return ERANGE;
        }
        e.value = c.value;
        return 0;
    }

    std::map<uint32_t, Entry> table;
    bool stuck = false;  // answers every query with its first control
    int failAfter = -1;
    int calls = 0;
    int sets = 0;
    int menuQueries = 0;

  private:
    bool gone() { return failAfter >= 0 && calls++ >= failAfter; }
};

// A webcam's table with what drivers also report: class headings, a disabled and a 64-bit
// control, a menu with holes, inactive controls, a write-only button.
std::vector<Entry> webcam() {
    return {
        entry(V4L2_CID_USER_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls", 0, 0, 0, 0),
        entry(V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 1, 12),
        entry(V4L2_CID_CONTRAST, V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 95, 1, 32,
              V4L2_CTRL_FLAG_DISABLED),
        entry(V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Automatic", 0, 1,
              1, 1),
        entry(V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CTRL_TYPE_INTEGER,
              "White Balance Temperature", 2800, 6500, 10, 4600, V4L2_CTRL_FLAG_INACTIVE),
        entry(V4L2_CID_CAMERA_CLASS, V4L2_CTRL_TYPE_CTRL_CLASS, "Camera Controls", 0, 0, 0, 0),
        entry(V4L2_CID_EXPOSURE_AUTO, V4L2_CTRL_TYPE_MENU, "Auto Exposure", 0, 3, 1, 3, 0,
              {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}),
        entry(V4L2_CID_EXPOSURE_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER, "Exposure Time, Absolute", 3,
              2047, 4, 251, V4L2_CTRL_FLAG_INACTIVE),
        entry(V4L2_CID_PAN_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER64, "Pan, Absolute", 0, 10, 1, 0),
        entry(V4L2_CID_ZOOM_ABSOLUTE, V4L2_CTRL_TYPE_INTEGER_MENU, "Zoom", 0, 1, 1, 0, 0,
              {{0, "100"}, {1, "-200"}}),
        entry(V4L2_CID_AUTO_FOCUS_START, V4L2_CTRL_TYPE_BUTTON, "Auto Focus, Start", 0, 0, 0, 0,
              V4L2_CTRL_FLAG_WRITE_ONLY),
    };
}

std::string labels(const std::vector<CameraControl>& list) {
    std::string out;
    for (const CameraControl& c : list) {
        out += c.label + "|";
    }
    return out;
}

}  // namespace

TEST(V4l2Controls, ListsUsableControlsInDriverOrderWithKindsMenusAndActiveStates) {
    FakeDriver driver(webcam());
    const std::vector<CameraControl> list = V4l2Controls::list(driver);
    ASSERT_EQ(labels(list),
              "Brightness|White Balance, Automatic|White Balance Temperature|Auto Exposure|"
              "Exposure Time, Absolute|Zoom|Auto Focus, Start|");
    EXPECT_EQ(list[0].kind, CameraControlKind::Integer);
    EXPECT_EQ(list[0].minimum, -64);
    EXPECT_EQ(list[0].value, 12);
    EXPECT_TRUE(list[0].enabled);
    EXPECT_EQ(list[1].kind, CameraControlKind::Boolean);
    EXPECT_FALSE(list[2].enabled);
    EXPECT_EQ(list[2].step, 10);
    EXPECT_EQ(list[3].kind, CameraControlKind::Menu);
    ASSERT_EQ(list[3].menu.size(), 2u);  // the holes at 0 and 2 are left out
    EXPECT_EQ(list[3].menu[1].value, 3);
    EXPECT_EQ(list[3].menu[1].name, "Aperture Priority Mode");
    EXPECT_EQ(list[5].menu[1].name, "-200");
    EXPECT_EQ(list[6].kind, CameraControlKind::Button);
}

TEST(V4l2Controls, SetFitsTheValueToRangeAndStepAndReportsRefusals) {
    FakeDriver driver(webcam());
    const auto exposure = [&] { return driver.table.at(V4L2_CID_EXPOSURE_ABSOLUTE).value; };
    // Grid 3, 7, 11, ...: halfway goes up; beyond the range the last grid point inside it.
    EXPECT_EQ(V4l2Controls::set(driver, "Exposure Time, Absolute", 9), Result::Set);
    EXPECT_EQ(exposure(), 11);
    EXPECT_EQ(V4l2Controls::set(driver, "Exposure Time, Absolute", 8), Result::Set);
    EXPECT_EQ(exposure(), 7);
    EXPECT_EQ(V4l2Controls::set(driver, "Exposure Time, Absolute", -9), Result::Set);
    EXPECT_EQ(exposure(), 3);
    EXPECT_EQ(V4l2Controls::fit(10, 0, 10, 4), 8);
    EXPECT_EQ(V4l2Controls::fit(5, 0, 10, -4), 5);
    EXPECT_EQ(V4l2Controls::fit(INT64_MAX, INT32_MIN, INT32_MAX, INT32_MAX), INT32_MAX - 1);

    EXPECT_EQ(V4l2Controls::set(driver, "Auto Exposure", 2), Result::Refused);  // a hole
    EXPECT_EQ(V4l2Controls::set(driver, "Contrast", 5), Result::NoControl);     // disabled
    EXPECT_EQ(V4l2Controls::set(driver, "Pan, Absolute", 5), Result::NoControl);
    driver.table.at(V4L2_CID_BRIGHTNESS).q.flags |= V4L2_CTRL_FLAG_READ_ONLY;
    const int sets = driver.sets;
    EXPECT_EQ(V4l2Controls::set(driver, "Brightness", 3), Result::Refused);
    EXPECT_EQ(driver.sets, sets);
    EXPECT_FALSE(V4l2Controls::list(driver)[0].enabled);
}

TEST(V4l2Controls, LabelsAreBoundedToTheFieldPrintableAndUnique) {
    const uint8_t odd[32] = {'G', 'a', 0x07, 'n', 0xff, '\n', 0x7f, 0, 'x'};
    EXPECT_EQ(V4l2Controls::label(odd), "Ga?n???");
    std::vector<Entry> t = {entry(0x980901, V4L2_CTRL_TYPE_INTEGER, "", 0, 1, 1, 0),
                            entry(0x980902, V4L2_CTRL_TYPE_BOOLEAN, "Gain", 0, 1, 1, 0),
                            entry(0x980903, V4L2_CTRL_TYPE_INTEGER, "Gain", 0, 9, 1, 0),
                            entry(0x980904, V4L2_CTRL_TYPE_INTEGER, "", 0, 9, 1, 0)};
    std::memset(t[3].q.name, 'W', sizeof t[3].q.name);  // no NUL at all
    FakeDriver driver(t);
    EXPECT_EQ(labels(V4l2Controls::list(driver)), "Gain|" + std::string(32, 'W') + "|");
}

TEST(V4l2Controls, APulledCameraGivesNothingWhereverItFailsAndBadDriversEnd) {
    const auto callsOf = [](auto run) {
        FakeDriver probe(webcam());
        probe.failAfter = 1 << 20;
        run(probe);
        return probe.calls;
    };
    const int listCalls = callsOf([](FakeDriver& d) { V4l2Controls::list(d); });
    const int setCalls = callsOf([](FakeDriver& d) { V4l2Controls::set(d, "Zoom", 1); });
    for (int after = 0; after < listCalls; ++after) {
        FakeDriver driver(webcam());
        driver.failAfter = after;
        EXPECT_TRUE(V4l2Controls::list(driver).empty()) << "failing after " << after;
        driver.failAfter = after < setCalls ? after : -1;
        driver.calls = 0;
        EXPECT_EQ(V4l2Controls::set(driver, "Zoom", 1),
                  after < setCalls ? Result::Refused : Result::Set);
    }

    // One unreadable control is left out; a menu announcing a billion entries and a driver that
    // never moves on both end.
    std::vector<Entry> t = webcam();
    t[1].getError = EIO;
    t.push_back(entry(V4L2_CID_SCENE_MODE, V4L2_CTRL_TYPE_MENU, "Scene", 0, 1 << 30, 1, 0, 0,
                      {{0, "Auto"}}));
    FakeDriver driver(t);
    const std::vector<CameraControl> list = V4l2Controls::list(driver);
    EXPECT_EQ(list.front().label, "White Balance, Automatic");
    EXPECT_NE(labels(list).find("|Scene|"), std::string::npos);
    EXPECT_EQ(driver.menuQueries, 4 + 2 + 64);  // Auto Exposure, Zoom, and Scene's first 64
    driver.stuck = true;
    EXPECT_TRUE(V4l2Controls::list(driver).empty());  // its first is a class heading
    EXPECT_EQ(V4l2Controls::set(driver, "Zoom", 1), Result::NoControl);
}

TEST(V4l2Device, NodesThatAreNotV4l2OpenToNothingAndLeaveNoDescriptor) {
    const auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const std::string file = testenv::root() + "/not-a-camera";
    testenv::writeFile(file, "plain bytes");
    const auto before = descriptors();
    for (const std::string& path : {std::string("/dev/null"), std::string("/dev/zero"), file,
                                    testenv::root(), testenv::root() + "/missing", std::string()}) {
        EXPECT_FALSE(V4l2Device::open(path)) << path;
    }
    EXPECT_EQ(descriptors(), before);
}
