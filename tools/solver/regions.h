#pragma once
// Splits a level into regions that are separate puzzles: no block can ever leave its region,
// no block of one region can ever touch a block, patch or dot of another, and every dot can
// only be covered from one region. The fewest moves of the level are then the sum of its
// regions' fewest moves. The split is computed from the board, never assumed: every place a
// block could ever rest or pass is grown from the starts as the solver's model grows them,
// and blocks whose places come within overlapping distance, or that could cover the same
// dot, share a region.

#include "level_string.h"
#include "solver.h"

#include <vector>

namespace dovrix::solver {

// Indices into the level's blocks and dots, in string order.
struct Region {
    std::vector<int> blocks;
    std::vector<int> dots;
};

// The level's regions, ordered by their first block. Fails for boards off the 300-twip
// lattice.
Expected<std::vector<Region>> independentRegions(const LevelDescription& level);

// The level with only the region's blocks and dots; walls, pits and patches unchanged.
LevelDescription regionLevel(const LevelDescription& level, const Region& region);

struct RegionSolveResult {
    SolveResult total;                // the sum; moves region by region, real element numbers
    std::vector<SolveResult> regions; // in the order of independentRegions
};

// Solves every region by breadth-first search and adds them up. Solved only when every
// region is; unsolvable when some region is; otherwise the budget ran out (per region).
Expected<RegionSolveResult> solveByRegions(const LevelDescription& level,
                                           const SolveOptions& options = {});

} // namespace dovrix::solver
