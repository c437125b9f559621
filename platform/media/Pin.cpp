// Pin: direction, category, media kind and peer of a pad.
#include "Pin.h"

#include <cstring>

namespace platform::media {

Pin Pin::fromPad(GstPad* pad) {
    Pin p;
    p.pad_ = GstRef<GstPad>::ref(pad);
    g_autoptr(GstObject) parent = gst_object_get_parent(GST_OBJECT(pad));
    if (parent != nullptr && GST_IS_ELEMENT(parent)) {
        p.owner_ = GstRef<GstElement>::ref(GST_ELEMENT(parent));
    }
    return p;
}

Pin Pin::fromTemplate(GstElement* owner, GstPadTemplate* tmpl) {
    Pin p;
    p.owner_ = GstRef<GstElement>::ref(owner);
    p.tmpl_ = GstRef<GstPadTemplate>::ref(tmpl);
    return p;
}

PinDirection Pin::direction() const {
    const GstPadDirection d =
        pad_ ? GST_PAD_DIRECTION(pad_.get())
             : (tmpl_ ? GST_PAD_TEMPLATE_DIRECTION(tmpl_.get()) : GST_PAD_UNKNOWN);
    return d == GST_PAD_SRC ? PinDirection::Output : PinDirection::Input;
}

std::string Pin::name() const {
    if (pad_) {
        g_autofree gchar* n = gst_pad_get_name(pad_.get());
        return n != nullptr ? n : "";
    }
    return tmpl_ ? GST_PAD_TEMPLATE_NAME_TEMPLATE(tmpl_.get()) : "";
}

PinCategory Pin::category() const {
    const std::string n = name();
    if (n == "capture") {
        return PinCategory::Capture;
    }
    if (n == "preview") {
        return PinCategory::Preview;
    }
    return PinCategory::None;
}

MajorType Pin::majorType() const {
    g_autoptr(GstCaps) caps = nullptr;
    if (pad_) {
        caps = gst_pad_query_caps(pad_.get(), nullptr);
    } else if (tmpl_) {
        caps = gst_pad_template_get_caps(tmpl_.get());
    }
    if (caps == nullptr) {
        return MajorType::Any;
    }
    MajorType t = MajorType::Any;
    if (!gst_caps_is_any(caps) && !gst_caps_is_empty(caps)) {
        const char* n = gst_structure_get_name(gst_caps_get_structure(caps, 0));
        if (std::strncmp(n, "video/", 6) == 0 || std::strncmp(n, "image/", 6) == 0) {
            t = MajorType::Video;
        } else if (std::strncmp(n, "audio/", 6) == 0) {
            t = MajorType::Audio;
        }
    }
    return t;
}

bool Pin::isConnected() const {
    return pad_ && gst_pad_is_linked(pad_.get());
}

Pin Pin::connectedTo() const {
    if (!pad_) {
        return {};
    }
    g_autoptr(GstPad) peer = gst_pad_get_peer(pad_.get());
    if (peer == nullptr) {
        return {};
    }
    Pin p = fromPad(peer);
    return p;
}

Filter Pin::filter() const {
    return owner_ ? Filter::fromElement(owner_.get()) : Filter();
}

GstPad* Pin::materialize() {
    if (!pad_ && tmpl_ && owner_) {
        GstPad* pad = gst_element_request_pad(owner_.get(), tmpl_.get(), nullptr, nullptr);
        if (pad != nullptr) {
            pad_ = GstRef<GstPad>::adopt(pad);
        }
    }
    return pad_.get();
}

bool Pin::isRequestPad() const {
    if (!pad_) {
        return false;
    }
    g_autoptr(GstPadTemplate) t = gst_pad_get_pad_template(pad_.get());
    return t != nullptr && GST_PAD_TEMPLATE_PRESENCE(t) == GST_PAD_REQUEST;
}

}  // namespace platform::media
