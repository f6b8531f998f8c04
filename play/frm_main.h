#pragma once
// The play window frmMain: the board on the left; the level, the level scroll bar, the
// Restart, Undo and Exit buttons and the par and move counters on the right; the File, Edit
// and Help menus. It shows the play rules' state and forwards input to them; the rules and
// level completion decide everything.

#include "board_view.h"
#include "game_window.h"
#include "level_completion.h"
#include "level_scroll_bar.h"
#include "message_box.h"
#include "play_screen.h"
#include "play_services.h"
#include "shared_state.h"

#include <QTimer>

#include <string>

class QAction;
class QLabel;
class QPushButton;

namespace dovrix {

class FrmMain : public GameWindow {
    Q_OBJECT
public:
    // Creates the window hidden, as its load leaves it: design captions, no level on the
    // board, undo unavailable, the move timer stopped.
    FrmMain(SharedState& shared, MessageBoxService& messages, PlayServices& services,
            QWidget* parent = nullptr);
    ~FrmMain() override;

    PlayScreen& play() { return play_; }
    const PlayScreen& play() const { return play_; }

    // Puts a level on the board (the start button). A level below 1 is raised to 1 in the
    // caller's variable.
    void DisplayPuzzle(int16_t& level);
    // The login window's load sets the level scroll bar's maximum to levelCount.
    void setLevelScrollBarMaximum(int16_t maximum);

    // One tick of tmrMove. Does nothing while the rules hold the timer stopped, so a message
    // box or a blocking request opened inside a tick never lets a second tick in.
    void tickMoveTimer();
    // Tests and benchmarks that call tickMoveTimer() themselves keep tmrMove from running.
    void setMoveTimerDrivenByCaller(bool drivenByCaller);

    // Brings every control and the board up to the play rules' state. Cheap when little has
    // changed; runs after every forwarded event and every tick.
    void syncFromState();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Host;

    void createControls();
    void createActions();
    void createMenus();

    void restartLevel();
    void undoMove();
    void exitProgram();
    void directions();
    void about();
    void levelScrollBarMoved(int value);
    void levelValueRequested(int value);
    void levelEndPressed(int shift);
    void levelBeaten();
    void closeAfterLastLevel();

    SharedState& shared_;
    MessageBoxService& messages_;
    PlayServices& services_;
    std::unique_ptr<Host> host_;
    PlayScreen play_;

    BoardView* board_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblLevel_ = nullptr;
    QLabel* lblChooseLevel_ = nullptr;
    LevelScrollBar* hsbLevel_ = nullptr;
    QLabel* lblMinLevel_ = nullptr;
    QLabel* lblMaxLevel_ = nullptr;
    QPushButton* cmdRestart_ = nullptr;
    QPushButton* cmdUndoMove_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
    QLabel* lblMovesNeeded_ = nullptr;
    QLabel* lblParValue_ = nullptr;
    QLabel* lblMovesMade_ = nullptr;
    QLabel* lblMoves_ = nullptr;

    QAction* mnuRestart_ = nullptr;
    QAction* mnuExit_ = nullptr;
    QAction* mnuUndoMove_ = nullptr;
    QAction* mnuDirections_ = nullptr;
    QAction* mnuAbout_ = nullptr;

    QTimer* tmrMove_ = nullptr;
    bool moveTimerDrivenByCaller_ = false;
    bool inTick_ = false;
    bool changingLevel_ = false;

    // What the controls show, to skip unchanged updates.
    struct Shown {
        std::string caption;
        std::string level;
        std::string par;
        double parPointSize = 0;
        std::string moves;
        int16_t minimum = 0;
        int16_t maximum = 0;
        int16_t value = 0;
        bool undoEnabled = false;
        bool first = true;
    } shown_;
};

} // namespace dovrix
