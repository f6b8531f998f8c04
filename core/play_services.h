#pragma once
// What level completion and the play window ask of the program around them: the school
// share and the clock for new par records, the account and the progress, the end window, and
// ending the program. The game gives it AccountPlayServices; tests give it recording versions.

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

class PlayServices {
public:
    virtual ~PlayServices() = default;
    // Creates or replaces a file on the school share; the path is relative to the share.
    // A failure is not reported to the player.
    virtual void writeRecordFile(const std::string& relativePath, const std::string& content) = 0;
    virtual LocalTime localTime() = 0;
    // Sends a new par to the account server; failures are ignored there.
    virtual void uploadPar(int16_t level, int32_t moves, int16_t oldPar) = 0;
    // Stores levelReached in the progress file on the share and in the account (at school).
    virtual void SaveProgress() = 0;
    // Sends levelReached to the player's online account, when there is one.
    virtual void UpdateAccount() = 0;
    virtual void showEndScreen() = 0;
    virtual bool endScreenShowing() const = 0;
    // Ends the program at once: no further window handling runs.
    virtual void endProgram() = 0;
};

} // namespace dovrix
