// Media type construction and the system clock of the frame filter.
#include "filter/FilterTypes.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace filter {

MediaType MediaType::video(uint32_t subtype, const platform::VideoInfoHeader& vih) {
    MediaType t;
    t.majorType = kMajorVideo;
    t.subtype = subtype;
    t.format.resize(sizeof(vih));
    std::memcpy(t.format.data(), &vih, sizeof(vih));
    return t;
}

namespace {

class SystemClock final : public FilterClock {
  public:
    uint32_t tickCountMs() override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return static_cast<uint32_t>(ms.count());
    }
    int64_t counter100ns() override {
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return ns.count() / 100;
    }
    LocalDate localDate() override {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        if (localtime_r(&now, &tm) == nullptr) {
            return LocalDate{};
        }
        return LocalDate{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
    }
};

}  // namespace

FilterClock& systemClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace filter
