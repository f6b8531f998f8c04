#include "regions.h"

#include "geometry.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace dovrix::solver {

namespace {

Rect pointRect(int point) {
    return Rect{static_cast<int16_t>(SlideModel::twipsOf(point % kLatticeSide)),
                static_cast<int16_t>(SlideModel::twipsOf(point / kLatticeSide)), twips::kBlockSize,
                twips::kBlockSize};
}

Rect dotRect(const ColouredCell& dot, const LevelDescription& level) {
    return cellArea(level, dot.x, dot.y, twips::kDotSize, twips::kDotInset).rect();
}

class UnionFind {
public:
    explicit UnionFind(int size) : parent_(size) { std::iota(parent_.begin(), parent_.end(), 0); }
    int find(int a) {
        while (parent_[a] != a) {
            a = parent_[a] = parent_[parent_[a]];
        }
        return a;
    }
    void unite(int a, int b) { parent_[find(a)] = find(b); }

private:
    std::vector<int> parent_;
};

int neighbour(int point, int dx, int dy) {
    const int x = point % kLatticeSide + dx;
    const int y = point / kLatticeSide + dy;
    if (x < 0 || y < 0 || x >= kLatticeSide || y >= kLatticeSide) {
        return -1;
    }
    return y * kLatticeSide + x;
}

} // namespace

Expected<std::vector<Region>> independentRegions(const LevelDescription& level) {
    if (level.offsetX % 300 != 0 || level.offsetY % 300 != 0) {
        return Error{"the regions need board offsets that are multiples of 300 twips"};
    }
    std::vector<Rect> walls;
    for (const WallCells& w : level.walls) {
        walls.push_back(wallArea(level, w).rect());
    }
    walls.insert(walls.end(), twips::kSides.begin(), twips::kSides.end());
    std::vector<bool> free(kLatticePoints);
    std::vector<bool> pit(kLatticePoints, false);
    for (int p = 0; p < kLatticePoints; ++p) {
        const Rect r = pointRect(p);
        free[p] = std::none_of(walls.begin(), walls.end(),
                               [&r](const Rect& w) { return Overlaps(r, w); });
    }
    for (const Cell& c : level.pits) {
        const int p = SlideModel::pointOfCell(level, c.x, c.y);
        if (p < 0) {
            return Error{"a pit lies off the lattice"};
        }
        pit[p] = true;
    }

    std::vector<bool> patch(kLatticePoints, false);
    for (const Cell& c : level.patches) {
        const int p = SlideModel::pointOfCell(level, c.x, c.y);
        if (p < 0) {
            return Error{"a patch lies off the lattice"};
        }
        patch[p] = true;
    }
    std::vector<int> startPoints;
    for (const ColouredCell& b : level.blocks) {
        const int p = SlideModel::pointOfCell(level, b.x, b.y);
        if (p < 0 || !free[p] || pit[p]) {
            return Error{"a block starts off the lattice, in a wall or on a pit"};
        }
        startPoints.push_back(p);
    }

    // Every place any block could ever rest, grown from the starts as the solver's model
    // grows them: where walls stop a slide, the patches on its way, and two steps short of
    // any place another block could rest beside its path. Each slide also passes every point
    // up to where the walls would stop it; a block at rest or passing joins those points to
    // the place it slid from. Pits end a slide: nothing passes a pit, since a block is exactly
    // on every lattice point of its path.
    UnionFind joined(kLatticePoints);
    std::vector<bool> rest(kLatticePoints, false);
    std::vector<bool> touched(kLatticePoints, false); // rested on or passed
    std::vector<int> restPoints;
    std::vector<std::vector<int>> fallsFrom(kLatticePoints); // by pit: where slides into it start
    auto addRest = [&](int p) {
        if (!rest[p]) {
            rest[p] = true;
            touched[p] = true;
            restPoints.push_back(p);
        }
    };
    for (int p : startPoints) {
        addRest(p);
    }
    constexpr std::array<std::pair<int, int>, 4> kSteps = {std::pair{-1, 0}, std::pair{1, 0},
                                                           std::pair{0, -1}, std::pair{0, 1}};
    for (std::size_t before = 0; before != restPoints.size();) {
        before = restPoints.size();
        for (std::size_t i = 0; i < restPoints.size(); ++i) {
            const int from = restPoints[i];
            for (const auto& [dx, dy] : kSteps) {
                std::vector<int> path{from};
                bool fell = false;
                for (int q = neighbour(from, dx, dy); q >= 0 && free[q]; q = neighbour(q, dx, dy)) {
                    if (pit[q]) {
                        if (std::find(fallsFrom[q].begin(), fallsFrom[q].end(), from) ==
                            fallsFrom[q].end()) {
                            fallsFrom[q].push_back(from);
                        }
                        fell = true;
                        break;
                    }
                    path.push_back(q);
                    if (patch[q]) {
                        addRest(q);
                    }
                }
                for (int q : path) {
                    touched[q] = true;
                    joined.unite(q, from);
                }
                // A block that slides into a pit falls in: it never rests half over the pit,
                // from where it could slip between two pits.
                if (!fell) {
                    addRest(path.back());
                }
                // A block resting within one step across the path, ahead: the slide can
                // stop two steps short of it.
                for (std::size_t j = 0; j < restPoints.size(); ++j) {
                    const int r = restPoints[j];
                    const int across = dx != 0 ? r / kLatticeSide - from / kLatticeSide
                                               : r % kLatticeSide - from % kLatticeSide;
                    if (across < -1 || across > 1) {
                        continue;
                    }
                    for (std::size_t k = 1; k < path.size(); ++k) {
                        const bool twoShort =
                            dx != 0 ? r % kLatticeSide == path[k] % kLatticeSide + 2 * dx
                                    : r / kLatticeSide == path[k] / kLatticeSide + 2 * dy;
                        if (twoShort) {
                            addRest(path[k]);
                        }
                    }
                }
            }
        }
    }

    // Places within one lattice step of each other, both ways, hold blocks that overlap:
    // whatever can be there belongs to one region.
    for (int p = 0; p < kLatticePoints; ++p) {
        if (!touched[p]) {
            continue;
        }
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int q = neighbour(p, dx, dy);
                if (q >= 0 && touched[q]) {
                    joined.unite(p, q);
                }
            }
        }
    }
    // A dot that blocks from two places could cover, at rest or fallen into a pit, couples
    // them through the goal.
    std::vector<std::vector<int>> dotCandidates;
    for (const ColouredCell& dot : level.dots) {
        const Rect d = dotRect(dot, level);
        std::vector<int> candidates;
        for (int p = 0; p < kLatticePoints; ++p) {
            if (!Overlaps(pointRect(p), d)) {
                continue;
            }
            if (rest[p]) {
                candidates.push_back(p);
            } else if (pit[p]) {
                candidates.insert(candidates.end(), fallsFrom[p].begin(), fallsFrom[p].end());
            }
        }
        for (int c : candidates) {
            joined.unite(c, candidates.front());
        }
        dotCandidates.push_back(std::move(candidates));
    }
    std::vector<int> regionOfSet(kLatticePoints, -1);
    std::vector<Region> regions;
    for (std::size_t b = 0; b < level.blocks.size(); ++b) {
        const int set = joined.find(startPoints[b]);
        if (regionOfSet[set] < 0) {
            regionOfSet[set] = static_cast<int>(regions.size());
            regions.emplace_back();
        }
        regions[regionOfSet[set]].blocks.push_back(static_cast<int>(b));
    }
    std::vector<int> unreachable; // dots no block can ever cover
    for (std::size_t d = 0; d < level.dots.size(); ++d) {
        if (dotCandidates[d].empty()) {
            unreachable.push_back(static_cast<int>(d));
        } else {
            regions[regionOfSet[joined.find(dotCandidates[d].front())]].dots.push_back(
                static_cast<int>(d));
        }
    }
    if (!unreachable.empty()) {
        regions.push_back(Region{{}, unreachable});
    }
    return regions;
}

LevelDescription regionLevel(const LevelDescription& level, const Region& region) {
    LevelDescription part = level;
    part.blocks.clear();
    part.dots.clear();
    for (int b : region.blocks) {
        part.blocks.push_back(level.blocks[b]);
    }
    for (int d : region.dots) {
        part.dots.push_back(level.dots[d]);
    }
    return part;
}

Expected<RegionSolveResult> solveByRegions(const LevelDescription& level,
                                           const SolveOptions& options) {
    const auto regions = independentRegions(level);
    if (!regions) {
        return Error{regions.error()};
    }
    RegionSolveResult result;
    result.total.status = SolveResult::Status::Solved;
    result.total.optimum = 0;
    for (const Region& region : *regions) {
        if (region.blocks.empty()) {
            // Dots that no block can ever reach.
            SolveResult none;
            none.status = SolveResult::Status::Unsolvable;
            result.regions.push_back(none);
            result.total.status = SolveResult::Status::Unsolvable;
            continue;
        }
        const auto part = solve(regionLevel(level, region), options);
        if (!part) {
            return Error{part.error()};
        }
        result.total.statesStored += part->statesStored;
        result.regions.push_back(*part);
        if (part->status != SolveResult::Status::Solved) {
            // An unsolvable region makes the level unsolvable; otherwise a spent budget
            // leaves it open.
            if (result.total.status != SolveResult::Status::Unsolvable) {
                result.total.status = part->status;
            }
            continue;
        }
        result.total.optimum += part->optimum;
        for (const MoveNotation& move : part->moves) {
            // The region's k-th block of a colour, as an element number of the whole level.
            int seen = 0;
            for (int b : region.blocks) {
                if (level.blocks[b].colour == move.colour && ++seen == move.element) {
                    const auto element = std::count_if(
                        level.blocks.begin(), level.blocks.begin() + b + 1,
                        [&move](const ColouredCell& c) { return c.colour == move.colour; });
                    result.total.moves.push_back(
                        MoveNotation{move.colour, static_cast<int16_t>(element), move.direction});
                    break;
                }
            }
        }
    }
    if (result.total.status != SolveResult::Status::Solved) {
        result.total.optimum = -1;
        result.total.moves.clear();
    }
    return result;
}

} // namespace dovrix::solver
