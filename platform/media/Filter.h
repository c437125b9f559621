// A filter of the graph: one GStreamer element or bin, shared like a counted reference.
#pragma once

#include <string>
#include <vector>

#include <gst/gst.h>

#include "GstRef.h"
#include "MediaTypes.h"

namespace platform::media {

class Pin;

class Filter {
  public:
    Filter() = default;
    Filter(const Filter& o) : e_(o.e_.clone()) {}
    Filter& operator=(const Filter& o) {
        if (this != &o) {
            e_ = o.e_.clone();
        }
        return *this;
    }
    Filter(Filter&&) noexcept = default;
    Filter& operator=(Filter&&) noexcept = default;

    // Takes our own reference to the element (sinking a floating one).
    static Filter fromElement(GstElement* element);
    // A new filter of a GStreamer factory; E_ClassNotRegistered when the plugin is missing.
    static HResult create(const char* factory, Filter& out);

    explicit operator bool() const { return static_cast<bool>(e_); }
    bool operator==(const Filter& o) const { return e_.get() == o.e_.get(); }
    GstElement* element() const { return e_.get(); }
    std::string name() const;

    // Pads in the element's order; request-pad templates follow as not-yet-made pins.
    std::vector<Pin> pins() const;

  private:
    GstRef<GstElement> e_;
};

}  // namespace platform::media
