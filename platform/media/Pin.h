// A pin of a filter: a pad with a direction and a category, or a request template not yet made.
#pragma once

#include <string>

#include <gst/gst.h>

#include "Filter.h"
#include "GstRef.h"
#include "MediaTypes.h"

namespace platform::media {

class Pin {
  public:
    Pin() = default;
    Pin(const Pin& o) : owner_(o.owner_.clone()), pad_(o.pad_.clone()), tmpl_(o.tmpl_.clone()) {}
    Pin& operator=(const Pin& o) {
        if (this != &o) {
            owner_ = o.owner_.clone();
            pad_ = o.pad_.clone();
            tmpl_ = o.tmpl_.clone();
        }
        return *this;
    }
    Pin(Pin&&) noexcept = default;
    Pin& operator=(Pin&&) noexcept = default;

    static Pin fromPad(GstPad* pad);
    static Pin fromTemplate(GstElement* owner, GstPadTemplate* tmpl);

    explicit operator bool() const { return static_cast<bool>(pad_) || static_cast<bool>(tmpl_); }
    PinDirection direction() const;
    // "capture" and "preview" pads carry those categories; every other pad has none.
    PinCategory category() const;
    MajorType majorType() const;
    std::string name() const;
    bool isConnected() const;
    // The pin at the other end; empty when unconnected.
    Pin connectedTo() const;
    // The filter this pin belongs to; empty when the pad has no element parent.
    Filter filter() const;

    // The pad, requested from its template on first use (so a free request pin becomes real).
    GstPad* materialize();
    GstPad* pad() const { return pad_.get(); }
    bool isRequestPad() const;

  private:
    GstRef<GstElement> owner_;
    GstRef<GstPad> pad_;
    GstRef<GstPadTemplate> tmpl_;
};

}  // namespace platform::media
