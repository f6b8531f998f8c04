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

    const std::string number = std::to_string(shared_.currentLevel);
    state_.lblLevel = "Level:  " + number;
    state_.caption = "Dovrix -- Level " + number;
    if (state_.levelPar < 1) {
        state_.lblParValuePointSize = 14;
        state_.lblParValue = "Unknown";
    } else {
        state_.lblParValuePointSize = 20;
        state_.lblParValue = std::to_string(state_.levelPar);
    }
    state_.movesMade = 0;
    state_.lblMoves = std::to_string(state_.movesMade);

    Board& board = state_.board;
    if (parsed) {
        using twips::cellOrigin;
        const LevelDescription& d = *parsed;
        for (const WallCells& w : d.walls) {
            Piece& wall = *board.find(board.create(Family::Wall));
            wall.rect.left = static_cast<int16_t>(cellOrigin(w.x, d.offsetX));
            wall.rect.top = static_cast<int16_t>(cellOrigin(w.y, d.offsetY));
            if (w.width != 0) {
                wall.rect.width = static_cast<int16_t>(twips::wallExtent(w.width));
            }
            if (w.height != 0) {
                wall.rect.height = static_cast<int16_t>(twips::wallExtent(w.height));
            }
            wall.visible = true;
        }
        auto placeCells = [&](const std::vector<Cell>& cells, Family family) {
            for (const Cell& c : cells) {
                Piece& piece = *board.find(board.create(family));
                piece.rect.left = static_cast<int16_t>(cellOrigin(c.x, d.offsetX));
                piece.rect.top = static_cast<int16_t>(cellOrigin(c.y, d.offsetY));
                piece.visible = true;
            }
        };
        placeCells(d.pits, Family::Pit);
        placeCells(d.patches, Family::Patch);
        for (const ColouredCell& c : d.blocks) {
            Piece& block = *board.find(board.create(blockFamily(c.colour)));
            block.visible = true;
            block.rect.left = static_cast<int16_t>(cellOrigin(c.x, d.offsetX));
            block.rect.top = static_cast<int16_t>(cellOrigin(c.y, d.offsetY));
        }
        for (const ColouredCell& c : d.dots) {
            const PieceRef ref = board.create(dotFamily(c.colour));
            Piece& dot = *board.find(ref);
            dot.visible = true;
            board.bringToFront(ref);
            dot.rect.left = static_cast<int16_t>(cellOrigin(c.x, d.offsetX) + twips::kDotInset);
            dot.rect.top = static_cast<int16_t>(cellOrigin(c.y, d.offsetY) + twips::kDotInset);
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
