#pragma once
// The play window's services in the game: the account routines, the progress share, the
// local clock, the end window and the end of the Qt event loop.

#include "accounts.h"
#include "play_services.h"
#include "share_files.h"

#include <functional>

namespace dovrix {

class AccountPlayServices : public PlayServices {
public:
    AccountPlayServices(Accounts& accounts, ShareFiles& share);

    // How the end window is shown, and whether it is showing; without them the last level
    // shows nothing and closing the play window ends the program.
    void setEndScreen(std::function<void()> show, std::function<bool()> showing);

    void UpdateAccount() override;
    void SaveProgress() override;
    void uploadPar(int16_t level, int32_t moves, int16_t oldPar) override;
    void writeRecordFile(const std::string& relativePath, const std::string& content) override;
    LocalTime localTime() override;
    void showEndScreen() override;
    bool endScreenShowing() const override;
    // Leaves the application's event loop with exit code 0.
    void endProgram() override;

private:
    Accounts& accounts_;
    ShareFiles& share_;
    std::function<void()> showEndScreen_;
    std::function<bool()> endScreenShowing_;
};

} // namespace dovrix
