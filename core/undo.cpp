// Undo: puts the block of the last counted move back where it started, once.

#include "play_screen.h"

namespace dovrix {

void PlayScreen::undoMove() {
    PlayWindowState& s = state_;
    // Without a recorded move, or with a record of a level that is gone, only the focus and
    // the disabled controls remain of an undo.
    Piece* block = s.undoBlock ? s.board.find(*s.undoBlock) : nullptr;
    if (block != nullptr && (block->rect.left != s.undoLeft || block->rect.top != s.undoTop)) {
        block->rect.left = s.undoLeft;
        block->rect.top = s.undoTop;
        block->visible = true; // it may have fallen into a pit
        --s.movesMade;
        s.moveDirection = Direction::None;
        hideArrows();
    }
    host_.focusLevelScrollBar();
    s.undoEnabled = false;
}

} // namespace dovrix
