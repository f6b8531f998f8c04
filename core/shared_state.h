#pragma once
// The values shared by the windows, the progress and account code and the level completion:
// one record, owned by main() and passed by reference, that lives for the whole run.

#include <array>
#include <cstdint>
#include <string>

namespace dovrix {

inline constexpr int16_t kCatalogueSize = 100;

struct SharedState {
    // The catalogue: entry n is the level string of level n; entry 0 is never used.
    std::array<std::string, kCatalogueSize + 1> levelStrings;
    int16_t levelCount = 0; // set to the catalogue's size when the login window loads

    int16_t currentLevel = 0; // the level on the board
    // Highest level the player may choose; levelCount + 1 once every level is beaten.
    int16_t levelReached = 0;

    std::string playerName;      // display name, also the progress file's name at school
    std::string accountUser;     // empty: no online account
    std::string accountPassword; // empty at school
    bool atSchool = false;
    std::string serverReply; // the account server's last reply
    std::string accountPath;
    std::string parListPath;
    bool startScreenShown = false;
};

} // namespace dovrix
