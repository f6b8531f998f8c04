#include "level_design.h"

#include "catalogue_check.h"
#include "regions.h"

#include <algorithm>
#include <chrono>

namespace dovrix::levelgen {

namespace {

WallCells wallOf(const CellRect& r) {
    return WallCells{static_cast<int16_t>(r.x), static_cast<int16_t>(r.y),
                     static_cast<int16_t>(r.width), static_cast<int16_t>(r.height)};
}

Cell cellOf(Position p) {
    return Cell{static_cast<int16_t>(p % kGridSide), static_cast<int16_t>(p / kGridSide)};
}

template <typename T>
void sortRowByRow(std::vector<T>& pieces) {
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const T& a, const T& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
}

uint64_t mix(uint64_t a, uint64_t b) {
    Random random(a * 0x9E3779B97F4A7C15ull ^ b);
    return random.next();
}

} // namespace

LevelDescription composeLevel(const LevelPlan& plan, const std::vector<RoomDesign>& rooms) {
    LevelDescription level;
    level.par = static_cast<int16_t>(plan.par);
    level.offsetX = plan.offsetX;
    level.offsetY = plan.offsetY;
    const CellRect& b = plan.box;
    if (plan.outer == Outer::Walls) {
        level.walls.push_back(wallOf(CellRect{b.x - 1, b.y - 1, b.width + 2, 1}));
        level.walls.push_back(wallOf(CellRect{b.x - 1, b.y, 1, b.height}));
        level.walls.push_back(wallOf(CellRect{b.x + b.width, b.y, 1, b.height}));
        WallCells bottom = wallOf(CellRect{b.x - 1, b.y + b.height, b.width + 2, 1});
        if (plan.flatBottomWall) {
            bottom.height = 0; // one cell high, written as the zero side
        }
        level.walls.push_back(bottom);
    } else if (plan.outer == Outer::Pits) {
        for (int y = b.y - 1; y <= b.y + b.height; ++y) {
            for (int x = b.x - 1; x <= b.x + b.width; ++x) {
                if (!b.contains(x, y)) {
                    level.pits.push_back(Cell{static_cast<int16_t>(x), static_cast<int16_t>(y)});
                }
            }
        }
    }
    for (int x : plan.dividersX) {
        level.walls.push_back(wallOf(CellRect{x, b.y, 1, b.height}));
    }
    for (int y : plan.dividersY) {
        level.walls.push_back(wallOf(CellRect{b.x, y, b.width, 1}));
    }
    for (std::size_t r = 0; r < rooms.size(); ++r) {
        const RoomBrief& brief = plan.rooms[r];
        const RoomDesign& design = rooms[r];
        for (const CellRect& w : realiseWalls(brief.area, brief.symmetry, design.segments)) {
            level.walls.push_back(wallOf(w));
        }
        for (Position p : design.pits) {
            level.pits.push_back(cellOf(p));
        }
        for (Position p : design.patches) {
            level.patches.push_back(cellOf(p));
        }
        for (std::size_t slot = 0; slot < design.start.size(); ++slot) {
            const Cell c = cellOf(design.start[slot]);
            level.blocks.push_back(ColouredCell{c.x, c.y, design.blockColours[slot]});
        }
        for (const GridDot& dot : design.dots) {
            const Cell c = cellOf(dot.cell);
            level.dots.push_back(ColouredCell{c.x, c.y, dot.colour});
        }
    }
    sortRowByRow(level.pits);
    sortRowByRow(level.patches);
    sortRowByRow(level.blocks);
    sortRowByRow(level.dots);
    return level;
}

std::optional<DesignedLevel> designLevel(const LevelPlan& plan, uint64_t seed, std::ostream& log) {
    const auto surroundings = planSurroundings(plan);
    constexpr int kAttempts = 2;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::vector<RoomDesign> rooms;
        bool designed = true;
        for (std::size_t r = 0; r < plan.rooms.size() && designed; ++r) {
            Random random(mix(mix(seed, static_cast<uint64_t>(plan.level)),
                              static_cast<uint64_t>(attempt * 16 + static_cast<int>(r))));
            ClimbReport report;
            const auto started = std::chrono::steady_clock::now();
            auto room = designRoom(plan.rooms[r], surroundings, random, plan.limits, report);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            log << "level " << plan.level << " room " << r + 1 << "/" << plan.rooms.size() << ": "
                << (room ? "par " : "best ") << (room ? plan.rooms[r].par : report.bestDepth)
                << ", proof of " << (room ? room->proofStates : report.bestProofStates)
                << " states";
            if (room) {
                log << ", " << room->traps << " of " << room->firstMoves << " first moves traps";
            }
            log << ", after " << report.evaluations << " layouts, " << report.restarts
                << " restarts, " << static_cast<int>(seconds) << " s\n";
            if (!room) {
                designed = false;
                break;
            }
            rooms.push_back(std::move(*room));
        }
        if (!designed) {
            continue;
        }
        DesignedLevel result;
        result.level = composeLevel(plan, rooms);
        const std::string text = formatLevelString(result.level);
        // Level 56's string, 595 characters, stays the catalogue's longest.
        if (text.size() >= 595) {
            log << "level " << plan.level << ": the string is too long (" << text.size()
                << " characters)\n";
            continue;
        }
        if (!parseLevelString(text)) {
            log << "level " << plan.level
                << ": the string does not read back: " << parseLevelString(text).error() << '\n';
            continue;
        }
        const auto proof = solver::solveByRegions(result.level);
        if (!proof || proof->total.status != solver::SolveResult::Status::Solved ||
            proof->total.optimum != plan.par) {
            log << "level " << plan.level << ": the solver disagrees ("
                << (proof ? std::to_string(proof->total.optimum) : proof.error()) << ")\n";
            continue;
        }
        result.solution = proof->total.moves;
        result.statesSearched = proof->total.statesStored;
        if (result.statesSearched < plan.minProofStates) {
            log << "level " << plan.level << ": the proof needs only " << result.statesSearched
                << " states, not " << plan.minProofStates << '\n';
            continue;
        }
        const auto replay = solver::replaySolution(text, result.solution);
        if (!replay.beaten || replay.counted != plan.par) {
            log << "level " << plan.level << ": the replay fails: " << replay.problem << '\n';
            continue;
        }
        return result;
    }
    return std::nullopt;
}

} // namespace dovrix::levelgen
