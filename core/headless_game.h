#pragma once
// The play rules without a window, for tools and measurements: one level on the board, a
// host that ends play when the level is beaten, and message boxes that nobody sees (a
// question is answered No).

#include "move_replay.h"
#include "play_screen.h"
#include "shared_state.h"

#include <string>

namespace dovrix {

class SilentMessageBoxes : public MessageBoxService {
public:
    MessageAnswer show(const MessageBox& box) override {
        return box.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

class HeadlessGame {
public:
    // Builds the level string on the board as level 1 of a one-level catalogue.
    explicit HeadlessGame(const std::string& levelString) {
        shared_.levelCount = 1;
        shared_.levelReached = 1;
        shared_.levelStrings[1] = levelString;
        host_.attach(play_);
        int16_t level = 1;
        built_ = play_.DisplayPuzzle(level);
    }
    HeadlessGame(const HeadlessGame&) = delete;
    HeadlessGame& operator=(const HeadlessGame&) = delete;

    bool built() const { return built_; }
    PlayScreen& play() { return play_; }
    const StoppingHost& host() const { return host_; }

private:
    SharedState shared_;
    SilentMessageBoxes messages_;
    StoppingHost host_;
    PlayScreen play_{shared_, host_, messages_};
    bool built_ = false;
};

} // namespace dovrix
