#include "room.h"

#include "retrograde.h"

#include <algorithm>

namespace dovrix::levelgen {

namespace {

CellRect mirrorX(const CellRect& area, const CellRect& r) {
    return CellRect{2 * area.x + area.width - r.x - r.width, r.y, r.width, r.height};
}

CellRect mirrorY(const CellRect& area, const CellRect& r) {
    return CellRect{r.x, 2 * area.y + area.height - r.y - r.height, r.width, r.height};
}

int areaCell(const CellRect& area, int i) {
    return cellIndex(area.x + i % area.width, area.y + i / area.width);
}

bool hasDot(const std::vector<GridDot>& dots, int cell) {
    return std::any_of(dots.begin(), dots.end(),
                       [cell](const GridDot& d) { return d.cell == cell; });
}

std::vector<Colour> blockColoursOf(const RoomBrief& brief) {
    std::vector<Colour> colours = brief.dotColours;
    colours.insert(colours.end(), brief.extraBlocks.begin(), brief.extraBlocks.end());
    std::sort(colours.begin(), colours.end());
    return colours;
}

// The layout's walls, pits, patches and dots do not collide, and there is room to move.
bool isValid(const RoomBrief& brief, const RoomDesign& design, const GridLayout& layout) {
    if (design.dots.size() != brief.dotColours.size()) {
        return false;
    }
    const auto walls = realiseWalls(brief.area, brief.symmetry, design.segments);
    if (static_cast<int>(walls.size()) > brief.maxWallRects ||
        static_cast<int>(walls.size()) < brief.minWallRects) {
        return false;
    }
    for (const CellRect& w : walls) {
        if (!brief.area.containsRect(w)) {
            return false;
        }
    }
    const int pitCount = static_cast<int>(design.pits.size());
    const int patchCount = static_cast<int>(design.patches.size());
    if (pitCount < brief.minPits || pitCount > brief.maxPits || patchCount < brief.minPatches ||
        patchCount > brief.maxPatches) {
        return false;
    }
    std::vector<int> used(kGridCells, 0);
    for (Position p : design.pits) {
        if (layout.ground[p] != Ground::Pit || used[p]++ != 0) {
            return false;
        }
    }
    for (Position p : design.patches) {
        if (layout.ground[p] != Ground::Patch || used[p]++ != 0) {
            return false;
        }
    }
    for (std::size_t i = 0; i < design.dots.size(); ++i) {
        const Ground g = layout.ground[design.dots[i].cell];
        if ((g != Ground::Floor && g != Ground::Patch) ||
            std::any_of(design.dots.begin(), design.dots.begin() + static_cast<long>(i),
                        [&](const GridDot& d) { return d.cell == design.dots[i].cell; })) {
            return false;
        }
    }
    int standable = 0;
    int open = 0;
    int first = -1;
    for (int i = 0; i < brief.area.width * brief.area.height; ++i) {
        const Ground g = layout.ground[areaCell(brief.area, i)];
        standable += g == Ground::Floor || g == Ground::Patch;
        if (g != Ground::Wall) {
            ++open;
            first = first < 0 ? areaCell(brief.area, i) : first;
        }
    }
    // Inner walls shape the room but never cut it in two.
    std::vector<bool> reached(kGridCells, false);
    std::vector<int> stack;
    if (first >= 0) {
        stack.push_back(first);
        reached[first] = true;
    }
    int connected = 0;
    while (!stack.empty()) {
        const int cell = stack.back();
        stack.pop_back();
        ++connected;
        const int x = cell % kGridSide;
        const int y = cell / kGridSide;
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            if (!brief.area.contains(x + dx, y + dy)) {
                continue;
            }
            const int next = cellIndex(x + dx, y + dy);
            if (!reached[next] && layout.ground[next] != Ground::Wall) {
                reached[next] = true;
                stack.push_back(next);
            }
        }
    }
    return connected == open && standable > static_cast<int>(layout.blockColours.size());
}

CellRect randomSegment(const CellRect& area, Random& random) {
    const bool across = random.chance(50);
    const int longest = std::min(3, across ? area.width : area.height);
    const int length = random.between(1, std::max(1, longest));
    CellRect r{0, 0, across ? length : 1, across ? 1 : length};
    r.x = area.x + random.below(area.width - r.width + 1);
    r.y = area.y + random.below(area.height - r.height + 1);
    return r;
}

// A random standable cell of the room that holds no dot; -1 if none is found.
int randomFreeCell(const RoomBrief& brief, const GridLayout& layout,
                   const std::vector<GridDot>& dots, Random& random, bool patchAllowed) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int cell = areaCell(brief.area, random.below(brief.area.width * brief.area.height));
        const Ground g = layout.ground[cell];
        if ((g == Ground::Floor || (patchAllowed && g == Ground::Patch)) && !hasDot(dots, cell)) {
            return cell;
        }
    }
    return -1;
}

// A random empty floor cell (no wall, pit, patch or dot).
int randomEmptyCell(const RoomBrief& brief, const GridLayout& layout,
                    const std::vector<GridDot>& dots, Random& random) {
    return randomFreeCell(brief, layout, dots, random, false);
}

RoomDesign randomDesign(const RoomBrief& brief, const std::array<Ground, kGridCells>& surroundings,
                        Random& random) {
    RoomDesign design;
    design.blockColours = blockColoursOf(brief);
    if (brief.maxWallRects > 0) {
        const int target = random.between(brief.minWallRects, brief.maxWallRects);
        for (int attempt = 0; attempt < 40; ++attempt) {
            design.segments.push_back(randomSegment(brief.area, random));
            const int count =
                static_cast<int>(realiseWalls(brief.area, brief.symmetry, design.segments).size());
            if (count > target) {
                design.segments.pop_back();
            }
            if (count >= target) {
                break;
            }
        }
    }
    if (brief.patchFieldPattern) {
        // Every other cell of every other row, shifted row by row: a woven field.
        const int phase = random.below(2);
        for (int i = 0; i < brief.area.width * brief.area.height; ++i) {
            const int x = i % brief.area.width;
            const int y = i / brief.area.width;
            if (static_cast<int>(design.patches.size()) < brief.maxPatches &&
                (x + y + phase) % 2 == 0 && y % 2 == 0) {
                design.patches.push_back(static_cast<Position>(areaCell(brief.area, i)));
            }
        }
    }
    GridLayout layout = roomLayout(brief, surroundings, design);
    const int pits = random.between(brief.minPits, brief.maxPits);
    while (static_cast<int>(design.pits.size()) < pits) {
        const int cell = randomEmptyCell(brief, layout, design.dots, random);
        if (cell >= 0) {
            design.pits.push_back(static_cast<Position>(cell));
            layout.ground[cell] = Ground::Pit;
        }
    }
    const int patches = std::max(static_cast<int>(design.patches.size()),
                                 random.between(brief.minPatches, brief.maxPatches));
    while (static_cast<int>(design.patches.size()) < patches) {
        const int cell = randomEmptyCell(brief, layout, design.dots, random);
        if (cell >= 0) {
            design.patches.push_back(static_cast<Position>(cell));
            layout.ground[cell] = Ground::Patch;
        }
    }
    for (Colour colour : brief.dotColours) {
        int cell = -1;
        for (int attempt = 0; attempt < 20 && cell < 0; ++attempt) {
            cell = randomFreeCell(brief, layout, design.dots, random, true);
        }
        if (cell >= 0) { // otherwise the design is short of a dot and fails validation
            design.dots.push_back(GridDot{static_cast<Position>(cell), colour});
        }
    }
    return design;
}

// One random change to the design.
void mutate(const RoomBrief& brief, const std::array<Ground, kGridCells>& surroundings,
            RoomDesign& design, Random& random) {
    const GridLayout layout = roomLayout(brief, surroundings, design);
    const bool walls = brief.maxWallRects > 0;
    const bool pits = brief.maxPits > 0;
    const bool patches = brief.maxPatches > 0 && !brief.patchFieldPattern;
    const int kind = random.below(10);
    if (walls && kind < 5) {
        auto& segments = design.segments;
        const int choice = segments.empty() ? 0 : random.below(5);
        if (choice == 0) {
            segments.push_back(randomSegment(brief.area, random));
        } else {
            CellRect& s = segments[random.below(static_cast<int>(segments.size()))];
            if (choice == 1) {
                s = segments.back();
                segments.pop_back();
            } else if (choice == 2) {
                const int d = random.chance(50) ? 1 : -1;
                (random.chance(50) ? s.x : s.y) += d;
            } else if (choice == 3) {
                const int d = random.chance(50) ? 1 : -1;
                int& length =
                    s.width > 1
                        ? s.width
                        : (s.height > 1 ? s.height : (random.chance(50) ? s.width : s.height));
                length = std::clamp(length + d, 1, 4);
            } else {
                std::swap(s.width, s.height);
            }
        }
        return;
    }
    if ((pits || patches) && kind < 7) {
        const bool pit = pits && (!patches || random.chance(50));
        auto& cells = pit ? design.pits : design.patches;
        const int low = pit ? brief.minPits : brief.minPatches;
        const int high = pit ? brief.maxPits : brief.maxPatches;
        const int choice = random.below(4);
        if (choice == 0 && static_cast<int>(cells.size()) < high) {
            const int cell = randomEmptyCell(brief, layout, design.dots, random);
            if (cell >= 0) {
                cells.push_back(static_cast<Position>(cell));
            }
        } else if (choice == 1 && static_cast<int>(cells.size()) > low) {
            cells.erase(cells.begin() + random.below(static_cast<int>(cells.size())));
        } else if (!cells.empty()) {
            const int cell = randomEmptyCell(brief, layout, design.dots, random);
            if (cell >= 0) {
                cells[random.below(static_cast<int>(cells.size()))] = static_cast<Position>(cell);
            }
        }
        return;
    }
    if (design.dots.size() >= 2 && random.chance(30)) {
        GridDot& a = design.dots[random.below(static_cast<int>(design.dots.size()))];
        GridDot& b = design.dots[random.below(static_cast<int>(design.dots.size()))];
        std::swap(a.colour, b.colour);
        return;
    }
    const int cell = randomFreeCell(brief, layout, design.dots, random, true);
    if (cell >= 0) {
        design.dots[random.below(static_cast<int>(design.dots.size()))].cell =
            static_cast<Position>(cell);
    }
}

GridLayout withoutGround(GridLayout layout, Ground removed) {
    for (Ground& g : layout.ground) {
        if (g == removed) {
            g = Ground::Floor;
        }
    }
    return layout;
}

// The first moves from a start, and how many of them lead where the par can no longer be
// met: to a position farther than par - 1 moves from every goal.
std::pair<int, int> firstMovesAndTraps(const GridPuzzle& puzzle, const Retrograde& search,
                                       const std::vector<Position>& start, int par) {
    int moves = 0;
    int traps = 0;
    std::vector<Position> next(start.size());
    puzzle.forEachMove(start.data(), [&](int slot, Direction, Position to) {
        next = start;
        next[slot] = to;
        puzzle.resort(next.data(), slot);
        const int distance = search.distance(next.data());
        ++moves;
        traps += distance < 0 || distance > par - 1;
    });
    return {moves, traps};
}

// How near a proof of `states` states comes to the brief's band: 1 inside it, less the
// farther outside.
double closeness(const RoomBrief& brief, uint32_t states) {
    if (states < brief.minProofStates) {
        return static_cast<double>(states) / brief.minProofStates;
    }
    if (states > brief.maxProofStates) {
        return static_cast<double>(brief.maxProofStates) / states;
    }
    return 1.0;
}

struct StartPick {
    std::optional<RoomDesign> design; // the design with its start, when one fits the brief
    double closeness = 0;             // of the best start measured, when none fits
    uint32_t bestStates = 0;
    int deepest = 0; // the most moves, up to the par, that a start met needed (walked starts)
};

// The start keeps every block on the floor, and puts blocks on dots and patches only where
// the brief asks for it.
bool placementFits(const RoomBrief& brief, const GridLayout& layout,
                   const std::vector<bool>& dotCell, const std::vector<Position>& start) {
    int onDots = 0;
    int onPatches = 0;
    for (Position p : start) {
        if (p == kFallen) {
            return false;
        }
        onDots += dotCell[p];
        onPatches += layout.ground[p] == Ground::Patch;
    }
    return onPatches == brief.blocksOnPatches && (onDots > 0) == brief.blockOnDot;
}

std::vector<bool> dotCells(const GridLayout& layout) {
    std::vector<bool> dotCell(kGridCells, false);
    for (const GridDot& dot : layout.dots) {
        dotCell[dot.cell] = true;
    }
    return dotCell;
}

// Where the brief asks: the room's fewest moves change without its pits, and without its
// patches it needs more moves (every shortest solution stops a block on a patch).
bool groundMatters(const RoomBrief& brief, const GridLayout& layout,
                   const std::vector<Position>& start, const ClimbLimits& limits) {
    // The room's fewest moves without its pits or patches, or -1 when it needs more than
    // the par (or cannot be solved at all); nullopt when that is too costly to tell.
    auto optimumWithout = [&](Ground removed) -> std::optional<int> {
        const GridPuzzle plain(withoutGround(layout, removed));
        SearchLimits check;
        check.maxStates = limits.proofLimit;
        check.maxDepth = brief.par;
        const ForwardResult other = searchForwards(plain, start, check);
        return other.capped ? std::nullopt : std::optional<int>(other.optimum);
    };
    if (brief.pitsMustMatter) {
        const auto without = optimumWithout(Ground::Pit);
        if (!without || *without == brief.par) {
            return false;
        }
    }
    return !brief.patchesMustMatter || optimumWithout(Ground::Patch) == -1;
}

RoomDesign withStart(const RoomDesign& design, const GridLayout& layout, int par,
                     const std::vector<Position>& start, uint32_t proofStates,
                     std::pair<int, int> firstMovesAndTraps) {
    RoomDesign chosen = design;
    chosen.start = start;
    chosen.optimum = par;
    chosen.blockColours = layout.blockColours;
    chosen.proofStates = proofStates;
    chosen.firstMoves = firstMovesAndTraps.first;
    chosen.traps = firstMovesAndTraps.second;
    return chosen;
}

// A start in the wanted layer that the brief accepts: as hard to prove as the brief asks,
// with its traps, and, where asked, one whose fewest moves change without the room's pits
// or patches.
StartPick pickStart(const RoomBrief& brief, const RoomDesign& design, const GridLayout& layout,
                    const GridPuzzle& puzzle, const Retrograde& search, Random& random,
                    const ClimbLimits& limits) {
    StartPick pick;
    const uint32_t begin = search.layerStart[brief.par];
    const uint32_t size = search.layerSize(brief.par);
    const std::vector<bool> dotCell = dotCells(layout);
    const uint32_t tries = std::min<uint32_t>(size, 60);
    const uint32_t first = static_cast<uint32_t>(random.next() % size);
    std::vector<Position> start(puzzle.blockCount());
    int measured = 0;
    for (uint32_t t = 0; t < tries && measured < limits.startsTried; ++t) {
        search.state(begin + (first + t * 7919u) % size, start.data());
        if (!placementFits(brief, layout, dotCell, start)) {
            continue;
        }
        const auto movesAndTraps = firstMovesAndTraps(puzzle, search, start, brief.par);
        if (movesAndTraps.second < brief.minTraps) {
            continue;
        }
        SearchLimits proof;
        proof.maxStates = brief.maxProofStates;
        proof.maxDepth = brief.par;
        const ForwardResult forward = searchForwards(puzzle, start, proof);
        ++measured;
        if (!forward.capped && forward.optimum != brief.par) {
            continue; // impossibly, a disagreement with the backward search
        }
        const double near = closeness(brief, forward.states);
        if (near > pick.closeness) {
            pick.closeness = near;
            pick.bestStates = forward.states;
        }
        if (near < 1.0 || !groundMatters(brief, layout, start, limits)) {
            continue;
        }
        pick.design = withStart(design, layout, brief.par, start, forward.states, movesAndTraps);
        return pick;
    }
    return pick;
}

// The first moves from a start and how many of them are traps, told by forward searches:
// after a trap no goal lies within par - 1 moves. A search too large to finish counts as no
// trap.
std::pair<int, int> firstMovesAndTrapsForwards(const GridPuzzle& puzzle,
                                               const std::vector<Position>& start, int par,
                                               uint32_t maxStates) {
    int moves = 0;
    int traps = 0;
    std::vector<Position> next(start.size());
    SearchLimits rest;
    rest.maxStates = maxStates;
    rest.maxDepth = par - 1;
    puzzle.forEachMove(start.data(), [&](int slot, Direction, Position to) {
        next = start;
        next[slot] = to;
        puzzle.resort(next.data(), slot);
        const ForwardResult after = searchForwards(puzzle, next, rest);
        ++moves;
        traps += !after.capped && after.optimum < 0;
    });
    return {moves, traps};
}

// Starts found without a full backward search, for rooms whose positions within the par are
// too many to list (many blocks, a short par): a narrow backward search that keeps a random
// sample of each layer's new positions, so that it still moves outwards from the goals. A
// position it meets at the par's layer needs at most the par; a forward search to the par,
// which is also its proof, tells whether it needs exactly that.
StartPick pickSampledStart(const RoomBrief& brief, const RoomDesign& design,
                           const GridLayout& layout, const GridPuzzle& puzzle, Random& random,
                           const ClimbLimits& limits) {
    StartPick pick;
    const int width = puzzle.blockCount();
    StateSet seen(std::max(1, width));
    std::vector<std::vector<Position>> layer;
    for (auto& goal : puzzle.goalStates(limits.sampledLayer)) {
        seen.insert(goal.data());
        layer.push_back(std::move(goal));
    }
    for (int depth = 1; depth <= brief.par && !layer.empty(); ++depth) {
        std::vector<std::vector<Position>> next;
        for (const auto& after : layer) {
            puzzle.forEachPredecessor(after.data(), [&](int slot, Position from) {
                std::vector<Position> before = after;
                before[slot] = from;
                puzzle.resort(before.data(), slot);
                if (seen.insert(before.data())) {
                    next.push_back(std::move(before));
                }
            });
        }
        for (std::size_t i = 0; i < next.size() && i < limits.sampledLayer; ++i) {
            std::swap(next[i], next[i + static_cast<std::size_t>(random.below(
                                          static_cast<int>(next.size() - i)))]);
        }
        if (next.size() > limits.sampledLayer) {
            next.resize(limits.sampledLayer);
        }
        layer = std::move(next);
        pick.deepest = std::max(pick.deepest, std::min(depth, brief.par - 1));
    }
    const std::vector<bool> dotCell = dotCells(layout);
    SearchLimits proof;
    proof.maxStates = brief.maxProofStates;
    proof.maxDepth = brief.par;
    int measured = 0;
    for (const auto& start : layer) {
        if (measured >= limits.startsTried) {
            break;
        }
        if (!placementFits(brief, layout, dotCell, start)) {
            continue;
        }
        const ForwardResult forward = searchForwards(puzzle, start, proof);
        ++measured;
        if (forward.capped || forward.optimum < 0) {
            continue;
        }
        pick.deepest = brief.par;
        const double near = closeness(brief, forward.states);
        if (near > pick.closeness) {
            pick.closeness = near;
            pick.bestStates = forward.states;
        }
        if (near < 1.0) {
            continue;
        }
        const auto movesAndTraps =
            firstMovesAndTrapsForwards(puzzle, start, brief.par, brief.maxProofStates);
        if (movesAndTraps.second < brief.minTraps || !groundMatters(brief, layout, start, limits)) {
            continue;
        }
        pick.design = withStart(design, layout, brief.par, start, forward.states, movesAndTraps);
        return pick;
    }
    return pick;
}

} // namespace

std::vector<CellRect> realiseWalls(const CellRect& area, Symmetry symmetry,
                                   const std::vector<CellRect>& segments) {
    std::vector<CellRect> walls;
    auto add = [&walls](const CellRect& r) {
        if (std::find(walls.begin(), walls.end(), r) == walls.end()) {
            walls.push_back(r);
        }
    };
    for (const CellRect& s : segments) {
        add(s);
        switch (symmetry) {
        case Symmetry::None:
            break;
        case Symmetry::MirrorX:
            add(mirrorX(area, s));
            break;
        case Symmetry::MirrorY:
            add(mirrorY(area, s));
            break;
        case Symmetry::Rotate180:
            add(mirrorX(area, mirrorY(area, s)));
            break;
        case Symmetry::MirrorBoth:
            add(mirrorX(area, s));
            add(mirrorY(area, s));
            add(mirrorX(area, mirrorY(area, s)));
            break;
        }
    }
    // A wall inside another adds nothing to the board.
    std::vector<CellRect> kept;
    for (std::size_t i = 0; i < walls.size(); ++i) {
        const bool inside = std::any_of(walls.begin(), walls.end(), [&](const CellRect& other) {
            return &other != &walls[i] && other.containsRect(walls[i]);
        });
        if (!inside) {
            kept.push_back(walls[i]);
        }
    }
    return kept;
}

GridLayout roomLayout(const RoomBrief& brief, const std::array<Ground, kGridCells>& surroundings,
                      const RoomDesign& design) {
    GridLayout layout;
    layout.ground = surroundings;
    for (int i = 0; i < brief.area.width * brief.area.height; ++i) {
        layout.ground[areaCell(brief.area, i)] = Ground::Floor;
    }
    for (const CellRect& w : realiseWalls(brief.area, brief.symmetry, design.segments)) {
        for (int y = w.y; y < w.y + w.height; ++y) {
            for (int x = w.x; x < w.x + w.width; ++x) {
                if (brief.area.contains(x, y)) {
                    layout.ground[cellIndex(x, y)] = Ground::Wall;
                }
            }
        }
    }
    for (Position p : design.pits) {
        if (layout.ground[p] == Ground::Floor) {
            layout.ground[p] = Ground::Pit;
        }
    }
    for (Position p : design.patches) {
        if (layout.ground[p] == Ground::Floor) {
            layout.ground[p] = Ground::Patch;
        }
    }
    layout.blockColours = blockColoursOf(brief);
    layout.dots = design.dots;
    return layout;
}

std::optional<RoomDesign> designRoom(const RoomBrief& brief,
                                     const std::array<Ground, kGridCells>& surroundings,
                                     Random& random, const ClimbLimits& limits,
                                     ClimbReport& report) {
    SearchLimits search;
    search.maxStates = limits.stateLimit;
    search.maxDepth = brief.par;

    RoomDesign current;
    // Deep enough layouts score above the par, the more so the nearer their starts come to
    // the proof the brief asks for.
    double currentScore = -1;
    int sinceProgress = 0;
    for (int attempt = 0;
         report.evaluations < limits.iterations && attempt < 20 * limits.iterations; ++attempt) {
        RoomDesign candidate;
        if (currentScore < 0 || sinceProgress >= limits.patience) {
            if (currentScore >= 0) {
                ++report.restarts;
            }
            candidate = randomDesign(brief, surroundings, random);
            currentScore = -1;
            sinceProgress = 0;
        } else {
            candidate = current;
            const int changes = random.chance(25) ? 2 : 1;
            for (int c = 0; c < changes; ++c) {
                mutate(brief, surroundings, candidate, random);
            }
        }
        const GridLayout layout = roomLayout(brief, surroundings, candidate);
        if (!isValid(brief, candidate, layout)) {
            ++sinceProgress;
            continue;
        }
        ++report.evaluations;
        const GridPuzzle puzzle(layout);
        if (!puzzle.isGoalPossible()) {
            ++sinceProgress;
            continue;
        }
        double score = 0;
        if (brief.sampledStarts) {
            // Deep enough layouts score above the par, as with a backward search.
            const StartPick pick = pickSampledStart(brief, candidate, layout, puzzle, random, limits);
            report.bestProofStates = std::max(report.bestProofStates, pick.bestStates);
            if (pick.design) {
                report.bestDepth = brief.par;
                return pick.design;
            }
            score = pick.deepest < brief.par ? pick.deepest : brief.par + 0.5 + 0.49 * pick.closeness;
            report.bestDepth = std::max(report.bestDepth, pick.deepest);
        } else {
            const Retrograde backwards = searchBackwards(puzzle, search);
            score = std::min(backwards.depth(), brief.par);
            if (!backwards.capped && backwards.depth() >= brief.par) {
                // Every position within the par of a goal is known; a start's proof holds about
                // as many, so a layout with too few cannot hold a start hard enough.
                const uint32_t known = backwards.stateCount();
                if (brief.minProofStates > 0 && known < brief.minProofStates) {
                    score = brief.par + 0.5 * known / brief.minProofStates;
                } else {
                    StartPick pick =
                        pickStart(brief, candidate, layout, puzzle, backwards, random, limits);
                    report.bestProofStates = std::max(report.bestProofStates, pick.bestStates);
                    if (pick.design) {
                        report.bestDepth = brief.par;
                        return pick.design;
                    }
                    score = brief.par + 0.5 + 0.49 * pick.closeness;
                }
            }
            report.bestDepth = std::max(report.bestDepth, std::min(backwards.depth(), brief.par));
        }
        if (score > currentScore) {
            sinceProgress = 0;
        } else {
            ++sinceProgress;
        }
        if (score >= currentScore) {
            current = std::move(candidate);
            currentScore = score;
        }
    }
    return std::nullopt;
}

} // namespace dovrix::levelgen
