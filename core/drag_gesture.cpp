// The drag gesture: press on a block, drag off it in a direction, release. It chooses the
// block, its colour and the direction; the move timer does the moving.

#include "play_screen.h"

namespace dovrix {

void PlayScreen::pressBlock(const PieceRef& block) {
    PlayWindowState& s = state_;
    const Piece* piece = s.board.find(block);
    if (!isBlockFamily(block.family) || block.index < 1 || piece == nullptr || !piece->visible) {
        return;
    }
    if (s.tmrMoveEnabled && !s.blockMoving) {
        s.selectedBlock = block;
        s.mouseIsDown = true;
    }
}

void PlayScreen::moveOverBlock(const PieceRef& block, float x, float y) {
    PlayWindowState& s = state_;
    if (!isBlockFamily(block.family)) {
        return;
    }
    if (s.mouseIsDown && !s.blockMoving) {
        TrackDragDirection(x, y);
        s.blockColor = familyColour(block.family);
    }
}

void PlayScreen::releaseBlock() {
    state_.mouseIsDown = false;
}

void PlayScreen::TrackDragDirection(float x, float y) {
    constexpr float side = twips::kBlockSize;
    PlayWindowState& s = state_;
    // How far the pointer lies beyond the block's left or right edge, and its top or bottom.
    const float dx = x < 0 ? -x : (x > side ? x - side : 0);
    const float dy = y < 0 ? -y : (y > side ? y - side : 0);

    Direction direction = Direction::None;
    if (dx > dy) {
        direction = x < 0 ? Direction::Left : Direction::Right;
    } else if (dy > dx) {
        direction = y < 0 ? Direction::Up : Direction::Down;
    }

    Board& board = s.board;
    if (direction != Direction::None) {
        s.moveDirection = direction;
        const PieceRef arrowRef = board.arrow(direction);
        Piece& arrow = *board.find(arrowRef);
        if (!arrow.visible) {
            for (Direction other : kDirections) {
                if (other != direction) {
                    board.find(board.arrow(other))->visible = false;
                }
            }
            const Piece* block = board.find(s.selectedBlock);
            if (block != nullptr) {
                arrow.rect.left = block->rect.left;
                arrow.rect.top = block->rect.top;
            }
            board.bringToFront(arrowRef);
            arrow.visible = true;
        }
    } else if (dx == 0 && dy == 0) {
        s.moveDirection = Direction::None;
        hideArrows();
    }
    // Exactly on a diagonal through a corner, outside the block: the last choice stays.
}

} // namespace dovrix
