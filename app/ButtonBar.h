// The five custom-drawn image buttons: their image lists, stored states and painting.
#pragma once

#include <array>
#include <cstdint>

#include <QFont>
#include <QImage>
#include <QPainter>

#include "WindowLayout.h"

namespace app {

class ButtonBar {
  public:
    ButtonBar();

    static constexpr int32_t kDisabled = 0;
    static constexpr int32_t kHover = 1;
    static constexpr int32_t kNormal = 2;
    static constexpr int32_t kRecording = 4;
    static constexpr int32_t kRedraw = -1;  // draw in the stored state

    void setLayout(const WindowLayout& layout) { layout_ = layout; }
    const WindowLayout& layout() const { return layout_; }
    void setRecordCapable(bool capable) { recordCapable_ = capable; }
    void setRecording(bool recording) { recording_ = recording; }
    void setImageSize(int width, int height, bool allowHd);

    // Stores the state (button 5 keeps 4 while a clip is recorded); -1 keeps the stored one.
    void setState(int button, int32_t state);
    int32_t state(int button) const { return states_.at(static_cast<size_t>(button - 1)); }
    // Button 5 exists only with record capability.
    bool drawn(int button) const { return button != 5 || recordCapable_; }

    // Draws every drawn button in its stored state, with button 3's caption.
    // Button 3's caption is written in `textColour` (the window-text colour) in every state.
    void paint(QPainter& painter, const QFont& font, const QColor& textColour) const;
    QRect rectOf(int button) const;

  private:
    WindowLayout layout_;
    std::array<QImage, kButtonCount> lists_;
    std::array<int32_t, kButtonCount> states_{};
    bool recordCapable_ = false;
    bool recording_ = false;
    int imageWidth_ = 640;
    int imageHeight_ = 480;
    bool allowHd_ = true;
};

}  // namespace app
