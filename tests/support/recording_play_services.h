#pragma once
// The program around a play screen, as the list of calls it receives, at a fixed local time.

#include "play_services.h"

#include <string>
#include <vector>

namespace dovrix::testing {

struct RecordingPlayServices : PlayServices {
    void writeRecordFile(const std::string& path, const std::string& content) override {
        calls.push_back("write " + path + " " + content);
    }
    LocalTime localTime() override { return now; }
    void uploadPar(int16_t level, int32_t moves, int16_t oldPar) override {
        calls.push_back("upload " + std::to_string(level) + " " + std::to_string(moves) + " " +
                        std::to_string(oldPar));
    }
    void SaveProgress() override { calls.push_back("SaveProgress"); }
    void UpdateAccount() override { calls.push_back("UpdateAccount"); }
    void showEndScreen() override { calls.push_back("showEndScreen"); }
    bool endScreenShowing() const override { return false; }
    void endProgram() override { calls.push_back("endProgram"); }

    LocalTime now{987, 3, 3, 4, 5, 9}; // every field fewer digits than a record's name gives it
    std::vector<std::string> calls;
};

} // namespace dovrix::testing
