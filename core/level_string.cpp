#include "level_string.h"

#include "geometry.h"
#include "number_text.h"

#include <limits>

namespace dovrix {

namespace {

constexpr int kHeaderFields = 3;

std::string describeField(std::size_t index) {
    return "field " + std::to_string(index + 1);
}

// Walks the values after the header in field order and reports where they run out.
class ValueReader {
public:
    explicit ValueReader(const std::vector<int16_t>& values) : values_(values) {}

    bool take(int count) const {
        return position_ + static_cast<std::size_t>(count) <= values_.size();
    }
    int16_t next() { return values_[position_++]; }

private:
    const std::vector<int16_t>& values_;
    std::size_t position_ = 0;
};

bool fits16(int value) {
    return value >= std::numeric_limits<int16_t>::min() &&
           value <= std::numeric_limits<int16_t>::max();
}

// Checks one piece rectangle (in 32-bit arithmetic) against 16 bits and the board frame.
std::string checkRectangle(const std::string& what, const PieceArea& area) {
    if (!fits16(area.left) || !fits16(area.top) || !fits16(area.width) || !fits16(area.height) ||
        !fits16(area.left + area.width) || !fits16(area.top + area.height)) {
        return what + ": its position overflows a 16-bit integer";
    }
    if (area.left < twips::kInsideFirst || area.top < twips::kInsideFirst ||
        area.left + area.width > twips::kInsideLast ||
        area.top + area.height > twips::kInsideLast) {
        return what + ": it cannot be drawn inside the board frame";
    }
    return {};
}

// A block that starts inside a wall or another block is snapped past it by its first step,
// which can put it beyond the frame's sides, where nothing ever stops it again. Runs once
// every piece is known to fit in 16 bits.
std::string checkBlocksStartFree(const LevelDescription& level) {
    auto blockRect = [&level](const ColouredCell& b) {
        return cellArea(level, b.x, b.y, twips::kBlockSize).rect();
    };
    for (std::size_t i = 0; i < level.blocks.size(); ++i) {
        const Rect block = blockRect(level.blocks[i]);
        const std::string what = "block " + std::to_string(i + 1);
        for (std::size_t j = 0; j < level.walls.size(); ++j) {
            if (Overlaps(block, wallArea(level, level.walls[j]).rect())) {
                return what + " starts inside wall " + std::to_string(j + 1);
            }
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (Overlaps(block, blockRect(level.blocks[j]))) {
                return what + " starts on block " + std::to_string(j + 1);
            }
        }
    }
    return {};
}

std::string checkGeometry(const LevelDescription& level) {
    using namespace twips;
    const auto check = [&level](const std::string& what, std::size_t i, int x, int y, int size,
                                int inset = 0) {
        return checkRectangle(what + " " + std::to_string(i + 1),
                              cellArea(level, x, y, size, inset));
    };
    std::string problem;
    for (std::size_t i = 0; i < level.walls.size() && problem.empty(); ++i) {
        problem = checkRectangle("wall " + std::to_string(i + 1), wallArea(level, level.walls[i]));
    }
    for (std::size_t i = 0; i < level.pits.size() && problem.empty(); ++i) {
        problem = check("pit", i, level.pits[i].x, level.pits[i].y, kPitSize);
    }
    for (std::size_t i = 0; i < level.patches.size() && problem.empty(); ++i) {
        problem = check("patch", i, level.patches[i].x, level.patches[i].y, kPatchSize);
    }
    for (std::size_t i = 0; i < level.blocks.size() && problem.empty(); ++i) {
        problem = check("block", i, level.blocks[i].x, level.blocks[i].y, kBlockSize);
    }
    for (std::size_t i = 0; i < level.dots.size() && problem.empty(); ++i) {
        problem = check("dot", i, level.dots[i].x, level.dots[i].y, kDotSize, kDotInset);
    }
    return problem.empty() ? checkBlocksStartFree(level) : problem;
}

// Reads `count` coloured triples; empty string on success.
std::string readColoured(ValueReader& reader, int count, const char* kind,
                         std::vector<ColouredCell>& out) {
    if (count > 0 && !reader.take(3 * count)) {
        return std::string("the ") + kind + " count " + std::to_string(count) +
               " runs past the end of the string";
    }
    for (int i = 0; i < count; ++i) {
        const int16_t x = reader.next();
        const int16_t y = reader.next();
        const int16_t code = reader.next();
        const auto colour = colourFromCode(code);
        if (!colour) {
            return std::string(kind) + " " + std::to_string(i + 1) + " has colour code " +
                   std::to_string(code) + ", outside 1 to 6";
        }
        out.push_back({x, y, *colour});
    }
    return {};
}

std::string readCells(ValueReader& reader, int count, const char* kind, std::vector<Cell>& out) {
    if (count > 0 && !reader.take(2 * count)) {
        return std::string("the ") + kind + " count " + std::to_string(count) +
               " runs past the end of the string";
    }
    for (int i = 0; i < count; ++i) {
        const int16_t x = reader.next();
        const int16_t y = reader.next();
        out.push_back({x, y});
    }
    return {};
}

} // namespace

Expected<LevelFields> tokeniseLevelString(std::string_view levelString) {
    if (levelString.empty() || levelString.back() != ',') {
        return Error{"the level string does not end with a comma"};
    }
    LevelFields fields{};
    std::vector<int16_t> header;
    std::size_t start = 0;
    std::size_t index = 0;
    while (start < levelString.size()) {
        const std::size_t comma = levelString.find(',', start);
        const auto value = fieldValue(levelString.substr(start, comma - start));
        if (!value) {
            return Error{describeField(index) + " does not fit a 16-bit integer"};
        }
        if (index < kHeaderFields) {
            header.push_back(*value);
        } else {
            if (fields.values.size() == kMaxLevelValues) {
                return Error{"the level string holds more than 1001 values after its header"};
            }
            fields.values.push_back(*value);
        }
        start = comma + 1;
        ++index;
    }
    if (header.size() < kHeaderFields) {
        return Error{"the level string needs a par and two offsets"};
    }
    fields.par = header[0];
    fields.offsetX = header[1];
    fields.offsetY = header[2];
    return fields;
}

Expected<LevelDescription> parseLevelString(std::string_view levelString) {
    auto tokens = tokeniseLevelString(levelString);
    if (!tokens) {
        return Error{tokens.error()};
    }
    LevelDescription level;
    level.par = tokens->par;
    level.offsetX = tokens->offsetX;
    level.offsetY = tokens->offsetY;

    ValueReader reader(tokens->values);
    auto readCount = [&reader](const char* kind, int& count) -> std::string {
        if (!reader.take(1)) {
            return std::string("the ") + kind + " count is missing";
        }
        count = reader.next();
        return {};
    };

    int count = 0;
    std::string problem = readCount("wall", count);
    if (problem.empty() && count > 0 && !reader.take(4 * count)) {
        problem = "the wall count " + std::to_string(count) + " runs past the end of the string";
    }
    for (int i = 0; problem.empty() && i < count; ++i) {
        WallCells wall{reader.next(), reader.next(), reader.next(), reader.next()};
        if (wall.width < 0 || wall.height < 0) {
            problem = "wall " + std::to_string(i + 1) + " has a negative size";
        }
        level.walls.push_back(wall);
    }
    if (problem.empty()) {
        problem = readCount("pit", count);
    }
    if (problem.empty()) {
        problem = readCells(reader, count, "pit", level.pits);
    }
    if (problem.empty()) {
        problem = readCount("patch", count);
    }
    if (problem.empty()) {
        problem = readCells(reader, count, "patch", level.patches);
    }
    if (problem.empty()) {
        problem = readCount("block", count);
    }
    if (problem.empty()) {
        problem = readColoured(reader, count, "block", level.blocks);
    }
    if (problem.empty()) {
        problem = readCount("dot", count);
    }
    if (problem.empty()) {
        problem = readColoured(reader, count, "dot", level.dots);
    }
    if (problem.empty()) {
        problem = checkGeometry(level);
    }
    if (!problem.empty()) {
        return Error{problem};
    }
    return level;
}

std::string formatLevelString(const LevelDescription& level) {
    std::string out;
    auto put = [&out](int value) {
        out += std::to_string(value);
        out += ',';
    };
    put(level.par);
    put(level.offsetX);
    put(level.offsetY);
    put(static_cast<int>(level.walls.size()));
    for (const WallCells& w : level.walls) {
        put(w.x);
        put(w.y);
        put(w.width);
        put(w.height);
    }
    for (const auto* cells : {&level.pits, &level.patches}) {
        put(static_cast<int>(cells->size()));
        for (const Cell& c : *cells) {
            put(c.x);
            put(c.y);
        }
    }
    for (const auto* cells : {&level.blocks, &level.dots}) {
        put(static_cast<int>(cells->size()));
        for (const ColouredCell& c : *cells) {
            put(c.x);
            put(c.y);
            put(static_cast<int>(c.colour));
        }
    }
    return out;
}

std::string rewritePar(std::string_view levelString, std::string_view newParText) {
    std::string rewritten(trimBlanks(newParText));
    const std::size_t comma = levelString.find(',');
    if (comma != std::string_view::npos) {
        rewritten += levelString.substr(comma);
    }
    return rewritten;
}

PieceArea wallArea(const LevelDescription& level, const WallCells& wall) {
    return {twips::cellOrigin(wall.x, level.offsetX), twips::cellOrigin(wall.y, level.offsetY),
            twips::wallExtent(wall.width), twips::wallExtent(wall.height)};
}

PieceArea cellArea(const LevelDescription& level, int x, int y, int size, int inset) {
    return {twips::cellOrigin(x, level.offsetX) + inset,
            twips::cellOrigin(y, level.offsetY) + inset, size, size};
}

} // namespace dovrix
