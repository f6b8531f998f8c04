#include "level_plan.h"

#include "catalogue.h"
#include "level_string.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dovrix::levelgen {

namespace {

enum class Shape : uint8_t {
    Room,        // one walled room
    SideBySide,  // two rooms with a wall between them
    Stacked,     // two rooms, one above the other
    FourRooms,   // two rooms side by side above two more
    SixRooms,    // six rooms filling the board, the board's edge their outer wall
    Arena,       // open floor ringed by pits, no walls
    RingedRooms, // four walled rooms inside a ring of pits
    PatchField,  // a room whose floor is woven with patches
    TileBox,     // a box full of blocks but for a cell or two
    Maze,        // a room of many walls and two blocks
    Shaft,       // a tall narrow room on the bottom edge
};

struct Row {
    int level;
    char offsets; // A (0,300), B (0,0), C (300,300), D (300,0), E (0,600)
    Shape shape;
    int width; // floor of the (first) room
    int height;
    int dots;             // per room
    const char* features; // p pits, a patches, e an extra block, d a block starts on a dot,
                          // s two dots share a colour, w starts from a sampled backward search
};

// The designed levels. Floor sizes grow with the par and the course; dots are added where a
// room needs more blocks to be as hard as its place in the course asks (dotsFor). The offsets
// centre each board (an even extent takes half a cell of offset).
// clang-format off
constexpr Row kRows[] = {
    {2, 'A', Shape::Room, 5, 6, 2, ""},
    {3, 'B', Shape::Room, 5, 5, 3, "d"},
    {4, 'C', Shape::Room, 6, 4, 2, ""},
    {5, 'A', Shape::Room, 5, 6, 3, ""},
    {6, 'D', Shape::Room, 6, 5, 3, "d"},
    {7, 'A', Shape::Room, 5, 4, 2, ""},
    {8, 'A', Shape::Room, 7, 6, 3, ""},
    {9, 'C', Shape::Room, 6, 6, 3, "d"},
    {10, 'B', Shape::Maze, 11, 11, 2, ""},
    {11, 'A', Shape::Room, 7, 6, 3, "e"},
    {12, 'B', Shape::TileBox, 5, 3, 13, "d"},
    {13, 'C', Shape::Room, 6, 6, 3, ""},
    {14, 'A', Shape::Room, 5, 6, 3, "d"},
    {15, 'B', Shape::SideBySide, 6, 7, 3, ""},
    {16, 'A', Shape::Room, 5, 6, 3, "s"},
    {17, 'D', Shape::Room, 6, 5, 2, "d"},
    {18, 'A', Shape::Room, 5, 6, 3, ""},
    {19, 'C', Shape::Room, 6, 6, 2, ""},
    {20, 'A', Shape::Room, 5, 6, 3, "e"},
    {21, 'B', Shape::PatchField, 9, 9, 3, "a"},
    {22, 'E', Shape::Room, 7, 7, 3, ""},
    {23, 'A', Shape::Room, 7, 6, 3, "d"},
    {24, 'C', Shape::Room, 6, 6, 3, "s"},
    {25, 'A', Shape::SideBySide, 6, 6, 3, ""},
    {26, 'D', Shape::Room, 6, 7, 3, "d"},
    {27, 'D', Shape::Room, 6, 5, 3, ""},
    {28, 'A', Shape::Room, 5, 6, 3, "d"},
    {29, 'C', Shape::Room, 6, 6, 3, ""},
    {30, 'A', Shape::Room, 7, 6, 3, "a"},
    {32, 'B', Shape::Room, 7, 7, 3, ""},
    {33, 'A', Shape::Room, 7, 6, 3, "d"},
    {34, 'D', Shape::Room, 6, 5, 3, ""},
    {35, 'A', Shape::SideBySide, 6, 8, 3, ""},
    {36, 'B', Shape::Room, 5, 7, 3, "d"},
    {37, 'C', Shape::Room, 6, 6, 2, ""},
    {38, 'A', Shape::Room, 7, 6, 3, "d"},
    {39, 'B', Shape::Room, 7, 5, 3, "s"},
    {40, 'A', Shape::Room, 7, 8, 3, "p"},
    {41, 'D', Shape::Room, 6, 7, 3, ""},
    {42, 'C', Shape::Room, 6, 6, 3, ""},
    {43, 'A', Shape::Room, 7, 6, 3, ""},
    {44, 'A', Shape::Room, 7, 6, 3, "d"},
    {45, 'C', Shape::TileBox, 4, 4, 14, "ed"},
    {46, 'A', Shape::Room, 7, 6, 3, "pa"},
    {47, 'B', Shape::Room, 7, 5, 3, "d"},
    {48, 'D', Shape::Room, 6, 7, 3, ""},
    {49, 'A', Shape::Stacked, 7, 5, 3, ""},
    {50, 'C', Shape::Room, 6, 6, 3, "d"},
    {51, 'B', Shape::SideBySide, 6, 7, 3, ""},
    {52, 'A', Shape::Room, 7, 6, 3, "s"},
    {53, 'D', Shape::Room, 6, 7, 3, "d"},
    {54, 'A', Shape::Room, 7, 6, 3, "pa"},
    {55, 'B', Shape::Room, 7, 7, 2, "p"},
    {57, 'C', Shape::Room, 6, 8, 3, "d"},
    {58, 'A', Shape::Room, 7, 6, 3, ""},
    {59, 'B', Shape::Room, 7, 7, 3, "d"},
    {60, 'A', Shape::Room, 7, 6, 2, "p"},
    {61, 'C', Shape::SideBySide, 6, 8, 3, "e"},
    {62, 'A', Shape::Stacked, 7, 6, 3, ""},
    {63, 'B', Shape::Room, 7, 7, 3, "d"},
    {64, 'D', Shape::SideBySide, 6, 7, 3, ""},
    {65, 'A', Shape::SideBySide, 6, 6, 3, ""},
    {66, 'B', Shape::Room, 7, 7, 2, "pe"},
    {67, 'C', Shape::Room, 6, 6, 3, "d"},
    {68, 'A', Shape::Stacked, 7, 6, 3, "e"},
    {69, 'B', Shape::Room, 7, 7, 3, "s"},
    {70, 'D', Shape::Room, 6, 7, 3, "d"},
    {71, 'A', Shape::Room, 7, 6, 3, "p"},
    {72, 'C', Shape::SideBySide, 6, 6, 3, "e"},
    {73, 'B', Shape::Room, 7, 7, 3, "d"},
    {74, 'A', Shape::Stacked, 7, 6, 3, ""},
    {75, 'C', Shape::Room, 6, 6, 3, ""},
    {76, 'B', Shape::SixRooms, 4, 7, 3, ""},
    {77, 'A', Shape::Room, 7, 6, 3, "p"},
    {78, 'D', Shape::Room, 6, 7, 3, "pe"},
    {79, 'A', Shape::RingedRooms, 4, 5, 3, "pa"},
    {80, 'C', Shape::Room, 6, 6, 3, "d"},
    {81, 'B', Shape::Arena, 5, 5, 6, "p"},
    {82, 'A', Shape::Room, 7, 6, 3, "pe"},
    {83, 'C', Shape::Room, 6, 6, 3, "pe"},
    {84, 'B', Shape::Room, 7, 7, 3, "d"},
    {85, 'A', Shape::Room, 7, 6, 3, "e"},
    {86, 'D', Shape::SideBySide, 6, 5, 3, ""},
    {88, 'B', Shape::Room, 7, 7, 3, "a"},
    {89, 'A', Shape::Arena, 7, 6, 4, "pa"},
    {90, 'D', Shape::Shaft, 4, 13, 3, ""},
    {91, 'C', Shape::FourRooms, 6, 6, 3, "p"},
    {92, 'A', Shape::Room, 7, 6, 3, "p"},
    {93, 'B', Shape::Arena, 5, 5, 6, "pew"},
    {94, 'C', Shape::Room, 8, 6, 3, "d"},
    {95, 'A', Shape::Room, 7, 6, 3, ""},
    {96, 'B', Shape::Room, 7, 7, 3, "p"},
    {97, 'A', Shape::Room, 7, 6, 3, "pe"},
    {98, 'D', Shape::Room, 6, 7, 3, "d"},
    {99, 'A', Shape::Stacked, 7, 6, 3, ""},
};
// clang-format on

bool has(const Row& row, char feature) {
    return std::strchr(row.features, feature) != nullptr;
}

// First cell of an extent centred on the board: the board's middle cell is 7, and an offset
// of 300 or 600 twips shifts the cells by half or one cell.
int centredStart(int extent, int offset) {
    return 7 - (extent - 1 + offset / 300) / 2;
}

// Dots enough for a room to be as hard as asked: the ways to place that many blocks on the
// room's floor (about a sixth of it walled) must be twice the states its proof should search
// or more, since blocks only rest where something stops them.
int dotsFor(int least, int extraBlocks, int area, uint32_t proofStates) {
    const double floor = area * 5.0 / 6.0;
    int dots = least;
    for (;;) {
        double placements = 1;
        for (int i = 0; i < dots + extraBlocks; ++i) {
            placements *= floor - i;
        }
        if (dots >= 6 || placements >= 2.0 * proofStates) {
            return dots;
        }
        ++dots;
    }
}

Symmetry randomSymmetry(Random& random) {
    const int roll = random.below(100);
    if (roll < 30) {
        return Symmetry::MirrorX;
    }
    if (roll < 55) {
        return Symmetry::MirrorY;
    }
    if (roll < 80) {
        return Symmetry::Rotate180;
    }
    return roll < 90 ? Symmetry::MirrorBoth : Symmetry::None;
}

// `count` dot colours for a room: distinct where possible, one pair when asked.
std::vector<Colour> randomColours(int count, bool pair, Random& random) {
    std::vector<Colour> colours(kColoursInCodeOrder.begin(), kColoursInCodeOrder.end());
    for (int i = kColourCount - 1; i > 0; --i) {
        std::swap(colours[i], colours[random.below(i + 1)]);
    }
    std::vector<Colour> chosen;
    for (int i = 0; i < count; ++i) {
        chosen.push_back(colours[i % kColourCount]);
    }
    if (pair && count >= 2) {
        chosen.back() = chosen.front();
    }
    return chosen;
}

// Tile boxes hold few colours, several blocks each.
std::vector<Colour> tileColours(int count, Random& random) {
    std::vector<Colour> colours = randomColours(3, false, random);
    std::vector<Colour> chosen;
    for (int i = 0; i < count; ++i) {
        chosen.push_back(colours[i % 3]);
    }
    return chosen;
}

// The par of a catalogue level, as the catalogue gives it: the generator keeps every par.
int cataloguePar(int level) {
    const auto parsed = parseLevelString(builtInLevelStrings()[level - 1]);
    return parsed ? parsed->par : 0;
}

} // namespace

uint32_t proofStatesTarget(int level) {
    // Rising by a steady factor between these levels; each step up in the course's stages
    // (level 21 onwards, level 51 onwards) starts a little higher.
    struct Anchor {
        int level;
        double states;
    };
    constexpr Anchor kAnchors[] = {{2, 1'000},   {20, 7'000},  {21, 12'000},
                                   {50, 45'000}, {51, 60'000}, {99, 250'000}};
    for (std::size_t i = 0; i + 1 < std::size(kAnchors); ++i) {
        const Anchor& a = kAnchors[i];
        const Anchor& b = kAnchors[i + 1];
        if (level <= b.level) {
            const double t =
                std::clamp(static_cast<double>(level - a.level) / (b.level - a.level), 0.0, 1.0);
            return static_cast<uint32_t>(
                std::exp(std::log(a.states) * (1 - t) + std::log(b.states) * t));
        }
    }
    return static_cast<uint32_t>(kAnchors[std::size(kAnchors) - 1].states);
}

bool isFixedLevel(int level) {
    return level == 1 || level == 31 || level == 56 || level == 87 || level == 100;
}

std::optional<LevelPlan> planFor(int level, int moreDots) {
    const Row* row = std::find_if(std::begin(kRows), std::end(kRows),
                                  [level](const Row& r) { return r.level == level; });
    if (row == std::end(kRows)) {
        return std::nullopt;
    }
    Random random(0xD0F1A5ull * 1000003ull + static_cast<uint64_t>(level));
    LevelPlan plan;
    plan.level = level;
    plan.par = cataloguePar(level);
    switch (row->offsets) {
    case 'A':
        plan.offsetY = 300;
        break;
    case 'C':
        plan.offsetX = 300;
        plan.offsetY = 300;
        break;
    case 'D':
        plan.offsetX = 300;
        break;
    case 'E':
        plan.offsetY = 600;
        break;
    default:
        break;
    }

    // Room floors and the box that holds them.
    std::vector<CellRect> areas;
    const int w = row->width;
    const int h = row->height;
    auto secondExtent = [](int first, int offset) {
        // Two rooms and the wall between them: the total extent's parity follows the offset.
        return (first + first + 1 + 2) % 2 == (offset == 300 ? 0 : 1) ? first : first - 1;
    };
    // Rooms side by side share a wall, and so do rooms one above the other.
    const bool fourRooms = row->shape == Shape::FourRooms || row->shape == Shape::RingedRooms;
    const bool twoColumns = row->shape == Shape::SideBySide || fourRooms;
    const bool twoRows = row->shape == Shape::Stacked || fourRooms;
    int boxWidth = twoColumns ? w + 1 + secondExtent(w, plan.offsetX) : w;
    int boxHeight = twoRows ? h + 1 + secondExtent(h, plan.offsetY) : h;
    if (row->shape == Shape::SixRooms) {
        boxWidth = 15;
        boxHeight = 15;
    }
    const int border = row->shape == Shape::SixRooms ? 0 : 1;
    plan.box.width = boxWidth;
    plan.box.height = boxHeight;
    plan.box.x = centredStart(boxWidth + 2 * border, plan.offsetX) + border;
    plan.box.y = centredStart(boxHeight + 2 * border, plan.offsetY) + border;
    if (row->shape == Shape::Shaft) {
        plan.box.y = 1; // the bottom wall lies on the board's last row
        plan.flatBottomWall = true;
    }
    if (row->shape == Shape::SixRooms) {
        plan.outer = Outer::Frame;
        plan.dividersX = {4, 9};
        plan.dividersY = {7};
        for (int y : {0, 8}) {
            areas.push_back(CellRect{0, y, 4, 7});
            areas.push_back(CellRect{5, y, 4, 7});
            areas.push_back(CellRect{10, y, 5, 7});
        }
    } else {
        // The box cut by its dividers, row by row.
        struct Span {
            int start;
            int extent;
        };
        auto spans = [](int start, int extent, int first, bool cut) {
            return cut ? std::vector<Span>{{start, first}, {start + first + 1, extent - first - 1}}
                       : std::vector<Span>{{start, extent}};
        };
        if (twoColumns) {
            plan.dividersX.push_back(plan.box.x + w);
        }
        if (twoRows) {
            plan.dividersY.push_back(plan.box.y + h);
        }
        for (const Span& across : spans(plan.box.y, boxHeight, h, twoRows)) {
            for (const Span& along : spans(plan.box.x, boxWidth, w, twoColumns)) {
                areas.push_back(CellRect{along.start, across.start, along.extent, across.extent});
            }
        }
    }
    if (row->shape == Shape::Arena || row->shape == Shape::RingedRooms) {
        plan.outer = Outer::Pits;
    }

    // The par shared between the rooms, the larger shares last.
    const int rooms = static_cast<int>(areas.size());
    for (int i = 0; i < rooms; ++i) {
        RoomBrief brief;
        brief.area = areas[i];
        brief.par = plan.par / rooms + (i >= rooms - plan.par % rooms ? 1 : 0);
        brief.symmetry = randomSymmetry(random);
        const int area = brief.area.width * brief.area.height;
        // Few walls for short pars, more room to build for long ones.
        brief.maxWallRects = std::clamp(brief.par / 2, 2, rooms == 1 ? 12 : (rooms == 2 ? 8 : 3));
        brief.maxWallRects = std::min(brief.maxWallRects, area / 3);
        if (row->shape == Shape::TileBox) {
            brief.dotColours = tileColours(row->dots, random);
            brief.maxWallRects = 0;
        } else {
            // Six rooms' pieces must still fit in a string shorter than level 56's, and so
            // must four rooms' beside a ring of 42 pits.
            const bool smallRooms =
                row->shape == Shape::SixRooms || row->shape == Shape::RingedRooms;
            // A room with a very long share of the par keeps the plan's dots: with more
            // blocks the positions within its par are too many to search backwards.
            const int dots = brief.par >= 45
                                 ? row->dots
                                 : std::min(smallRooms ? 4 : 6,
                                            dotsFor(row->dots, has(*row, 'e') && i == 0 ? 1 : 0,
                                                    area, proofStatesTarget(level) / rooms));
            brief.dotColours = randomColours(dots + moreDots, has(*row, 's'), random);
        }
        if (has(*row, 'e') && i == 0) {
            // A block with no dot of its own: of a colour in play, or of a new one.
            const std::vector<Colour> spare = randomColours(kColourCount, false, random);
            brief.extraBlocks.push_back(random.chance(50) ? brief.dotColours.front()
                                                          : spare.front());
        }
        brief.blockOnDot = has(*row, 'd') && i == 0;
        brief.sampledStarts = has(*row, 'w');
        if (has(*row, 'p')) {
            brief.minPits = 1;
            brief.maxPits = std::clamp(area / 10, 2, 6);
            brief.pitsMustMatter = true;
        }
        if (has(*row, 'a')) {
            brief.minPatches = 1;
            brief.maxPatches = 4;
            brief.patchesMustMatter = true;
        }
        switch (row->shape) {
        case Shape::Arena:
            // The ring of pits is the arena's edge: whatever slides off the floor falls.
            brief.pitsMustMatter = false;
            brief.maxWallRects = 0;
            brief.symmetry = Symmetry::None;
            brief.minPits = 0;
            brief.maxPits = level == 93 ? 2 : 0;
            if (level == 89) {
                brief.minPatches = 4;
                brief.maxPatches = 10;
                brief.blocksOnPatches = 2;
            }
            break;
        case Shape::RingedRooms:
            brief.minPits = 0; // the ring holds the level's 42 pits
            brief.maxPits = 0;
            brief.minWallRects = 1;
            break;
        case Shape::PatchField:
            brief.minPatches = 35;
            brief.maxPatches = 35;
            brief.patchFieldPattern = true;
            brief.maxWallRects = 8;
            break;
        case Shape::Maze:
            brief.minWallRects = 20;
            brief.maxWallRects = 20;
            break;
        case Shape::Shaft:
            brief.maxWallRects = 8;
            break;
        default:
            break;
        }
        plan.rooms.push_back(brief);
    }
    // The proof the level should need, shared between its rooms, and what may come above
    // it without the level jumping far ahead of those after it.
    const uint32_t target = proofStatesTarget(level);
    plan.minProofStates = level > 50   ? std::max<uint32_t>(target * 7 / 10, 50'000)
                          : level > 20 ? std::max<uint32_t>(target * 7 / 10, 10'000)
                                       : target / 2;
    // Four rooms inside a ring of pits are small: with a quarter of a long par each they
    // reach no further than the least any level past 50 needs.
    const bool ringedRooms = row->shape == Shape::RingedRooms;
    if (ringedRooms) {
        plan.minProofStates = 50'000;
    }
    for (RoomBrief& brief : plan.rooms) {
        brief.minProofStates = (ringedRooms ? plan.minProofStates : target) / rooms;
        // A floor woven with patches stops slides everywhere: even its easiest starts to a
        // long par are large, so its proof may come higher.
        brief.maxProofStates = (row->shape == Shape::PatchField ? 30 : 6) * target / rooms;
        brief.minTraps = level >= 5 ? 1 : 0;
    }
    plan.limits.iterations = 2000;
    plan.limits.patience = plan.par >= 35 ? 800 : 400;
    plan.limits.stateLimit = std::max<uint32_t>(1'500'000, 10 * target / rooms);
    return plan;
}

std::array<Ground, kGridCells> planSurroundings(const LevelPlan& plan) {
    std::array<Ground, kGridCells> ground;
    ground.fill(Ground::Outside);
    const CellRect& b = plan.box;
    if (plan.outer == Outer::Pits) {
        for (int y = b.y - 1; y <= b.y + b.height; ++y) {
            for (int x = b.x - 1; x <= b.x + b.width; ++x) {
                if (!b.contains(x, y)) {
                    ground[cellIndex(x, y)] = Ground::Pit;
                }
            }
        }
    }
    return ground;
}

} // namespace dovrix::levelgen
