// What every kernel test needs: the emulated camera, a desktop of its own, and the programs'
// folders; with the checks they share (the live preview, the device's picture in a file).
#pragma once

#include <string>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>

#include <gtest/gtest.h>

#include "DesktopSession.h"
#include "support/GuestSystem.h"
#include "support/KernelCamera.h"

// Under TCG the sanitised programs start in tens of seconds.
constexpr int kStartSeconds = 240;
// Leak checking at exit takes a while there too.
constexpr int kExitSeconds = 120;

class KernelTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts `program` and waits for its window and a live preview; the window id or "".
    std::string startProgram(const std::string& program = "peekbox",
                             const std::string& title = "Peekbox");
    // True once the preview's frame counter (the bottom of the picture) moves.
    bool previewLive(const std::string& window, int seconds = 60);
    // True once the buttons' labels have turned grey (or back) since `before`.
    bool buttonsChanged(const std::string& window, const QImage& before, int seconds);
    // Chooses item `index` of the size popup.
    void chooseSize(const std::string& window, int index);
    // Enter, then the picture `n` as the file on disk once it is complete.
    QImage snapshot(const std::string& window, int n);

    DesktopSession session;
    KernelCamera camera;
};

// The frame number in the device's test picture, -1 when the image is not the device's picture
// (a bar has the wrong colour).
int deviceFrameNumber(const QImage& picture, std::string* why = nullptr);
// The frame numbers of each frame of a clip, as ffmpeg decodes it.
std::vector<int> clipFrameNumbers(const std::string& clip);
std::string picturePath(int n);
