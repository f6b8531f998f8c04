#pragma once
// Moves as level designers write them: a colour name, an element number and a direction
// letter, such as Blue1U or LBlue12R.

#include "colour.h"
#include "direction.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dovrix {

struct MoveNotation {
    Colour colour;
    int16_t element; // 1-based, in level-string order within the colour
    Direction direction;
    bool operator==(const MoveNotation&) const = default;
};

std::optional<MoveNotation> parseMove(std::string_view text);
std::string formatMove(const MoveNotation& move);

// A whitespace-separated list of moves; nullopt if any of them is malformed.
std::optional<std::vector<MoveNotation>> parseMoveList(std::string_view text);

} // namespace dovrix
