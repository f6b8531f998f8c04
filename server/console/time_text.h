#pragma once
// Times as the console writes them: in the server's local time for people ("2026-12-07
// 09:15"), in UTC with its zone for files that programs read ("2026-12-07T09:15:00Z").

#include <cstdint>
#include <string>

namespace dovrix::server::console {

std::string localTime(std::int64_t seconds);
std::string utcTime(std::int64_t seconds);

} // namespace dovrix::server::console
