// Fuzzes the level-string reader. Anything it accepts must build a board and survive play:
// the input's first line is the level string, every byte after it a player's action on the
// board that string built (a flick of one of its blocks, an undo or a restart).

#include "level_string.h"
#include "fuzz_check.h"
#include "headless_game.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

using namespace dovrix;
using fuzz::require;

constexpr uint8_t kUndo = 0xFF;
constexpr uint8_t kRestart = 0xFE;
// A slide crosses the board in about 60 ticks; a block still moving long after that was
// never stopped by the board's sides.
constexpr int kLongestSlide = 200;
// Enough play to reach every kind of position; more would only slow the search down.
constexpr std::size_t kMostActions = 32;

std::vector<PieceRef> levelBlocks(const Board& board) {
    std::vector<PieceRef> blocks;
    for (Colour colour : kColoursInCodeOrder) {
        const Family family = blockFamily(colour);
        for (int16_t i = 1; i < board.count(family); ++i) {
            blocks.push_back(board.ref(family, i));
        }
    }
    return blocks;
}

void play(PlayScreen& screen, std::string_view actions) {
    const std::vector<PieceRef> blocks = levelBlocks(screen.state().board);
    for (const char c : actions.substr(0, kMostActions)) {
        const auto action = static_cast<uint8_t>(c);
        if (action == kUndo) {
            screen.undoMove();
        } else if (action == kRestart) {
            screen.restartLevel();
        } else if (!blocks.empty()) {
            const PieceRef block = blocks[(action >> 2) % blocks.size()];
            const ReplayedMove move = playMove(screen, block, kDirections[action & 3]);
            require(move.ticks <= kLongestSlide, "every slide stops at the board's sides");
        }
        require(screen.state().movesMade >= 0, "the move counter never goes below zero");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = input.find('\n');
    const std::string_view levelString = input.substr(0, lineEnd);
    const auto level = parseLevelString(levelString);
    if (!level) {
        return 0;
    }
    const std::string written = formatLevelString(*level);
    const auto reread = parseLevelString(written);
    require(reread && reread->par == level->par && reread->offsetX == level->offsetX &&
                reread->offsetY == level->offsetY && reread->walls == level->walls &&
                reread->pits == level->pits && reread->patches == level->patches &&
                reread->blocks == level->blocks && reread->dots == level->dots,
            "an accepted level is written back and read back unchanged");

    HeadlessGame game{std::string(levelString)};
    require(game.built(), "an accepted level builds a board");
    if (lineEnd != std::string_view::npos) {
        play(game.play(), input.substr(lineEnd + 1));
    }
    return 0;
}
