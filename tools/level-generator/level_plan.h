#pragma once
// What each designed level of the catalogue must be: its par, its board offsets, its shape
// (one room, rooms side by side, an arena ringed by pits, ...) and what its rooms hold. The
// table in level_plan.cpp is the catalogue's design brief; the generator fills it in.

#include "room.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace dovrix::levelgen {

// What closes the floor in: walls, a ring of pits, or the board's own edge (only where the
// floor meets the edge with no offset in that direction, so the edge stops blocks on cells).
enum class Outer : uint8_t { Walls, Pits, Frame };

struct LevelPlan {
    int level = 0;
    int par = 0;
    int16_t offsetX = 0;
    int16_t offsetY = 0;
    CellRect box; // the floor inside the outer boundary, dividers included
    Outer outer = Outer::Walls;
    std::vector<int> dividersX;   // walls across the whole box at these columns
    std::vector<int> dividersY;   // ... and rows
    bool flatBottomWall = false;  // the bottom wall is written with height 0 (one cell)
    std::vector<RoomBrief> rooms; // row by row, as the dividers cut the box
    ClimbLimits limits;
    uint32_t minProofStates = 0; // the least the solver's proof of the whole level may search
};

// The plan of a designed level; nullopt for the five levels whose strings are fixed.
// `moreDots` adds dots (and their blocks) to every room, for a second try at a level whose
// rooms were too small to be as hard as asked.
std::optional<LevelPlan> planFor(int level, int moreDots = 0);

// The states the proof of a designed level should search: the course grows harder level by
// level, from about a thousand states at level 2 to about half a million at level 99.
uint32_t proofStatesTarget(int level);

// The levels whose strings are kept exactly as given, not designed.
bool isFixedLevel(int level);

// The cells of the outer boundary and the dividers of a plan: where walls or pits go.
std::array<Ground, kGridCells> planSurroundings(const LevelPlan& plan);

} // namespace dovrix::levelgen
