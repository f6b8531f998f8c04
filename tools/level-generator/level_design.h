#pragma once
// Designs a level from its plan: each room climbed to its share of the par, the rooms put
// together into a level string, and the result checked the way the game will see it: the
// solver proves the optimum region by region, and the tick engine replays its solution.

#include "level_plan.h"
#include "level_string.h"
#include "move_notation.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <vector>

namespace dovrix::levelgen {

struct DesignedLevel {
    LevelDescription level;
    std::vector<MoveNotation> solution; // one shortest solution
    uint64_t statesSearched = 0;        // by the solver's proof
};

// nullopt when no design passed the checks; progress goes to `log`.
std::optional<DesignedLevel> designLevel(const LevelPlan& plan, uint64_t seed, std::ostream& log);

// The level's pieces put together from its rooms' designs.
LevelDescription composeLevel(const LevelPlan& plan, const std::vector<RoomDesign>& rooms);

} // namespace dovrix::levelgen
