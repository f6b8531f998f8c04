#pragma once
// Shortest solutions by breadth-first search over whole slides. Blocks of one colour are
// interchangeable for the goal, so a state keeps each colour's blocks sorted; the moves it
// reports name the real elements of the level.

#include "level_string.h"
#include "move_notation.h"
#include "slide_model.h"

#include <cstdint>
#include <vector>

namespace dovrix::solver {

struct SolveOptions {
    uint64_t maxStates = 50'000'000;
    bool stopAtGoal = true; // false: explore every reachable state (for measurements)
};

struct SolveResult {
    enum class Status { Solved, Unsolvable, BudgetExhausted };
    Status status = Status::Unsolvable;
    int optimum = -1;                // moves of the shortest solution, when solved
    std::vector<MoveNotation> moves; // one shortest solution
    uint64_t statesStored = 0;
    int depthCompleted = 0; // every state up to this many moves has been searched
};

Expected<SolveResult> solve(const LevelDescription& level, const SolveOptions& options = {});

// Applies moves to the model the way the solver sees them: the blocks' values after each
// move, slot by slot. Fails on a move that names no block.
Expected<std::vector<BlockValue>> applyMoves(const SlideModel& model,
                                             const std::vector<MoveNotation>& moves);

} // namespace dovrix::solver
