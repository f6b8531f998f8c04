#pragma once
// A play screen without a window: the shared state with the catalogue loaded, a recording
// message-box service, and a host that stops play when a level is beaten.

#include "catalogue.h"
#include "move_replay.h"
#include "play_screen.h"
#include "recording_message_boxes.h"

#include <string>

namespace dovrix::testing {

struct PlayFixture {
    PlayFixture() {
        shared.levelCount = kCatalogueSize;
        LoadLevelTable(shared);
        shared.levelReached = kCatalogueSize;
        host.attach(play);
    }

    // Builds a catalogue level.
    void build(int level) {
        int16_t number = static_cast<int16_t>(level);
        play.DisplayPuzzle(number);
    }
    // Builds a level string of our own, in place of level 1.
    void build(const std::string& levelString) {
        shared.levelStrings[1] = levelString;
        build(1);
    }

    PlayWindowState& state() { return play.state(); }
    PieceRef blockRef(Colour colour, int index) {
        return state().board.ref(blockFamily(colour), static_cast<int16_t>(index));
    }
    Piece& block(Colour colour, int index) { return *state().board.find(blockRef(colour, index)); }
    ReplayedMove flick(Colour colour, int index, Direction direction) {
        return playMove(play, blockRef(colour, index), direction);
    }
    // Presses a block, drags it past an edge and releases it, without ticking: the next tick
    // starts the slide.
    void release(Colour colour, int index, Direction direction) {
        const PieceRef ref = blockRef(colour, index);
        play.pressBlock(ref);
        const float x = direction == Direction::Left    ? -100.0f
                        : direction == Direction::Right ? 600.0f
                                                        : 247.0f;
        const float y = direction == Direction::Up     ? -100.0f
                        : direction == Direction::Down ? 600.0f
                                                       : 247.0f;
        play.moveOverBlock(ref, x, y);
        play.releaseBlock();
    }

    SharedState shared;
    RecordingMessageBoxes messages;
    StoppingHost host;
    PlayScreen play{shared, host, messages};
};

} // namespace dovrix::testing
