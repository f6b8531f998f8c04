#pragma once
// What follows when the move timer finds the level solved: a result below the par becomes a
// new par record (record file at school, catalogue rewrite, upload), the player is told, the
// progress is stored and sent, and the next level is built, or after the last level the end
// screen takes over and the play window closes.

#include "message_box.h"
#include "play_screen.h"
#include "shared_state.h"

#include <cstdint>
#include <string>

namespace dovrix {

// The local date and time of the record file's name.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The effects of a completed level, performed by the window layer.
class CompletionEffects {
public:
    virtual ~CompletionEffects() = default;
    // Creates or replaces a file on the school share; the path is relative to the share.
    // A failure is not reported to the player.
    virtual void writeRecordFile(const std::string& relativePath, const std::string& content) = 0;
    virtual LocalTime localTime() = 0;
    // Sends a new par to the account server; failures are ignored there.
    virtual void uploadPar(int16_t level, int32_t moves, int16_t oldPar) = 0;
    virtual void SaveProgress() = 0;  // at school: progress file and account
    virtual void UpdateAccount() = 0; // at home: the online account, when there is one
    virtual void showEndScreen() = 0;
    // Closes the play window. Called from inside the move timer's tick: the window must not
    // go away before the tick has returned.
    virtual void closePlayWindow() = 0;
};

// "Dovrix/NewPars/<playerName>--yyyy-mm-dd-hh-mm-ss.txt", relative to the school share.
std::string newParRecordPath(const std::string& playerName, const LocalTime& time);
// The record file's three lines, each ended by carriage return and line feed.
std::string newParRecordText(int16_t level, int32_t moves, int16_t oldPar);

// Level completion, run by the move timer's tick when no block moves and every dot is
// covered. Stops the move timer first, so no tick runs while a box is open.
void CompleteLevel(PlayScreen& play, SharedState& shared, MessageBoxService& messages,
                   CompletionEffects& effects);

} // namespace dovrix
