// Enumeration, labels and value fitting of V4L2 controls, on the V4l2ControlIo seam.
#include "V4l2Controls.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace platform::media {
namespace {

// Bounds for a driver that never ends its list or announces a huge menu: the dialog runs on
// the GUI thread.
constexpr int kMaxQueries = 512;
constexpr uint32_t kMaxMenuIndices = 64;

std::optional<CameraControlKind> kindOf(uint32_t type) {
    switch (type) {
        case V4L2_CTRL_TYPE_INTEGER:
            return CameraControlKind::Integer;
        case V4L2_CTRL_TYPE_BOOLEAN:
            return CameraControlKind::Boolean;
        case V4L2_CTRL_TYPE_MENU:
        case V4L2_CTRL_TYPE_INTEGER_MENU:
            return CameraControlKind::Menu;
        case V4L2_CTRL_TYPE_BUTTON:
            return CameraControlKind::Button;
        default:
            return std::nullopt;  // 64-bit, string, bitmask, compound, class heading
    }
}

// Walks the driver's controls in id order with V4L2_CTRL_FLAG_NEXT_CTRL and yields the ones a
// person can change. EINVAL marks the end of the list; any other failure ends the walk and is
// kept in error().
class ControlWalk {
  public:
    explicit ControlWalk(V4l2ControlIo& io) : io_(io) {}

    const v4l2_queryctrl* next() {
        while (!done_ && ++queries_ <= kMaxQueries) {
            v4l2_queryctrl q{};
            q.id = last_ | V4L2_CTRL_FLAG_NEXT_CTRL;
            const int err = io_.queryControl(q);
            if (err != 0) {
                error_ = err == EINVAL ? 0 : err;
                break;
            }
            if (q.id <= last_) {
                break;  // a driver that does not move forward would loop for ever
            }
            last_ = q.id;
            if ((q.flags & V4L2_CTRL_FLAG_DISABLED) == 0 && kindOf(q.type).has_value()) {
                current_ = q;
                return &current_;
            }
        }
        done_ = true;
        return nullptr;
    }
    int error() const { return error_; }

  private:
    V4l2ControlIo& io_;
    v4l2_queryctrl current_{};
    uint32_t last_ = 0;
    int queries_ = 0;
    int error_ = 0;
    bool done_ = false;
};

std::string labelOf(const v4l2_queryctrl& q) {
    return V4l2Controls::label(q.name);
}

// The named entries of a menu control; holes (EINVAL) are skipped. Returns 0 or an errno.
int readMenu(V4l2ControlIo& io, const v4l2_queryctrl& q, std::vector<CameraMenuItem>& items) {
    if (q.minimum < 0 || q.maximum < q.minimum) {
        return 0;
    }
    const auto first = static_cast<uint32_t>(q.minimum);
    const uint32_t last = std::min(static_cast<uint32_t>(q.maximum), first + (kMaxMenuIndices - 1));
    for (uint32_t index = first; index <= last; ++index) {
        v4l2_querymenu m{};
        m.id = q.id;
        m.index = index;
        const int err = io.queryMenu(m);
        if (err == EINVAL) {
            continue;
        }
        if (err != 0) {
            return err;
        }
        if (q.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
            const int64_t number = m.value;
            items.push_back({static_cast<int>(index), std::to_string(number)});
        } else {
            items.push_back({static_cast<int>(index), V4l2Controls::label(m.name)});
        }
    }
    return 0;
}

}  // namespace

std::string V4l2Controls::label(std::span<const uint8_t> name) {
    std::string out;
    for (const uint8_t byte : name) {
        if (byte == 0) {
            break;
        }
        out.push_back(byte >= 0x20 && byte < 0x7f ? static_cast<char>(byte) : '?');
    }
    return out;
}

int V4l2Controls::fit(int64_t value, int32_t minimum, int32_t maximum, int32_t step) {
    if (maximum <= minimum) {
        return minimum;
    }
    int64_t v = std::clamp<int64_t>(value, minimum, maximum);
    if (step > 1) {
        const int64_t grid = step;
        v = minimum + (v - minimum + grid / 2) / grid * grid;
        if (v > maximum) {
            v -= grid;
        }
    }
    return static_cast<int>(v);
}

std::vector<CameraControl> V4l2Controls::list(V4l2ControlIo& io) {
    std::vector<CameraControl> controls;
    ControlWalk walk(io);
    while (const v4l2_queryctrl* q = walk.next()) {
        CameraControl c;
        c.label = labelOf(*q);
        const bool taken = std::any_of(controls.begin(), controls.end(),
                                       [&](const CameraControl& o) { return o.label == c.label; });
        if (c.label.empty() || taken) {
            continue;  // set() finds a control by its label: the first of a name wins
        }
        c.kind = *kindOf(q->type);
        c.minimum = q->minimum;
        c.maximum = std::max(q->minimum, q->maximum);
        c.step = std::max(1, q->step);
        c.defaultValue = q->default_value;
        c.value = q->default_value;
        c.enabled = (q->flags & (V4L2_CTRL_FLAG_INACTIVE | V4L2_CTRL_FLAG_READ_ONLY |
                                 V4L2_CTRL_FLAG_GRABBED)) == 0;
        if (c.kind != CameraControlKind::Button && (q->flags & V4L2_CTRL_FLAG_WRITE_ONLY) == 0) {
            v4l2_control current{};
            current.id = q->id;
            const int err = io.getControl(current);
            if (err == ENODEV) {
                return {};
            }
            if (err != 0) {
                continue;
            }
            c.value = current.value;
        }
        if (c.kind == CameraControlKind::Menu) {
            if (readMenu(io, *q, c.menu) != 0) {
                return {};
            }
            if (c.menu.empty()) {
                continue;
            }
        }
        controls.push_back(std::move(c));
    }
    if (walk.error() != 0) {
        return {};
    }
    return controls;
}

V4l2Controls::SetResult V4l2Controls::set(V4l2ControlIo& io, const std::string& label, int value) {
    ControlWalk walk(io);
    while (const v4l2_queryctrl* q = walk.next()) {
        if (labelOf(*q) != label) {
            continue;
        }
        if ((q->flags & V4L2_CTRL_FLAG_READ_ONLY) != 0) {
            return SetResult::Refused;
        }
        v4l2_control change{};
        change.id = q->id;
        change.value = fit(value, q->minimum, q->maximum, q->step);
        return io.setControl(change) == 0 ? SetResult::Set : SetResult::Refused;
    }
    return walk.error() != 0 ? SetResult::Refused : SetResult::NoControl;
}

}  // namespace platform::media
