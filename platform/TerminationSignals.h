// SIGTERM, SIGINT and SIGHUP delivered to the GUI thread as a call, so that the program can end
// through its normal shutdown (settings and cache saved) as it does when a desktop session ends.
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace platform {

class TerminationSignals {
  public:
    // Installs the handlers; `onSignal` runs on the thread that owns the event loop.
    explicit TerminationSignals(std::function<void(int signal)> onSignal);
    // Restores the default handlers, unless further signals are ignored.
    ~TerminationSignals();
    // From now until the process ends, these signals are ignored: the shutdown they asked for
    // has begun and runs to its end.
    void ignoreFurther();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool ignoring_ = false;
};

}  // namespace platform
