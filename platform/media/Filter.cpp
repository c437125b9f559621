// Filter: element wrapper and its pin list.
#include "Filter.h"

#include "ElementFactory.h"
#include "Pin.h"

namespace platform::media {

Filter Filter::fromElement(GstElement* element) {
    Filter f;
    f.e_ = GstRef<GstElement>::ref(element);
    return f;
}

HResult Filter::create(const char* factory, Filter& out) {
    out = Filter();
    GstElement* e = makeElement(factory);
    if (e == nullptr) {
        return E_ClassNotRegistered;
    }
    out = fromElement(e);
    return S_Ok;
}

std::string Filter::name() const {
    if (!e_) {
        return {};
    }
    g_autofree gchar* n = gst_object_get_name(GST_OBJECT(e_.get()));
    return n != nullptr ? n : "";
}

std::vector<Pin> Filter::pins() const {
    std::vector<Pin> out;
    if (!e_) {
        return out;
    }
    GST_OBJECT_LOCK(e_.get());
    std::vector<GstRef<GstPad>> pads;
    for (GList* l = GST_ELEMENT_PADS(e_.get()); l != nullptr; l = l->next) {
        pads.push_back(GstRef<GstPad>::ref(GST_PAD(l->data)));
    }
    GST_OBJECT_UNLOCK(e_.get());
    for (const auto& pad : pads) {
        out.push_back(Pin::fromPad(pad.get()));
    }
    // One free request pin per request template, as a multiplexer always offers one more input.
    const GList* templates =
        gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(e_.get()));
    for (const GList* l = templates; l != nullptr; l = l->next) {
        auto* tmpl = GST_PAD_TEMPLATE(l->data);
        if (GST_PAD_TEMPLATE_PRESENCE(tmpl) == GST_PAD_REQUEST) {
            out.push_back(Pin::fromTemplate(e_.get(), tmpl));
        }
    }
    return out;
}

}  // namespace platform::media
