#pragma once
// The start window frmStart: the game's title, its author and its rules, with a "Loading
// Level Data" notice while the loading sequence runs (player name, catalogue, progress at
// school, pars), then the start button that opens the play window at currentLevel.

#include "accounts.h"
#include "game_window.h"
#include "message_box.h"
#include "shared_state.h"

#include <cstdint>

class QAction;
class QLabel;
class QPushButton;
class QTimer;

namespace dovrix {

// What the start window asks of the windows around it.
class StartHost {
public:
    virtual ~StartHost() = default;
    virtual void hideLoginWindow() = 0;
    virtual bool playWindowVisible() const = 0;
    // Builds a level on the play window, which stays hidden.
    virtual void DisplayPuzzle(int16_t& level) = 0;
    virtual void showPlayWindow() = 0;
    // Ends the program at once.
    virtual void endProgram() = 0;
};

class FrmStart : public GameWindow {
    Q_OBJECT
public:
    // Creates the controls with their design values, hidden; load() does the rest.
    FrmStart(SharedState& shared, Accounts& accounts, MessageBoxService& messages, StartHost& host,
             QWidget* parent = nullptr);
    ~FrmStart() override;

    // The window's load: hides the login window, marks the start window shown, sets the
    // rules and notice texts and starts tmrLoad (1 ms) and tmrStart (10 s), once each.
    void load();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createActions();

    // tmrLoad: the loading sequence, in one tick.
    void loadingTick();
    // tmrStart: the start button at the latest ten seconds after loading.
    void startTick();
    void offerStartButton();
    void startClicked();
    void exitChosen();

    SharedState& shared_;
    Accounts& accounts_;
    MessageBoxService& messages_;
    StartHost& host_;

    QLabel* lblTitle_ = nullptr;
    QLabel* lblMe_ = nullptr;
    QLabel* lblInstructions_ = nullptr;
    QLabel* lblLoading_ = nullptr;
    QPushButton* cmdStart_ = nullptr;
    QTimer* tmrLoad_ = nullptr;
    QTimer* tmrStart_ = nullptr;
    QAction* mnuExit_ = nullptr;
    QAction* mnuAbout_ = nullptr;
};

} // namespace dovrix
