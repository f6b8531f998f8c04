#pragma once
// How hard a level feels, beside the states its proof searched: the traps, first moves after
// which the level can no longer be beaten in its par, and how many distinct shortest
// solutions there are (few means the player must find the one idea). Both come from a
// breadth-first search that completes the layer where it meets the first goal, so every
// shortest solution runs through its states; a level split into regions is measured region
// by region, and a box full of blocks but one hole by the hole search.

#include "level_string.h"

#include <cstdint>

namespace dovrix::solver {

// Shortest solutions are counted up to this many.
inline constexpr uint64_t kSolutionCap = 1000;

struct Difficulty {
    int firstMoves = 0;     // moves from the start that change the board
    int traps = 0;          // first moves after which the par can no longer be met
    uint64_t solutions = 0; // distinct shortest solutions, at most kSolutionCap
    bool allCounted = true; // false: the count stopped at its budget, and there are more
    uint64_t states = 0;    // states the measurement searched
};

// Measures the level against its own par. Fails for a level the solver cannot model, one
// that cannot be beaten in its par, and when a search would hold more than maxStates states.
Expected<Difficulty> measureDifficulty(const LevelDescription& level, uint64_t maxStates);

} // namespace dovrix::solver
