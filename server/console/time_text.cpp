#include "time_text.h"

#include <ctime>

namespace dovrix::server::console {

namespace {

std::string formatted(std::int64_t seconds, bool local, const char* format) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (local) {
        localtime_r(&time, &parts);
    } else {
        gmtime_r(&time, &parts);
    }
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, format, &parts));
}

} // namespace

std::string localTime(std::int64_t seconds) {
    return formatted(seconds, true, "%Y-%m-%d %H:%M");
}

std::string utcTime(std::int64_t seconds) {
    return formatted(seconds, false, "%Y-%m-%dT%H:%M:%SZ");
}

} // namespace dovrix::server::console
