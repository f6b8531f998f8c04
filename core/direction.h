#pragma once
// The four directions a block can be flicked in.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace dovrix {

// None stands for the empty direction: no move chosen.
enum class Direction : uint8_t { None, Left, Right, Up, Down };

inline constexpr std::array<Direction, 4> kDirections = {Direction::Left, Direction::Right,
                                                         Direction::Up, Direction::Down};

// "Left", "Right", "Up", "Down", or "" for None.
constexpr std::string_view directionName(Direction direction) {
    constexpr std::array<std::string_view, 5> names = {"", "Left", "Right", "Up", "Down"};
    return names[static_cast<int>(direction)];
}

// 0 to 3 for Left, Right, Up, Down.
constexpr int directionIndex(Direction direction) {
    return static_cast<int>(direction) - 1;
}

} // namespace dovrix
