#include "slide_model.h"

#include "geometry.h"

#include <algorithm>
#include <bit>

namespace dovrix::solver {

namespace {

constexpr BlockValue kNoValue = 0xFFFF;

Rect latticeRect(int point) {
    return Rect{static_cast<int16_t>(SlideModel::twipsOf(point % kLatticeSide)),
                static_cast<int16_t>(SlideModel::twipsOf(point / kLatticeSide)), twips::kBlockSize,
                twips::kBlockSize};
}

int neighbourPoint(int centre, int code) {
    const int raw = code <= 4 ? code - 1 : code; // undo neighbourCode's numbering
    const int dx = raw % 3 - 1;
    const int dy = raw / 3 - 1;
    const int x = centre % kLatticeSide + dx;
    const int y = centre / kLatticeSide + dy;
    if (x < 0 || y < 0 || x >= kLatticeSide || y >= kLatticeSide) {
        return -1;
    }
    return y * kLatticeSide + x;
}

ValueInfo valueAt(int point, bool visible, int occupied) {
    return ValueInfo{static_cast<int16_t>(point), visible, static_cast<int16_t>(occupied),
                     static_cast<int8_t>(point % kLatticeSide),
                     static_cast<int8_t>(point / kLatticeSide)};
}

bool overlapsAny(const Rect& r, const std::vector<Rect>& obstacles) {
    return std::any_of(obstacles.begin(), obstacles.end(),
                       [&r](const Rect& o) { return Overlaps(r, o); });
}

} // namespace

int SlideModel::pointOfCell(const LevelDescription& level, int x, int y) {
    const PieceArea square = cellArea(level, x, y, twips::kBlockSize);
    const int left = square.left - twips::kBoardOrigin;
    const int top = square.top - twips::kBoardOrigin;
    if (left < 0 || top < 0 || left % 300 != 0 || top % 300 != 0) {
        return -1;
    }
    const int kx = left / 300;
    const int ky = top / 300;
    if (kx >= kLatticeSide || ky >= kLatticeSide) {
        return -1;
    }
    return ky * kLatticeSide + kx;
}

Expected<SlideModel> SlideModel::build(const LevelDescription& level) {
    SlideModel m;
    if (level.offsetX % 300 != 0 || level.offsetY % 300 != 0) {
        return Error{"the solver needs board offsets that are multiples of 300 twips"};
    }
    std::vector<Rect> walls;
    for (const WallCells& w : level.walls) {
        walls.push_back(wallArea(level, w).rect());
    }
    for (const Rect& side : twips::kSides) {
        walls.push_back(side);
    }
    std::vector<bool> free(kLatticePoints);
    for (int point = 0; point < kLatticePoints; ++point) {
        free[point] = !overlapsAny(latticeRect(point), walls);
    }

    m.patchAt_.assign(kLatticePoints, -1);
    std::vector<int16_t> pitAt(kLatticePoints, -1);
    for (const Cell& pit : level.pits) {
        const int point = pointOfCell(level, pit.x, pit.y);
        if (point < 0) {
            return Error{"a pit lies off the board"};
        }
        if (pitAt[point] < 0) { // a second pit in the same cell changes nothing
            pitAt[point] = static_cast<int16_t>(m.pitPoint_.size());
            m.pitPoint_.push_back(static_cast<int16_t>(point));
        }
    }
    for (const Cell& patch : level.patches) {
        const int point = pointOfCell(level, patch.x, patch.y);
        if (point < 0) {
            return Error{"a patch lies off the board"};
        }
        if (m.patchAt_[point] >= 0 || pitAt[point] >= 0) {
            return Error{"two patches, or a patch and a pit, share a cell"};
        }
        m.patchAt_[point] = static_cast<int16_t>(m.patchPoint_.size());
        m.patchPoint_.push_back(static_cast<int16_t>(point));
    }

    // Slides against walls and the frame, run with the tick engine's steps and snaps.
    for (Direction direction : kDirections) {
        auto& lines = m.lines_[directionIndex(direction)];
        lines.resize(kLatticePoints);
        const bool horizontal = direction == Direction::Left || direction == Direction::Right;
        const int sign = direction == Direction::Left || direction == Direction::Up ? -1 : 1;
        for (int point = 0; point < kLatticePoints; ++point) {
            if (!free[point]) {
                continue;
            }
            Line line;
            line.firstSpecial = static_cast<uint32_t>(m.specials_.size());
            Rect r = latticeRect(point);
            for (int step = 1;; ++step) {
                int16_t& moving = horizontal ? r.left : r.top;
                moving = static_cast<int16_t>(moving + sign * twips::kStep);
                auto hit = std::find_if(walls.begin(), walls.end(),
                                        [&r](const Rect& o) { return Overlaps(r, o); });
                if (hit != walls.end()) {
                    const int near = horizontal ? (sign < 0 ? hit->right() : hit->left)
                                                : (sign < 0 ? hit->bottom() : hit->top);
                    moving = static_cast<int16_t>(
                        sign < 0 ? near + twips::kGap : near - twips::kBlockSize - twips::kGap);
                    if ((moving - twips::kBoardOrigin) % 300 != 0) {
                        return Error{"a wall stops blocks off the 300-twip lattice"};
                    }
                    line.stop = static_cast<int16_t>((moving - twips::kBoardOrigin) / 300);
                    break;
                }
                if (step % 2 == 0) {
                    const int coordinate = (moving - twips::kBoardOrigin) / 300;
                    const int here = horizontal ? (point / kLatticeSide) * kLatticeSide + coordinate
                                                : coordinate * kLatticeSide + point % kLatticeSide;
                    if (pitAt[here] >= 0 || m.patchAt_[here] >= 0) {
                        m.specials_.push_back(Special{static_cast<int16_t>(coordinate), pitAt[here],
                                                      m.patchAt_[here]});
                        ++line.specialCount;
                    }
                }
            }
            lines[point] = line;
        }
    }

    // Blocks: slots colour by colour.
    std::vector<int> startPoints;
    for (Colour colour : kColoursInCodeOrder) {
        ColourGroup group{colour, static_cast<int>(m.slotColour_.size()), 0};
        for (const ColouredCell& block : level.blocks) {
            if (block.colour != colour) {
                continue;
            }
            const int point = pointOfCell(level, block.x, block.y);
            if (point < 0 || !free[point]) {
                return Error{"a block overlaps a wall or lies off the board"};
            }
            if (pitAt[point] >= 0) {
                return Error{"a block starts on a pit"};
            }
            for (int other : startPoints) {
                if (neighbourCode(point, other) >= 0) {
                    return Error{"two blocks overlap"};
                }
            }
            startPoints.push_back(point);
            m.slotColour_.push_back(colour);
            ++group.count;
        }
        if (group.count > 0) {
            m.groups_.push_back(group);
        }
    }

    // The points a block can ever rest on: where it starts, where walls stop it, the patches
    // and pits on its way, and two steps short of any point another block can rest on.
    // Numbering only these keeps the solver's states small.
    std::vector<bool> reachable(kLatticePoints, false);
    std::vector<bool> pitReached(m.pitPoint_.size(), false);
    std::vector<int> points;
    std::array<uint32_t, kLatticeSide + 2> rows{}; // reachable points, shifted by one row
    std::array<uint32_t, kLatticeSide + 2> columns{};
    auto reach = [&](int point) {
        if (!reachable[point]) {
            reachable[point] = true;
            points.push_back(point);
            rows[point / kLatticeSide + 1] |= uint32_t{1} << (point % kLatticeSide);
            columns[point % kLatticeSide + 1] |= uint32_t{1} << (point / kLatticeSide);
        }
    };
    for (int point : startPoints) {
        reach(point);
    }
    for (bool grew = true; grew;) {
        const std::size_t before = points.size();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const int point = points[i];
            const int x = point % kLatticeSide;
            const int y = point / kLatticeSide;
            for (Direction direction : kDirections) {
                const bool horizontal =
                    direction == Direction::Left || direction == Direction::Right;
                const int start = horizontal ? x : y;
                const int across = horizontal ? y : x;
                const Line& line = m.lines_[directionIndex(direction)][point];
                auto at = [&](int coordinate) {
                    return horizontal ? across * kLatticeSide + coordinate
                                      : coordinate * kLatticeSide + across;
                };
                reach(at(line.stop));
                for (uint32_t s = 0; s < line.specialCount; ++s) {
                    const Special& special = m.specials_[line.firstSpecial + s];
                    if (special.pit >= 0) {
                        pitReached[special.pit] = true;
                    } else {
                        reach(at(special.coordinate));
                    }
                }
                // Blockers within one step across the path stop the block two steps short.
                const auto& band = horizontal ? rows : columns;
                uint32_t blockers = band[across] | band[across + 1] | band[across + 2];
                const int forward = line.stop > start ? 1 : -1;
                while (blockers != 0) {
                    const int along = std::countr_zero(blockers);
                    blockers &= blockers - 1;
                    const int rest = along - 2 * forward;
                    if ((rest - start) * forward > 0 && (line.stop - rest) * forward >= 0) {
                        reach(at(rest));
                    }
                }
            }
        }
        grew = points.size() > before;
    }

    // Values: the reachable points, the pits that can swallow a block, and the points beside
    // a patch where a block can still occupy it.
    m.visibleValue_.assign(kLatticePoints, kNoValue);
    for (int point = 0; point < kLatticePoints; ++point) {
        if (reachable[point]) {
            m.visibleValue_[point] = static_cast<BlockValue>(m.values_.size());
            m.values_.push_back(valueAt(point, true, -1));
        }
    }
    m.hiddenValue_.assign(m.pitPoint_.size(), kNoValue);
    for (std::size_t pit = 0; pit < m.pitPoint_.size(); ++pit) {
        if (pitReached[pit]) {
            m.hiddenValue_[pit] = static_cast<BlockValue>(m.values_.size());
            m.values_.push_back(valueAt(m.pitPoint_[pit], false, -1));
        }
    }
    for (std::size_t patch = 0; patch < m.patchPoint_.size(); ++patch) {
        std::array<BlockValue, 9> occupied{};
        occupied.fill(kNoValue);
        for (int code = 1; code <= 8; ++code) {
            const int neighbour = neighbourPoint(m.patchPoint_[patch], code);
            if (neighbour >= 0 && reachable[neighbour]) {
                occupied[code] = static_cast<BlockValue>(m.values_.size());
                m.values_.push_back(valueAt(neighbour, true, static_cast<int>(patch)));
            }
        }
        m.occupiedValue_.push_back(occupied);
    }
    if (m.values_.size() >= kNoValue) {
        return Error{"too many block positions for the solver"};
    }
    // A board without blocks has no values; one bit keeps the packing well defined.
    m.bitsPerValue_ = std::max(
        1, static_cast<int>(std::bit_width(std::max<std::size_t>(m.values_.size(), 1) - 1)));
    for (int point : startPoints) {
        m.initial_.push_back(m.visibleValue_[point]);
    }

    // Dots, numbered within their colour.
    for (const ColourGroup& group : m.groups_) {
        std::vector<Rect> dots;
        for (const ColouredCell& dot : level.dots) {
            if (dot.colour == group.colour) {
                dots.push_back(
                    cellArea(level, dot.x, dot.y, twips::kDotSize, twips::kDotInset).rect());
            }
        }
        if (dots.size() > 64) {
            return Error{"more than 64 dots of one colour"};
        }
        std::vector<uint64_t> cover(m.values_.size(), 0);
        for (std::size_t v = 0; v < m.values_.size(); ++v) {
            const Rect r = latticeRect(m.values_[v].point);
            for (std::size_t d = 0; d < dots.size(); ++d) {
                if (Overlaps(r, dots[d])) {
                    cover[v] |= uint64_t{1} << d;
                }
            }
        }
        m.cover_.push_back(std::move(cover));
        m.dotsOfGroup_.push_back(dots.size() == 64 ? ~uint64_t{0}
                                                   : (uint64_t{1} << dots.size()) - 1);
    }
    for (const ColouredCell& dot : level.dots) {
        m.dotsWithoutBlocks_ =
            m.dotsWithoutBlocks_ ||
            std::none_of(m.groups_.begin(), m.groups_.end(),
                         [&dot](const ColourGroup& g) { return g.colour == dot.colour; });
    }
    return m;
}

bool SlideModel::isGoal(const BlockValue* slotValues) const {
    if (dotsWithoutBlocks_) {
        return false;
    }
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        uint64_t covered = 0;
        const auto& cover = cover_[g];
        for (int slot = groups_[g].firstSlot; slot < groups_[g].firstSlot + groups_[g].count;
             ++slot) {
            covered |= cover[slotValues[slot]];
        }
        if (covered != dotsOfGroup_[g]) {
            return false;
        }
    }
    return true;
}

} // namespace dovrix::solver
