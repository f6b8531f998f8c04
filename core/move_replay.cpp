#include "move_replay.h"

namespace dovrix {

namespace {

// Far enough past the edge to choose the direction without doubt, level with the block's
// middle on the other axis.
constexpr float kBeyond = -150.0f;
constexpr float kMiddle = twips::kBlockSize / 2.0f;
constexpr float kPast = twips::kBlockSize + 150.0f;
// A slide crosses the board in under 130 ticks; this only guards against a board that
// cannot stop a block.
constexpr int kTickLimit = 100000;

} // namespace

std::optional<PieceRef> findBlock(const Board& board, const MoveNotation& move) {
    const Family family = blockFamily(move.colour);
    if (move.element < 1 || move.element >= board.count(family)) {
        return std::nullopt;
    }
    return board.ref(family, move.element);
}

ReplayedMove playMove(PlayScreen& play, const PieceRef& block, Direction direction) {
    const PlayWindowState& s = play.state();
    ReplayedMove result;
    const int32_t movesBefore = s.movesMade;

    play.pressBlock(block);
    result.pressAccepted = s.mouseIsDown && s.selectedBlock == block;
    if (!result.pressAccepted) {
        play.releaseBlock();
        return result;
    }
    if (s.tmrMoveEnabled) {
        play.tickMoveTimer();
    }
    switch (direction) {
    case Direction::Left:
        play.moveOverBlock(block, kBeyond, kMiddle);
        break;
    case Direction::Right:
        play.moveOverBlock(block, kPast, kMiddle);
        break;
    case Direction::Up:
        play.moveOverBlock(block, kMiddle, kBeyond);
        break;
    case Direction::Down:
        play.moveOverBlock(block, kMiddle, kPast);
        break;
    case Direction::None:
        break;
    }
    play.releaseBlock();
    while (s.tmrMoveEnabled && result.ticks < kTickLimit) {
        play.tickMoveTimer();
        ++result.ticks;
        if (!s.blockMoving) {
            break;
        }
    }
    if (s.tmrMoveEnabled) {
        play.tickMoveTimer();
    }
    result.counted = s.movesMade > movesBefore;
    return result;
}

void StoppingHost::levelBeaten() {
    ++levelsBeaten;
    if (play_ != nullptr) {
        play_->stopMoveTimer();
    }
}

} // namespace dovrix
