#pragma once
// Everything the server stores about one student, as one JSON file: what a school hands a
// student or a parent who asks.

#include "school_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dovrix::server::console {

std::string studentExport(const StudentSummary& student, const std::vector<LevelReached>& levels,
                          const std::string& exportedBy, std::int64_t now);

// The text as a JSON string, quotes included.
std::string jsonString(std::string_view text);

} // namespace dovrix::server::console
