// The desktop notification through GDBus. Every step (connection, authentication, the two calls)
// is asynchronous on a main context of our own, so one deadline bounds them all, whatever the
// peer at the other end of the socket does.
#include "DesktopNotification.h"

#include <sys/stat.h>

#include <cstdlib>

#include <gio/gio.h>

namespace platform {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kObjectPath = "/org/freedesktop/Notifications";
// After the deadline, cancelled steps report back at once; a step blocked where GDBus takes no
// cancellation (the bus's Hello) is left behind after this much more.
constexpr gint64 kGraceUs = 200 * 1000;

// The session bus the environment names, or the user's bus socket in the runtime folder. Nothing
// else: an autolaunched bus would start a daemon that nobody ends.
std::string sessionBusAddress() {
    if (const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS"); named && *named) {
        return named;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') {
        return {};
    }
    const std::string socket = std::string(runtime) + "/bus";
    struct stat info {};
    if (::stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) {
        return {};
    }
    g_autofree char* escaped = g_dbus_address_escape_value(socket.c_str());
    return std::string("unix:path=") + escaped;
}

// One notification on its way: connect, ask whether the service reads markup, notify. Runs on
// the calling thread's own context; the callbacks only run while send() iterates it.
class Delivery {
  public:
    Delivery(const DesktopNotification& notification, gint64 deadlineUs)
        : notification_(notification), deadlineUs_(deadlineUs), cancellable_(g_cancellable_new()) {}
    ~Delivery() {
        if (connection_ != nullptr) {
            // Closed by GDBus's own thread: nothing here waits for it.
            g_dbus_connection_close(connection_, nullptr, nullptr, nullptr);
            g_object_unref(connection_);
        }
        g_object_unref(cancellable_);
    }
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;

    // True when the service took the notification before the deadline.
    bool send(GMainContext* context, const std::string& address) {
        g_dbus_connection_new_for_address(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, cancellable_, &Delivery::connected, this);
        const gint64 giveUpUs = deadlineUs_ + kGraceUs;
        wakeAt(context, deadlineUs_);
        wakeAt(context, giveUpUs);
        bool cancelled = false;
        while (!finished_) {
            const gint64 now = g_get_monotonic_time();
            if (now >= giveUpUs) {
                break;  // a step that takes no cancellation: leave it behind
            }
            if (!cancelled && now >= deadlineUs_) {
                g_cancellable_cancel(cancellable_);
                cancelled = true;
            }
            g_main_context_iteration(context, TRUE);
        }
        return delivered_;
    }

  private:
    // Lets the blocking iteration return at `us` (monotonic) at the latest.
    static void wakeAt(GMainContext* context, gint64 us) {
        const gint64 leftMs = (us - g_get_monotonic_time()) / 1000 + 1;
        GSource* timer = g_timeout_source_new(static_cast<guint>(leftMs > 0 ? leftMs : 0));
        g_source_set_callback(
            timer, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(timer, context);
        g_source_unref(timer);
    }

    // What is left of the budget for one call, at least 1 ms (0 would mean GDBus's default).
    int remainingMs() const {
        const gint64 left = (deadlineUs_ - g_get_monotonic_time()) / 1000;
        return left > 0 ? static_cast<int>(left) : 1;
    }

    void call(const char* method, GVariant* parameters, const char* replyType,
              GAsyncReadyCallback done) {
        g_dbus_connection_call(connection_, kService, kObjectPath, kService, method, parameters,
                               G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, remainingMs(),
                               cancellable_, done, this);
    }

    static void connected(GObject*, GAsyncResult* result, gpointer self) {
        auto* d = static_cast<Delivery*>(self);
        d->connection_ = g_dbus_connection_new_for_address_finish(result, nullptr);
        if (d->connection_ == nullptr) {
            d->finished_ = true;
            return;
        }
        d->call("GetCapabilities", nullptr, "(as)", &Delivery::capabilities);
    }

    static void capabilities(GObject*, GAsyncResult* result, gpointer self) {
        auto* d = static_cast<Delivery*>(self);
        g_autoptr(GVariant) reply = g_dbus_connection_call_finish(d->connection_, result, nullptr);
        if (reply == nullptr) {
            d->finished_ = true;  // no service, or it does not answer
            return;
        }
        g_autofree const char** caps = nullptr;
        g_variant_get(reply, "(^a&s)", &caps);
        const bool markup = caps != nullptr && g_strv_contains(caps, "body-markup");
        d->notify(markup);
    }

    void notify(bool markup) {
        const DesktopNotification& n = notification_;
        // A service that reads markup would take a camera called "<b>" as markup.
        g_autofree char* body =
            markup ? g_markup_escape_text(n.body.c_str(), -1) : g_strdup(n.body.c_str());
        GVariantBuilder hints;
        g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&hints, "{sv}", "desktop-entry",
                              g_variant_new_string(n.iconName.c_str()));
        g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(1));
        // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
        // (-1: the service's own).
        call("Notify",
             g_variant_new("(susssasa{sv}i)", n.appName.c_str(), 0u, n.iconName.c_str(),
                           n.summary.c_str(), body, nullptr, &hints, -1),
             "(u)", &Delivery::notified);
    }

    static void notified(GObject*, GAsyncResult* result, gpointer self) {
        auto* d = static_cast<Delivery*>(self);
        g_autoptr(GVariant) reply = g_dbus_connection_call_finish(d->connection_, result, nullptr);
        d->delivered_ = reply != nullptr;
        d->finished_ = true;
    }

    const DesktopNotification& notification_;
    const gint64 deadlineUs_;
    GCancellable* cancellable_;              // owned
    GDBusConnection* connection_ = nullptr;  // owned once connected
    bool finished_ = false;
    bool delivered_ = false;
};

}  // namespace

bool sendDesktopNotification(const DesktopNotification& notification,
                             std::chrono::milliseconds budget) {
    const std::string address = sessionBusAddress();
    if (address.empty()) {
        return false;
    }
    g_autoptr(GMainContext) context = g_main_context_new();
    // The steps' callbacks go to the context that is the thread's default when each step starts.
    g_main_context_push_thread_default(context);
    bool delivered = false;
    {
        Delivery delivery(notification,
                          g_get_monotonic_time() + static_cast<gint64>(budget.count()) * 1000);
        delivered = delivery.send(context, address);
    }
    g_main_context_pop_thread_default(context);
    return delivered;
}

}  // namespace platform
