#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dovrix::server {

// A count with its noun, as a person reads it: "1 student", "2 students", "0 students". Only
// for nouns that take an s.
inline std::string counted(std::size_t count, std::string_view noun) {
    return std::to_string(count) + ' ' + std::string(noun) + (count == 1 ? "" : "s");
}

} // namespace dovrix::server
