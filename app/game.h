#pragma once
// The whole game: the real services (account server over Qt Network, the progress share, the
// process environment) and the four windows, each created on first reference and kept until
// the program ends, except the play window, which goes away after the last level. Also the
// windows' hosts: what one window asks of the others, and ending the program.

#include "account_play_services.h"
#include "accounts.h"
#include "beeper.h"
#include "deployment.h"
#include "folder_share_files.h"
#include "frm_end.h"
#include "frm_login.h"
#include "frm_main.h"
#include "frm_start.h"
#include "message_box.h"
#include "qt_http_get.h"
#include "shared_state.h"
#include "system_environment.h"

#include <QPointer>

#include <memory>

namespace dovrix {

class Game : public LoginHost, public StartHost, public EndHost {
public:
    // The deployment comes from the environment (DOVRIX_SERVER_URL, DOVRIX_PROGRESS_SHARE,
    // DOVRIX_CA_FILE), the machine-wide settings and the built-in values. Message boxes and
    // the beep are the caller's: on screen in the program, recorded in tests.
    Game(SharedState& shared, MessageBoxService& messages, Beeper& beeper);
    ~Game() override;
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // The program's start: the login window loads and, unless it has handed over to the start
    // window already (at school), shows itself. Settings that cannot be used are reported
    // then, on the standard error and in a box once the event loop runs.
    void start();

    // The windows, created (and loaded) on first reference.
    FrmLogin& frmLogin();
    FrmStart& frmStart();
    FrmMain& frmMain();
    FrmEnd& frmEnd();
    // The play window while it exists: null before its first reference and after it closed
    // after the last level.
    FrmMain* playWindow() const { return main_.data(); }
    // The other windows if they have been referenced; null otherwise.
    FrmLogin* loginWindow() const { return login_.get(); }
    FrmStart* startWindow() const { return start_.get(); }
    FrmEnd* endWindow() const { return end_.get(); }

    Accounts& accounts() { return accounts_; }

    // LoginHost, StartHost, EndHost.
    void setLevelScrollBarMaximum(int16_t maximum) override;
    void showStartWindow() override;
    void hideLoginWindow() override;
    bool playWindowVisible() const override;
    void DisplayPuzzle(int16_t& level) override;
    void showPlayWindow() override;
    // Leaves the application's event loops with exit code 0; nothing of the game runs after.
    void endProgram() override;

private:
    SharedState& shared_;
    MessageBoxService& messages_;
    Beeper& beeper_;
    SystemEnvironment environment_;
    Deployment deployment_;
    QtHttpGet http_;
    FolderShareFiles share_;
    Accounts accounts_;
    AccountPlayServices playServices_;

    std::unique_ptr<FrmLogin> login_;
    std::unique_ptr<FrmStart> start_;
    QPointer<FrmMain> main_; // deletes itself when closed
    std::unique_ptr<FrmEnd> end_;
};

} // namespace dovrix
