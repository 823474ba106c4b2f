#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace marbleck {

float SecondsSinceMidnight() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto fraction = duration_cast<microseconds>(now.time_since_epoch()) % seconds(1);
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec +
                           static_cast<double>(fraction.count()) / 1e6;
    return static_cast<float>(seconds);
}

float ElapsedSeconds(float start, float end) {
    float elapsed = end - start;
    if (elapsed < 0.0f) elapsed += 86400.0f;
    return elapsed;
}

}  // namespace marbleck
