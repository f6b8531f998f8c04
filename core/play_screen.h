#pragma once
// The rules of the play window: building a level on the board, the move timer's slide engine,
// the drag gesture, undo, restart and level selection. The window shows this state and
// forwards input; it decides nothing itself.

#include "board.h"
#include "message_box.h"
#include "shared_state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dovrix {

// What the play rules ask of the window around them.
class PlayHost {
public:
    virtual ~PlayHost() = default;
    // Called from inside a tick when no block moves and every dot is covered.
    virtual void levelBeaten() = 0;
    // A counted move, an undo and a restart give the level scroll bar the keyboard focus.
    virtual void focusLevelScrollBar() = 0;
    // A refused level has put the scroll bar back at currentLevel; the refusal box opens next,
    // and the bar must show that value while it is open.
    virtual void levelScrollBarSetBack() {}
};

// The play window's variables and the state of the controls that the rules write.
struct PlayWindowState {
    Board board;

    // Drag gesture and motion.
    PieceRef selectedBlock; // a block, or the board's Blank
    bool mouseIsDown = false;
    bool blockMoving = false;
    Direction moveDirection = Direction::None;
    std::optional<Colour> blockColor; // colour of the block last dragged; empty before any drag
    bool moveStarted = false;
    int16_t moveStartLeft = 0;
    int16_t moveStartTop = 0;
    // Entry i: the block resting on patch i, or a reference that names no block.
    std::vector<PieceRef> patchOccupant;
    bool allDotsCovered = false;

    // Undo record.
    std::optional<PieceRef> undoBlock; // unset until the first counted move
    int16_t undoLeft = 0;
    int16_t undoTop = 0;
    bool undoPending = false;

    int32_t movesMade = 0;
    int16_t levelPar = 0; // 0: unknown (or no readable level on the board)
    bool suppressLevelChange = false;
    // The level DisplayPuzzle last put on the board; 0 before the first. The window's caption
    // and labels name it.
    int16_t levelOnBoard = 0;

    // Controls.
    int16_t hsbLevelValue = 1;
    int16_t hsbLevelMinimum = 1;
    int16_t hsbLevelMaximum = 100;
    bool tmrMoveEnabled = false;
    bool undoEnabled = false; // cmdUndoMove and mnuUndoMove together
    bool loaded = true;       // false once the window has been closed after the last level
};

// Key codes and shift bits as the level scroll bar's key handler sees them.
inline constexpr int16_t kKeyEnd = 35;
inline constexpr int kShiftBit = 1;
inline constexpr int kCtrlBit = 2;
inline constexpr int kAltBit = 4;

class PlayScreen {
public:
    // The window's load: design values, Blank selected, undo unavailable.
    PlayScreen(SharedState& shared, PlayHost& host, MessageBoxService& messages);

    const PlayWindowState& state() const { return state_; }
    // For tests and tools that set up a position directly.
    PlayWindowState& state() { return state_; }
    const SharedState& shared() const { return shared_; }

    // Puts a level on the board. A level below 1 is raised to 1 (and above levelCount
    // lowered to it) in the caller's variable first. Returns false, leaving an empty board and
    // the move timer stopped, when the level's string cannot be read.
    bool DisplayPuzzle(int16_t& level);

    // One tick of the move timer tmrMove.
    void tickMoveTimer();

    // The drag gesture: a press on a block, a pointer move with the position in twips relative
    // to the pressed block's top-left corner, and the release.
    void pressBlock(const PieceRef& block);
    void moveOverBlock(const PieceRef& block, float x, float y);
    void releaseBlock();
    void TrackDragDirection(float x, float y);

    void undoMove();     // cmdUndoMove and mnuUndoMove
    void restartLevel(); // cmdRestart and mnuRestart

    // The level scroll bar's value is set, by the player or by the program. Its change
    // handling runs when the value differs from the one before.
    void setLevelScrollBarValue(int16_t value);
    void setLevelScrollBarMaximum(int16_t maximum);
    // A key pressed while the scroll bar has the focus. Sets keyCode to 0 when the key is
    // consumed here (End, unless Alt alone is held).
    void levelScrollBarKeyDown(int16_t& keyCode, int shift);

    // Stops the move timer (level completion) and marks the window closed (after the last
    // level).
    void stopMoveTimer() { state_.tmrMoveEnabled = false; }
    void unload() { state_.loaded = false; }

    // The win test on the board as it stands: every visible dot overlapped by a block of its
    // colour, hidden blocks included.
    bool allDotsCoveredNow() const;

private:
    void ClearBoard();
    void hideArrows();
    void stopPlayForRebuild();
    void levelScrollBarChanged();
    void refuseLevel();
    void scanObstacles(Piece& moving);

    SharedState& shared_;
    PlayHost& host_;
    MessageBoxService& messages_;
    PlayWindowState state_;
};

} // namespace dovrix
