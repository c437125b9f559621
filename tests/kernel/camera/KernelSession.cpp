// Positions are those of the main window's normal layout: the preview at (10, 10), the buttons
// in a row at y 490 (button 1 at x 5, record at 51, size at 143, settings at 234).
#include "KernelSession.h"

#include <cstdlib>
#include <sstream>

#include "support/TestEnvironment.h"

namespace {

const QRgb kBars[8] = {qRgb(255, 255, 255), qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(0, 255, 0),
                       qRgb(255, 0, 255),   qRgb(255, 0, 0),   qRgb(0, 0, 255),   qRgb(0, 0, 0)};

bool near(QRgb a, QRgb b) {
    constexpr int kTolerance = 60;  // limited-range colours, JPEG and scaling
    return std::abs(qRed(a) - qRed(b)) < kTolerance &&
           std::abs(qGreen(a) - qGreen(b)) < kTolerance &&
           std::abs(qBlue(a) - qBlue(b)) < kTolerance;
}

int numberFromCells(const std::vector<int>& levels) {
    int n = 0;
    for (const int level : levels) {
        n = n * 2 + (level > 128 ? 1 : 0);
    }
    return n;
}

}  // namespace

DesktopSession* KernelTest::desktop_ = nullptr;

void KernelTest::SetUpTestSuite() {
    // Leaks are the host tests' concern; here the check would cost a minute at every exit.
    ::setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    desktop_ = new DesktopSession;
}

void KernelTest::TearDownTestSuite() {
    delete desktop_;
    desktop_ = nullptr;
}

void KernelTest::SetUp() {
    ASSERT_TRUE(guest::inside())
        << "this test runs only inside the kernel bench VM (ctest -L kernel starts it there)";
    testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf", "[General]\nCounter=1\n");
    testenv::clearDir(testenv::picturesDir());
    testenv::clearDir(testenv::videosDir());
    ASSERT_TRUE(session.ready()) << "the desktop (Xvfb and openbox) did not start";
}

void KernelTest::TearDown() {
    if (session.running()) {
        session.terminate(kExitSeconds);
    }
    camera.unplug();
}

std::string KernelTest::startProgram(const std::string& program, const std::string& title) {
    if (!session.start(program)) {
        return "";
    }
    const std::string window = session.waitForWindow(title, kStartSeconds);
    if (!window.empty() && !previewLive(window)) {
        session.screenshot(program + "-no-live-preview");
        return "";
    }
    return window;
}

bool KernelTest::previewLive(const std::string& window, int seconds) {
    // Only the frame counter moves in the device's picture; where it is shown depends on the
    // picture's size, so the whole panel is watched.
    const QRect panel(session.windowOrigin(window) + QPoint(10, 10), QSize(640, 470));
    return session.waitForChange(session.grab(), panel, 20, seconds);
}

bool KernelTest::buttonsChanged(const std::string& window, const QImage& before, int seconds) {
    const QRect buttons(session.windowOrigin(window) + QPoint(5, 490), QSize(260, 30));
    return session.waitForChange(before, buttons, 10, seconds);
}

void KernelTest::chooseSize(const std::string& window, int index) {
    session.click(window, QPoint(186, 505));
    const QRect popup = session.waitForPopup(30);
    const QPoint item = popup.topLeft() + QPoint(30, 8 + 20 * index);
    session.drag(item, item);
}

QImage KernelTest::snapshot(const std::string& window, std::string* path) {
    const std::string file = picturePath(++pictures_);
    if (path != nullptr) {
        *path = file;
    }
    session.key(window, "Return");
    QImage picture;
    // The file may still be being written when it appears.
    waitUntil([&] { return picture.load(QString::fromStdString(file)); }, 60000, 200);
    return picture;
}

std::string picturePath(int n) {
    std::ostringstream name;
    name << testenv::picturesDir() << "/Picture" << std::string(4 - std::to_string(n).size(), '0')
         << n << ".jpg";
    return name.str();
}

int deviceFrameNumber(const QImage& picture, std::string* why) {
    const int w = picture.width();
    const int h = picture.height();
    if (w < 64 || h < 64) {
        return -1;
    }
    for (int i = 0; i < 8; ++i) {
        const QRgb got = picture.pixel(w * (2 * i + 1) / 16, h * 3 / 8);
        if (!near(got, kBars[i])) {
            if (why != nullptr) {
                *why = "bar " + std::to_string(i) + " is " + QColor(got).name().toStdString() +
                       ", the device sent " + QColor(kBars[i]).name().toStdString();
            }
            return -1;
        }
    }
    std::vector<int> cells;
    for (int i = 0; i < 16; ++i) {
        cells.push_back(qGray(picture.pixel(w * (2 * i + 1) / 32, h * 7 / 8)));
    }
    return numberFromCells(cells);
}

std::vector<int> clipFrameNumbers(const std::string& clip) {
    // Each frame's counter band scaled to one row of 16 cells, as grey bytes; each frame as the
    // clip stores it (raw output would otherwise repeat frames to fill empty slots).
    const std::string command = "ffmpeg -v error -i '" + clip +
                                "' -an -fps_mode passthrough "
                                "-vf 'crop=iw:ih/8:0:ih*13/16,scale=16:1:flags=area' "
                                "-f rawvideo -pix_fmt gray - 2>/dev/null";
    const std::string raw = guest::shell(command);
    std::vector<int> numbers;
    for (size_t at = 0; at + 16 <= raw.size(); at += 16) {
        std::vector<int> cells;
        for (size_t i = 0; i < 16; ++i) {
            cells.push_back(static_cast<unsigned char>(raw[at + i]));
        }
        numbers.push_back(numberFromCells(cells));
    }
    return numbers;
}

bool notCounting(const std::string& caption) {
    return !caption.empty() && caption.find(" - 00:") == std::string::npos;
}
