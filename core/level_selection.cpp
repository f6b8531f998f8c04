// Level selection with the level scroll bar, its End key, and restarting the level in play.

#include "play_screen.h"

#include <algorithm>

namespace dovrix {

void PlayScreen::setLevelScrollBarMaximum(int16_t maximum) {
    state_.hsbLevelMaximum = std::max(maximum, state_.hsbLevelMinimum);
    if (state_.hsbLevelValue > state_.hsbLevelMaximum) {
        setLevelScrollBarValue(state_.hsbLevelMaximum);
    }
}

void PlayScreen::setLevelScrollBarValue(int16_t value) {
    value = std::clamp(value, state_.hsbLevelMinimum, state_.hsbLevelMaximum);
    if (value == state_.hsbLevelValue) {
        return; // a scroll bar reports only real changes
    }
    state_.hsbLevelValue = value;
    levelScrollBarChanged();
}

void PlayScreen::stopPlayForRebuild() {
    state_.tmrMoveEnabled = false;
    state_.blockMoving = false;
    state_.moveDirection = Direction::None;
    state_.undoPending = false;
    hideArrows();
}

void PlayScreen::levelScrollBarChanged() {
    if (state_.suppressLevelChange) {
        return;
    }
    if (state_.hsbLevelValue > shared_.levelReached) {
        refuseLevel();
        return;
    }
    stopPlayForRebuild();
    int16_t level = state_.hsbLevelValue;
    DisplayPuzzle(level);
}

void PlayScreen::refuseLevel() {
    state_.suppressLevelChange = true;
    setLevelScrollBarValue(shared_.currentLevel);
    state_.suppressLevelChange = false;
    host_.levelScrollBarSetBack();
    messages_.show(MessageBox{"Can't Exceed Unbeaten Levels",
                              {"Hello, " + shared_.playerName + ".", "",
                               "Dovrix remembers the game levels that you have already ",
                               "completed, even from previous times that you have played.", "",
                               "Based on the levels that you have beaten so far, you",
                               "are now permitted to jump to any level up to level " +
                                   std::to_string(shared_.levelReached) + "."},
                              MessageIcon::Exclamation,
                              MessageButtons::Ok});
}

void PlayScreen::levelScrollBarKeyDown(int16_t& keyCode, int shift) {
    // End jumps to the highest level reached, not to the scroll bar's maximum; Alt+End is
    // left to the scroll bar.
    if (keyCode == kKeyEnd && shift != kAltBit) {
        keyCode = 0;
        setLevelScrollBarValue(shared_.levelReached);
    }
}

void PlayScreen::restartLevel() {
    if (state_.movesMade != 0) {
        stopPlayForRebuild();
        DisplayPuzzle(shared_.currentLevel);
    }
    host_.focusLevelScrollBar();
}

} // namespace dovrix
