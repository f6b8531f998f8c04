#pragma once
// Plays a move through the tick engine the way a player makes it: press on the block, one tick
// with the button held, drag beyond the block's edge, release, tick until no block moves, then
// one more tick. The solver's answers, the stored solutions and the tests are all checked
// this way.

#include "move_notation.h"
#include "play_screen.h"

namespace dovrix {

struct ReplayedMove {
    bool pressAccepted = false; // false: the block is hidden, or play has ended
    bool counted = false;       // the move counter rose
    int ticks = 0;              // ticks from the release until no block moved
};

// The block a move names on the board as it stands, or nullopt when there is none.
std::optional<PieceRef> findBlock(const Board& board, const MoveNotation& move);

ReplayedMove playMove(PlayScreen& play, const PieceRef& block, Direction direction);

// A host for play without a window: a beaten level stops the move timer, as the game's level
// completion does first, and play ends there.
class StoppingHost : public PlayHost {
public:
    void attach(PlayScreen& play) { play_ = &play; }
    void levelBeaten() override;
    void focusLevelScrollBar() override { ++focusRequests; }

    int levelsBeaten = 0;
    int focusRequests = 0;

private:
    PlayScreen* play_ = nullptr;
};

} // namespace dovrix
