#pragma once
// What the play window asks of the program around it: the account and the progress, the
// school share and the clock for new par records, the end window, and ending the program.
// The game gives it AccountPlayServices; tests give it a recording version.

#include "level_completion.h"

#include <cstdint>
#include <string>

namespace dovrix {

class PlayServices {
public:
    virtual ~PlayServices() = default;
    // Sends levelReached to the player's online account, when there is one.
    virtual void UpdateAccount() = 0;
    // Stores levelReached in the progress file on the share and in the account (at school).
    virtual void SaveProgress() = 0;
    virtual void uploadPar(int16_t level, int32_t moves, int16_t oldPar) = 0;
    // A file on the school share, the path relative to it; failures go unreported.
    virtual void writeRecordFile(const std::string& relativePath, const std::string& content) = 0;
    virtual LocalTime localTime() = 0;
    virtual void showEndScreen() = 0;
    virtual bool endScreenShowing() const = 0;
    // Ends the program at once: no further window handling runs.
    virtual void endProgram() = 0;
};

} // namespace dovrix
