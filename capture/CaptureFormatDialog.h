// The capture-pin format page: lists a camera's formats and sets the one the user picks.
#pragma once

#include <vector>

#include <QDialog>

#include "platform/media/StreamConfig.h"

class QListWidget;

class CaptureFormatDialog : public QDialog {
  public:
    // Lists the capabilities of `config`, the one set now selected. No owner window, no caption.
    explicit CaptureFormatDialog(platform::media::StreamConfig& config);

    QListWidget* list() const { return list_; }
    // "YUY2 640 x 480, 30 fps"
    static QString describe(const platform::media::VideoMediaType& type);

    void accept() override;

  private:
    platform::media::StreamConfig& config_;
    std::vector<platform::media::VideoMediaType> types_;
    QListWidget* list_;
};
