#pragma once
// Play window services for tests: records each call in order, keeps the record files written,
// and shows a pretend end window whose visibility the window can ask about.

#include "play_services.h"

#include <string>
#include <utility>
#include <vector>

namespace dovrix::testing {

class RecordingPlayServices : public PlayServices {
public:
    void UpdateAccount() override { calls.push_back("UpdateAccount"); }
    void SaveProgress() override { calls.push_back("SaveProgress"); }
    void uploadPar(int16_t level, int32_t moves, int16_t oldPar) override {
        calls.push_back("uploadPar " + std::to_string(level) + " " + std::to_string(moves) + " " +
                        std::to_string(oldPar));
    }
    void writeRecordFile(const std::string& path, const std::string& content) override {
        calls.push_back("writeRecordFile");
        files.emplace_back(path, content);
    }
    LocalTime localTime() override { return now; }
    void showEndScreen() override {
        calls.push_back("showEndScreen");
        endScreenVisible = true;
    }
    bool endScreenShowing() const override { return endScreenVisible; }
    void endProgram() override { calls.push_back("endProgram"); }

    std::vector<std::string> calls;
    std::vector<std::pair<std::string, std::string>> files;
    LocalTime now{2013, 3, 3, 14, 5, 9};
    bool endScreenVisible = false;
};

} // namespace dovrix::testing
