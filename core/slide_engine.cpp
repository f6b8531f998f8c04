// The move timer's tick: one pass of the slide engine. A flicked block moves 150 twips per
// tick and stops at the first obstacle, a free patch or a pit; the win test runs every tick.

#include "play_screen.h"

#include <limits>

namespace dovrix {

namespace {

bool namesBlock(const Board& board, const PieceRef& ref) {
    return isBlockFamily(ref.family) && board.find(ref) != nullptr;
}

} // namespace

void PlayScreen::hideArrows() {
    for (Direction d : kDirections) {
        state_.board.find(state_.board.arrow(d))->visible = false;
    }
}

// Every overlapping obstacle stops the block; only the first one, while a direction is still
// set, decides where it comes to rest: 105 twips short of the obstacle's near edge.
void PlayScreen::scanObstacles(Piece& moving) {
    PlayWindowState& s = state_;
    Board& board = s.board;
    auto collide = [&s, &moving](const Rect obstacle) {
        if (!Overlaps(moving.rect, obstacle)) {
            return;
        }
        s.blockMoving = false;
        Rect& r = moving.rect;
        switch (s.moveDirection) {
        case Direction::Left:
            r.left = static_cast<int16_t>(obstacle.right() + twips::kGap);
            break;
        case Direction::Right:
            r.left = static_cast<int16_t>(obstacle.left - r.width - twips::kGap);
            break;
        case Direction::Up:
            r.top = static_cast<int16_t>(obstacle.bottom() + twips::kGap);
            break;
        case Direction::Down:
            r.top = static_cast<int16_t>(obstacle.top - r.height - twips::kGap);
            break;
        case Direction::None:
            break;
        }
        s.moveDirection = Direction::None;
    };

    for (int16_t i = 1; i < board.count(Family::Wall); ++i) {
        collide(board.element(Family::Wall, i).rect);
    }
    for (int i = 0; i < 4; ++i) {
        collide(board.side(i).rect);
    }
    for (Colour colour : kColoursInCodeOrder) {
        const Family family = blockFamily(colour);
        // The skip follows the colour name of the last drag, as the game always has.
        const int skipped = s.blockColor == colour ? s.selectedBlock.index : -1;
        for (int16_t i = 1; i < board.count(family); ++i) {
            const Piece& block = board.element(family, i);
            if (i != skipped && block.visible) {
                collide(block.rect);
            }
        }
    }
}

void PlayScreen::tickMoveTimer() {
    PlayWindowState& s = state_;
    Board& board = s.board;

    // The undo controls come back on the first tick after a counted move has ended.
    if (s.undoPending && !s.blockMoving && s.movesMade > 0) {
        s.undoPending = false;
        s.undoEnabled = true;
    }

    Piece* found = board.find(s.selectedBlock);
    if (found == nullptr) {
        s.selectedBlock = board.blank();
        found = board.find(s.selectedBlock);
    }
    Piece& moving = *found;

    // While the button is held nothing moves and no move starts.
    if (!s.mouseIsDown) {
        // A flicked block that is not yet moving starts a move here: remember where from.
        if (s.moveDirection != Direction::None && !s.blockMoving) {
            s.moveStartLeft = moving.rect.left;
            s.moveStartTop = moving.rect.top;
            s.moveStarted = true;
        }
        hideArrows();
        // One step of 150 twips in the flicked direction.
        switch (s.moveDirection) {
        case Direction::Left:
            moving.rect.left = static_cast<int16_t>(moving.rect.left - twips::kStep);
            s.blockMoving = true;
            break;
        case Direction::Right:
            moving.rect.left = static_cast<int16_t>(moving.rect.left + twips::kStep);
            s.blockMoving = true;
            break;
        case Direction::Up:
            moving.rect.top = static_cast<int16_t>(moving.rect.top - twips::kStep);
            s.blockMoving = true;
            break;
        case Direction::Down:
            moving.rect.top = static_cast<int16_t>(moving.rect.top + twips::kStep);
            s.blockMoving = true;
            break;
        case Direction::None:
            break;
        }
        scanObstacles(moving);
    }

    // A block arriving exactly on a free patch stops there and occupies it.
    const int16_t patchCount = board.count(Family::Patch);
    if (static_cast<int16_t>(s.patchOccupant.size()) < patchCount) {
        s.patchOccupant.resize(patchCount, board.blank());
    }
    for (int16_t i = 1; i < patchCount; ++i) {
        const Piece& patch = board.element(Family::Patch, i);
        if (moving.rect.left == patch.rect.left && moving.rect.top == patch.rect.top &&
            patch.visible && !namesBlock(board, s.patchOccupant[i])) {
            s.blockMoving = false;
            s.moveDirection = Direction::None;
            s.patchOccupant[i] = s.selectedBlock;
        }
    }
    // A patch is free again once its occupant no longer overlaps it.
    for (int16_t i = 1; i < patchCount; ++i) {
        const Piece* occupant = board.find(s.patchOccupant[i]);
        if (occupant == nullptr ||
            !Overlaps(board.element(Family::Patch, i).rect, occupant->rect)) {
            s.patchOccupant[i] = board.blank();
        }
    }
    // A block arriving exactly on a pit falls in; it stays in the pit's cell, hidden.
    for (int16_t i = 1; i < board.count(Family::Pit); ++i) {
        const Piece& pit = board.element(Family::Pit, i);
        if (moving.rect.left == pit.rect.left && moving.rect.top == pit.rect.top) {
            s.blockMoving = false;
            s.moveDirection = Direction::None;
            moving.visible = false;
        }
    }

    // The win test runs on every tick; the level is beaten only once no block moves.
    s.allDotsCovered = allDotsCoveredNow();
    if (!s.blockMoving && s.allDotsCovered) {
        host_.levelBeaten();
    }

    // The move counts on its first tick, once the block has left its start position.
    if (s.loaded && s.moveStarted) {
        const Piece* block = board.find(s.selectedBlock);
        if (block != nullptr &&
            (block->rect.left != s.moveStartLeft || block->rect.top != s.moveStartTop)) {
            if (s.movesMade < std::numeric_limits<int32_t>::max()) {
                ++s.movesMade;
            }
            host_.focusLevelScrollBar();
            s.undoEnabled = false;
            s.undoPending = true;
            s.undoBlock = s.selectedBlock;
            s.undoLeft = s.moveStartLeft;
            s.undoTop = s.moveStartTop;
        }
    }
    s.moveStarted = false;
}

bool PlayScreen::allDotsCoveredNow() const {
    const Board& board = state_.board;
    for (Colour colour : kColoursInCodeOrder) {
        const Family dots = dotFamily(colour);
        const Family blocks = blockFamily(colour);
        for (int16_t d = 1; d < board.count(dots); ++d) {
            const Piece& dot = board.element(dots, d);
            if (!dot.visible) {
                continue;
            }
            bool dotCovered = false;
            for (int16_t b = 1; b < board.count(blocks) && !dotCovered; ++b) {
                dotCovered = Overlaps(board.element(blocks, b).rect, dot.rect);
            }
            if (!dotCovered) {
                return false; // one uncovered dot settles the test
            }
        }
    }
    return true;
}

} // namespace dovrix
