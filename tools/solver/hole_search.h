#pragma once
// Shortest solutions for a box full of blocks but for one hole, with a dot under every block's
// place but the hole's. There a move can only push a block beside the hole one cell into it,
// so the puzzle is a sliding-tile puzzle, far too large for breadth-first search. This search
// is iterative-deepening A*: depth-first under a bound on the moves, raised step by step, with
// a lower bound on the moves still needed that never overestimates:
//  - every block not on a dot of its colour must still move at least once;
//  - if some group of such blocks is cut off from the hole by blocks already in place, one of
//    those must move first without helping;
//  - the hole changes the parity of its cell with every move, so the moves still needed have
//    the parity of the hole's distance to its place in the goal.
// Whether the level is such a box is checked with the exact slide model, for every place the
// hole can take: a move pushes exactly one block one cell into the hole, or nothing moves.

#include "difficulty.h"
#include "level_string.h"
#include "solver.h"

namespace dovrix::solver {

// Fails, saying why, for a level that is not such a box.
Expected<SolveResult> solveOneHoleBox(const LevelDescription& level, uint64_t maxNodes);

// The traps and shortest solutions of such a box (see difficulty.h): every first move pushes
// one block into the hole, and the search is run again after each; the shortest solutions
// are counted under the bound of the fewest moves. Fails, saying why, for a level that is
// not such a box.
Expected<Difficulty> measureOneHoleBox(const LevelDescription& level, uint64_t maxNodes);

} // namespace dovrix::solver
