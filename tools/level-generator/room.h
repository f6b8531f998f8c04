#pragma once
// A room of a level: a rectangle of floor closed by walls or pits, with its own blocks, dots,
// inner walls, pits and patches. No block can leave its room, so a level's rooms are separate
// puzzles whose fewest moves add up. The generator designs each room to a target: the fewest
// moves from its start to its goal.

#include "grid_puzzle.h"
#include "random.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace dovrix::levelgen {

struct CellRect {
    int x = 0;
    int y = 0;
    int width = 1;
    int height = 1;
    bool operator==(const CellRect&) const = default;
    bool contains(int cx, int cy) const {
        return cx >= x && cx < x + width && cy >= y && cy < y + height;
    }
    bool containsRect(const CellRect& r) const {
        return r.x >= x && r.y >= y && r.x + r.width <= x + width && r.y + r.height <= y + height;
    }
};

// How inner walls repeat across the room: designed boards look designed.
enum class Symmetry : uint8_t { None, MirrorX, MirrorY, Rotate180, MirrorBoth };

// What a room must be, as the level's plan asks.
struct RoomBrief {
    CellRect area;                   // the floor, inside the room's walls or pits
    int par = 0;                     // the fewest moves the room must need
    std::vector<Colour> dotColours;  // one dot per entry; as many blocks of each colour
    std::vector<Colour> extraBlocks; // blocks beyond the dots
    Symmetry symmetry = Symmetry::None;
    int minWallRects = 0; // inner walls, counted after symmetry
    int maxWallRects = 0; // 0: none
    int minPits = 0;
    int maxPits = 0;
    int minPatches = 0;
    int maxPatches = 0;
    bool blockOnDot = false;        // some block starts on a dot; otherwise none does
    int blocksOnPatches = 0;        // exactly this many blocks start on patches
    bool pitsMustMatter = false;    // without its pits the room's fewest moves differ
    bool patchesMustMatter = false; // without its patches the room needs more moves
    bool patchFieldPattern = false; // patches lie on a regular lattice and stay there
    // Starts are found by a backward search that keeps a sample of each layer and measured
    // by forward searches: for rooms whose positions within the par are too many to list,
    // such as many blocks and a short par.
    bool sampledStarts = false;
    // How hard the start must be to prove: the states a breadth-first search from it holds
    // when it meets the goal, and the first moves after which the par cannot be met.
    uint32_t minProofStates = 0;
    uint32_t maxProofStates = 3'000'000;
    int minTraps = 0;
};

// A room as designed: inner walls before symmetry, pits, patches, dots and the start.
struct RoomDesign {
    std::vector<CellRect> segments;
    std::vector<Position> pits;
    std::vector<Position> patches;
    std::vector<GridDot> dots;
    std::vector<Position> start; // one position per block, colour by colour (GridPuzzle slots)
    std::vector<Colour> blockColours;
    int optimum = -1;
    uint32_t proofStates = 0; // what the forward search from the start held
    int traps = 0;
    int firstMoves = 0;
};

// The inner walls with their mirror images, without repeats.
std::vector<CellRect> realiseWalls(const CellRect& area, Symmetry symmetry,
                                   const std::vector<CellRect>& segments);

// The grid for one room: its floor, walls, pits and patches; `surroundings` gives what lies
// around it (walls or pits of the room's boundary, everything else Outside).
GridLayout roomLayout(const RoomBrief& brief, const std::array<Ground, kGridCells>& surroundings,
                      const RoomDesign& design);

struct ClimbLimits {
    int iterations = 20000;          // layouts evaluated in all
    int patience = 400;              // evaluations without progress before a fresh start
    uint32_t stateLimit = 1'500'000; // states a backward search may hold
    uint32_t proofLimit = 3'000'000; // states a forward search without pits or patches may need
    int startsTried = 6;             // starts of a deep enough layout whose proofs are measured
    std::size_t sampledLayer = 2000; // positions a sampled backward search keeps of a layer
};

struct ClimbReport {
    int evaluations = 0;
    int restarts = 0;
    int bestDepth = 0;
    uint32_t bestProofStates = 0; // the hardest start to prove met at the par
};

// Hill-climbs the room's inner walls, pits, patches and dots until some start needs exactly
// brief.par moves; nullopt when the limits run out first.
std::optional<RoomDesign> designRoom(const RoomBrief& brief,
                                     const std::array<Ground, kGridCells>& surroundings,
                                     Random& random, const ClimbLimits& limits,
                                     ClimbReport& report);

} // namespace dovrix::levelgen
