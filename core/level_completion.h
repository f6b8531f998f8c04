#pragma once
// What follows when the move timer finds the level solved: a result below the par becomes a
// new par record (record file at school, catalogue rewrite, upload), the player is told, the
// progress is stored and sent, and the next level is built, or after the last level the end
// screen takes over and the play window closes.

#include "message_box.h"
#include "play_screen.h"
#include "play_services.h"
#include "shared_state.h"

#include <cstdint>
#include <string>

namespace dovrix {

// "Dovrix/NewPars/<playerName>--yyyy-mm-dd-hh-mm-ss.txt", relative to the school share.
std::string newParRecordPath(const std::string& playerName, const LocalTime& time);
// The record file's three lines, each ended by carriage return and line feed.
std::string newParRecordText(int16_t level, int32_t moves, int16_t oldPar);

// Level completion, run by the move timer's tick when no block moves and every dot is
// covered. Stops the move timer first, so no tick runs while a box is open. True after the
// last level, when the end screen is shown: the play window then closes, once the tick that
// called this has returned.
bool CompleteLevel(PlayScreen& play, SharedState& shared, MessageBoxService& messages,
                   PlayServices& services);

} // namespace dovrix
