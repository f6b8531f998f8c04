// Building a level on the board: the window's load, DisplayPuzzle and ClearBoard.

#include "level_string.h"
#include "play_screen.h"

namespace dovrix {

PlayScreen::PlayScreen(SharedState& shared, PlayHost& host, MessageBoxService& messages)
    : shared_(shared), host_(host), messages_(messages) {
    state_.levelPar = 0;
    state_.movesMade = 0;
    state_.suppressLevelChange = false;
    state_.undoPending = false;
    state_.selectedBlock = state_.board.blank();
}

void PlayScreen::ClearBoard() {
    state_.board.clear();
}

bool PlayScreen::DisplayPuzzle(int16_t& level) {
    ClearBoard();
    if (level < 1) {
        level = 1;
    }
    if (shared_.levelCount >= 1 && level > shared_.levelCount) {
        level = shared_.levelCount;
    }
    const bool inCatalogue = level < static_cast<int>(shared_.levelStrings.size());
    const auto parsed = parseLevelString(inCatalogue ? shared_.levelStrings[level] : "");
    state_.levelPar = parsed ? parsed->par : 0;

    shared_.currentLevel = level;
    state_.suppressLevelChange = true;
    setLevelScrollBarValue(shared_.currentLevel);
    state_.suppressLevelChange = false;

    state_.levelOnBoard = shared_.currentLevel;
    state_.movesMade = 0;

    Board& board = state_.board;
    if (parsed) {
        const LevelDescription& d = *parsed;
        // Each piece is made from its family's template, visible at the level's place for it.
        auto place = [&board](Family family, const PieceArea& area) {
            const PieceRef ref = board.create(family);
            *board.find(ref) = Piece{area.rect(), true};
            return ref;
        };
        for (const WallCells& w : d.walls) {
            place(Family::Wall, wallArea(d, w));
        }
        for (const Cell& c : d.pits) {
            place(Family::Pit, cellArea(d, c.x, c.y, twips::kPitSize));
        }
        for (const Cell& c : d.patches) {
            place(Family::Patch, cellArea(d, c.x, c.y, twips::kPatchSize));
        }
        for (const ColouredCell& c : d.blocks) {
            place(blockFamily(c.colour), cellArea(d, c.x, c.y, twips::kBlockSize));
        }
        for (const ColouredCell& c : d.dots) {
            board.bringToFront(place(dotFamily(c.colour),
                                     cellArea(d, c.x, c.y, twips::kDotSize, twips::kDotInset)));
        }
        for (int16_t i = 1; i < board.count(Family::Patch); ++i) {
            board.sendToBack(board.ref(Family::Patch, i));
        }
        board.sendToBack({Family::Frame, 0, 0});
    }

    state_.selectedBlock = board.blank();
    state_.tmrMoveEnabled = parsed.ok();
    state_.undoEnabled = false;
    return parsed.ok();
}

} // namespace dovrix
