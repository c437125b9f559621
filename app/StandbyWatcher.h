// The system going to standby, from logind's PrepareForSleep signal on the system bus.
// Without a system bus nothing is reported, silently.
#pragma once

#include <functional>

#include <QObject>

class StandbyWatcher : public QObject {
    Q_OBJECT
  public:
    explicit StandbyWatcher(std::function<void()> onSuspend);
    bool connected() const { return connected_; }

  public slots:
    void prepareForSleep(bool start);

  private:
    std::function<void()> onSuspend_;
    bool connected_ = false;
};
