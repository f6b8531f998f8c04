#include "hole_search.h"

#include "regions.h"
#include "slide_model.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace dovrix::solver {

namespace {

constexpr int kMaxCells = 64;

// The box: its cells, their neighbours, what the goal wants in each, and the blocks.
struct Box {
    int cells = 0;
    std::vector<std::array<int, 4>> neighbour; // by direction index, -1 for none
    std::vector<uint8_t> goal;                 // colour code wanted, 0 for the goal's hole
    std::vector<int> parity;                   // (x + y) % 2 of each cell
    int goalHole = -1;
    std::vector<uint8_t> start;  // colour code in each cell, 0 for the hole
    std::vector<int> startBlock; // the level's block index in each cell, -1 for the hole
    int startHole = -1;
    int left = 0; // the box's top left cell on the board, and its width
    int top = 0;
    int width = 0;
};

// Builds the box, or says why the level is not one.
Expected<Box> readBox(const LevelDescription& level) {
    if (level.offsetX % 300 != 0 || level.offsetY % 300 != 0) {
        return Error{"the board is off the lattice"};
    }
    const auto regions = independentRegions(level);
    if (!regions) {
        return Error{regions.error()};
    }
    if (regions->size() != 1 || level.blocks.size() < 2 ||
        level.blocks.size() != level.dots.size()) {
        return Error{"not one box with as many blocks as dots"};
    }
    // The box: the rectangle the blocks span, every cell of it a block's but one, the hole.
    int left = 15, top = 15, right = -1, bottom = -1;
    for (const ColouredCell& b : level.blocks) {
        left = std::min<int>(left, b.x);
        right = std::max<int>(right, b.x);
        top = std::min<int>(top, b.y);
        bottom = std::max<int>(bottom, b.y);
    }
    const int width = right - left + 1;
    const int height = bottom - top + 1;
    if (width * height != static_cast<int>(level.blocks.size()) + 1 || width * height > kMaxCells) {
        return Error{"the blocks do not fill a rectangle but for one cell"};
    }
    Box box;
    box.cells = width * height;
    box.left = left;
    box.top = top;
    box.width = width;
    box.neighbour.assign(box.cells, {-1, -1, -1, -1});
    box.goal.assign(box.cells, 0);
    box.start.assign(box.cells, 0);
    box.startBlock.assign(box.cells, -1);
    box.parity.assign(box.cells, 0);
    auto index = [&](int x, int y) { return (y - top) * width + (x - left); };
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const int i = index(x, y);
            box.parity[i] = (x + y) % 2;
            box.neighbour[i][directionIndex(Direction::Left)] = x > left ? index(x - 1, y) : -1;
            box.neighbour[i][directionIndex(Direction::Right)] = x < right ? index(x + 1, y) : -1;
            box.neighbour[i][directionIndex(Direction::Up)] = y > top ? index(x, y - 1) : -1;
            box.neighbour[i][directionIndex(Direction::Down)] = y < bottom ? index(x, y + 1) : -1;
        }
    }
    for (std::size_t b = 0; b < level.blocks.size(); ++b) {
        const int i = index(level.blocks[b].x, level.blocks[b].y);
        if (box.start[i] != 0) {
            return Error{"two blocks share a cell"};
        }
        box.start[i] = static_cast<uint8_t>(level.blocks[b].colour);
        box.startBlock[i] = static_cast<int>(b);
    }
    for (const ColouredCell& d : level.dots) {
        if (d.x < left || d.x > right || d.y < top || d.y > bottom) {
            return Error{"a dot lies outside the box"};
        }
        const int i = index(d.x, d.y);
        if (box.goal[i] != 0) {
            return Error{"two dots share a cell"};
        }
        box.goal[i] = static_cast<uint8_t>(d.colour);
    }
    for (int i = 0; i < box.cells; ++i) {
        if (box.start[i] == 0) {
            box.startHole = i;
        }
        if (box.goal[i] == 0) {
            box.goalHole = i;
        }
    }

    // The exact model must agree that, wherever the hole is, a flick moves exactly one block
    // one cell into the hole or moves nothing.
    const auto model = SlideModel::build(level);
    if (!model) {
        return Error{model.error()};
    }
    std::vector<BlockValue> valueOf(box.cells);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const int point = SlideModel::pointOfCell(level, x, y);
            const BlockValue v = point < 0 ? BlockValue{0xFFFF} : model->visibleValue(point);
            if (v == 0xFFFF) {
                return Error{"a cell of the box is not a place the model knows"};
            }
            valueOf[index(x, y)] = v;
        }
    }
    for (int hole = 0; hole < box.cells; ++hole) {
        std::array<uint32_t, 32> rows{};
        std::array<uint32_t, 32> columns{};
        for (int i = 0; i < box.cells; ++i) {
            if (i == hole) {
                continue;
            }
            const int point = model->info(valueOf[i]).point;
            rows[point / kLatticeSide + 1] |= uint32_t{1} << (point % kLatticeSide);
            columns[point % kLatticeSide + 1] |= uint32_t{1} << (point / kLatticeSide);
        }
        for (int i = 0; i < box.cells; ++i) {
            if (i == hole) {
                continue;
            }
            for (Direction d : kDirections) {
                const BlockValue moved = model->slide(valueOf[i], d, rows, columns);
                const bool intoHole = box.neighbour[i][directionIndex(d)] == hole;
                if (moved != (intoHole ? valueOf[hole] : valueOf[i])) {
                    return Error{"a block of the box can slide other than one cell into the hole"};
                }
            }
        }
    }
    return box;
}

class HoleSearch {
public:
    HoleSearch(const Box& box, uint64_t maxNodes) : box_(box), maxNodes_(maxNodes) {}

    SolveResult run(const LevelDescription& level) {
        SolveResult result;
        startOver();
        int bound = estimate();
        for (;;) {
            nextBound_ = kInfinity;
            path_.clear();
            seen_.clear();
            if (search(0, bound, -1)) {
                result.status = SolveResult::Status::Solved;
                result.optimum = bound;
                result.moves = notation(level);
                break;
            }
            if (nodes_ >= maxNodes_) {
                result.status = SolveResult::Status::BudgetExhausted;
                break;
            }
            if (nextBound_ == kInfinity) {
                result.status = SolveResult::Status::Unsolvable;
                break;
            }
            result.depthCompleted = bound;
            bound = nextBound_;
        }
        result.statesStored = nodes_;
        if (result.status == SolveResult::Status::Solved) {
            result.depthCompleted = result.optimum - 1;
        }
        return result;
    }

    // The distinct solutions of exactly `bound` moves from the start, counted up to `cap`;
    // call with the fewest moves as the bound.
    uint64_t countSolutions(int bound, uint64_t cap) {
        startOver();
        counted_.clear();
        return count(0, bound, -1, cap);
    }

    uint64_t nodes() const { return nodes_; }

private:
    // Back to the box's start, with its misplaced blocks counted afresh.
    void startOver() {
        colour_ = box_.start;
        block_ = box_.startBlock;
        hole_ = box_.startHole;
        misplaced_ = 0;
        misplacedOn_ = {0, 0};
        for (int i = 0; i < box_.cells; ++i) {
            if (isMisplaced(i)) {
                ++misplaced_;
                ++misplacedOn_[box_.parity[i]];
            }
        }
    }

    static constexpr int kInfinity = 1 << 30;

    // Solutions from here in exactly bound - g moves, up to the cap (a count that reaches it
    // stands for any more). A position's count depends only on the
    // moves made to reach it: undoing the last move never lies on a shortest solution.
    uint64_t count(int g, int bound, int cameFrom, uint64_t cap) {
        if (g + estimate() > bound) {
            return 0;
        }
        if (misplaced_ == 0 && hole_ == box_.goalHole) {
            return g == bound ? 1 : 0;
        }
        ++nodes_;
        Key k = key();
        const auto memo = counted_.find({k, g});
        if (memo != counted_.end()) {
            return memo->second;
        }
        uint64_t total = 0;
        for (int d = 0; d < 4 && nodes_ < maxNodes_ && total < cap; ++d) {
            const int from = box_.neighbour[hole_][d];
            if (from < 0 || from == cameFrom) {
                continue;
            }
            const int here = hole_;
            push(from);
            total = std::min(cap, total + count(g + 1, bound, here, cap));
            push(here);
        }
        if (counted_.size() < kTableLimit) {
            counted_.emplace(std::pair{k, g}, total);
        }
        return total;
    }
    static constexpr std::size_t kTableLimit = 5'000'000;

    bool isMisplaced(int cell) const {
        return colour_[cell] != 0 && colour_[cell] != box_.goal[cell];
    }

    // The lower bound on the moves still needed: every misplaced block must move, plus the
    // moves that cannot help (see wasted()), then rounded up to the parity of the hole's
    // distance to its goal cell. The hole's cells alternate between the two colours of the
    // board's chequer, so it also needs two moves for every misplaced block on its own colour
    // of square, and two less one for those on the other.
    int estimate() const {
        int h = misplaced_ + wasted();
        const int own = misplacedOn_[box_.parity[hole_]];
        const int other = misplacedOn_[1 - box_.parity[hole_]];
        h = std::max({h, 2 * own, 2 * other - 1});
        const int parity = (box_.parity[hole_] + box_.parity[box_.goalHole]) % 2;
        if (h % 2 != parity) {
            ++h;
        }
        return h;
    }

    // Moves that leave the number of misplaced blocks as it is, or raise it, and that any
    // solution from here must still make:
    //  - the hole in its goal cell while blocks are misplaced: some block must move into that
    //    cell, which has no dot, and stay misplaced there;
    //  - a block in the goal cell that no neighbouring dot would suit: the last move of a
    //    solution takes a block out of that cell onto a dot of its colour, so this one must
    //    leave earlier, still misplaced, and another block must move in;
    //  - misplaced blocks cut off from the hole: a block in place must move first.
    int wasted() const {
        if (misplaced_ == 0) {
            return 0;
        }
        if (hole_ == box_.goalHole) {
            return 1;
        }
        const uint8_t inGoalCell = colour_[box_.goalHole];
        bool suited = false;
        for (int n : box_.neighbour[box_.goalHole]) {
            suited = suited || (n >= 0 && box_.goal[n] == inGoalCell);
        }
        if (!suited) {
            return 2;
        }
        return cutOff() ? 1 : 0;
    }

    // Some misplaced block is walled off from the hole by blocks in place.
    bool cutOff() const {
        std::array<bool, kMaxCells> reached{};
        std::array<int, kMaxCells> stack{};
        int top = 0;
        for (int n : box_.neighbour[hole_]) {
            if (n >= 0 && isMisplaced(n) && !reached[n]) {
                reached[n] = true;
                stack[top++] = n;
            }
        }
        int count = top;
        while (top > 0) {
            const int c = stack[--top];
            for (int n : box_.neighbour[c]) {
                if (n >= 0 && isMisplaced(n) && !reached[n]) {
                    reached[n] = true;
                    stack[top++] = n;
                    ++count;
                }
            }
        }
        return count < misplaced_;
    }

    // The whole position, three bits per cell: positions are told apart exactly, never by a
    // hash alone, or a proof could skip a position it never searched.
    using Key = std::array<uint64_t, 3>;
    struct KeyHash {
        std::size_t operator()(const Key& k) const {
            uint64_t h = 0x9E3779B97F4A7C15ull;
            for (uint64_t w : k) {
                h = (h ^ w) * 0xBF58476D1CE4E5B9ull;
                h ^= h >> 31;
            }
            return static_cast<std::size_t>(h);
        }
    };
    Key key() const {
        Key k{};
        for (int i = 0; i < box_.cells; ++i) {
            k[(3 * i) / 64] |= static_cast<uint64_t>(colour_[i]) << ((3 * i) % 64);
            if ((3 * i) % 64 > 61) {
                k[(3 * i) / 64 + 1] |= static_cast<uint64_t>(colour_[i]) >> (64 - (3 * i) % 64);
            }
        }
        return k;
    }

    // Moves the block in `from` into the hole.
    void push(int from) {
        if (isMisplaced(from)) {
            --misplaced_;
            --misplacedOn_[box_.parity[from]];
        }
        std::swap(colour_[from], colour_[hole_]);
        std::swap(block_[from], block_[hole_]);
        if (isMisplaced(hole_)) {
            ++misplaced_;
            ++misplacedOn_[box_.parity[hole_]];
        }
        hole_ = from;
    }

    bool search(int g, int bound, int cameFrom) {
        const int f = g + estimate();
        if (f > bound) {
            nextBound_ = std::min(nextBound_, f);
            return false;
        }
        if (misplaced_ == 0 && hole_ == box_.goalHole) {
            return true;
        }
        if (++nodes_ >= maxNodes_) {
            return false;
        }
        // A position met before in this round with as few moves made is not searched again:
        // that visit had at least as many moves left under the bound. The table stops growing
        // at its limit, which only costs time.
        const Key k = key();
        const auto it = seen_.find(k);
        if (it != seen_.end()) {
            if (it->second <= g) {
                return false;
            }
            it->second = g;
        } else if (seen_.size() < kTableLimit) {
            seen_.emplace(k, g);
        }
        for (int d = 0; d < 4; ++d) {
            const int from = box_.neighbour[hole_][d];
            if (from < 0 || from == cameFrom) {
                continue; // pushing back the block just moved undoes the move
            }
            const int here = hole_;
            // The block in `from` moves towards the hole: opposite to direction d.
            path_.push_back({from, d ^ 1});
            push(from);
            if (search(g + 1, bound, here)) {
                return true;
            }
            push(here);
            path_.pop_back();
        }
        return false;
    }

    std::vector<MoveNotation> notation(const LevelDescription& level) {
        // Replay the path on the start to name the real elements.
        std::vector<int> block = box_.startBlock;
        std::vector<MoveNotation> moves;
        for (const auto& [from, d] : path_) {
            const int b = block[from];
            const Colour colour = level.blocks[b].colour;
            const auto element =
                std::count_if(level.blocks.begin(), level.blocks.begin() + b + 1,
                              [colour](const ColouredCell& c) { return c.colour == colour; });
            moves.push_back(MoveNotation{colour, static_cast<int16_t>(element), kDirections[d]});
            const int to = box_.neighbour[from][d];
            std::swap(block[from], block[to]);
        }
        return moves;
    }

    const Box& box_;
    uint64_t maxNodes_;
    uint64_t nodes_ = 0;
    int nextBound_ = kInfinity;
    std::vector<uint8_t> colour_;
    std::vector<int> block_;
    int hole_ = -1;
    int misplaced_ = 0;
    std::array<int, 2> misplacedOn_{};      // by the parity of the cell
    std::vector<std::pair<int, int>> path_; // cell moved from, direction index of the move
    std::unordered_map<Key, int, KeyHash> seen_;
    struct CountKeyHash {
        std::size_t operator()(const std::pair<Key, int>& k) const {
            return KeyHash{}(k.first) ^
                   (static_cast<std::size_t>(k.second) * 0x9E3779B97F4A7C15ull);
        }
    };
    std::unordered_map<std::pair<Key, int>, uint64_t, CountKeyHash> counted_;
};

} // namespace

Expected<SolveResult> solveOneHoleBox(const LevelDescription& level, uint64_t maxNodes) {
    const auto box = readBox(level);
    if (!box) {
        return Error{box.error()};
    }
    HoleSearch search(*box, maxNodes);
    return search.run(level);
}

Expected<Difficulty> measureOneHoleBox(const LevelDescription& level, uint64_t maxNodes) {
    const auto box = readBox(level);
    if (!box) {
        return Error{box.error()};
    }
    Difficulty difficulty;
    HoleSearch search(*box, maxNodes);
    const SolveResult solved = search.run(level);
    if (solved.status != SolveResult::Status::Solved) {
        return Error{"the box is not solved within the budget"};
    }
    // Counting every shortest solution of a large box can take far longer than finding one:
    // the count has a budget of its own, and says when it ran out.
    const uint64_t countBudget = std::min<uint64_t>(maxNodes, 2'000'000);
    HoleSearch counter(*box, countBudget);
    difficulty.solutions = counter.countSolutions(solved.optimum, kSolutionCap);
    difficulty.states = search.nodes() + counter.nodes();
    difficulty.allCounted = difficulty.solutions >= kSolutionCap || counter.nodes() < countBudget;
    // Each first move pushes a neighbour of the hole into it: the level as it stands then.
    const Cell hole{static_cast<int16_t>(box->left + box->startHole % box->width),
                    static_cast<int16_t>(box->top + box->startHole / box->width)};
    for (std::size_t b = 0; b < level.blocks.size(); ++b) {
        LevelDescription after = level;
        ColouredCell& moved = after.blocks[b];
        if (std::abs(moved.x - hole.x) + std::abs(moved.y - hole.y) != 1) {
            continue;
        }
        moved.x = hole.x;
        moved.y = hole.y;
        ++difficulty.firstMoves;
        const auto rest = solveOneHoleBox(after, maxNodes);
        if (!rest) {
            return Error{rest.error()};
        }
        difficulty.states += rest->statesStored;
        if (rest->status == SolveResult::Status::BudgetExhausted) {
            return Error{"a first move's search ran out of budget"};
        }
        const bool meets =
            rest->status == SolveResult::Status::Solved && rest->optimum + 1 <= level.par;
        difficulty.traps += meets ? 0 : 1;
    }
    return difficulty;
}

} // namespace dovrix::solver
