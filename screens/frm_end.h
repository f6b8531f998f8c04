#pragma once
// The end window frmEnd, shown once the last level is beaten: a message from the game's
// author beside his picture, ten beeps, and a button that ends the program.

#include "beeper.h"
#include "game_window.h"
#include "shared_state.h"

#include <cstdint>

class QAction;
class QLabel;
class QPushButton;
class QTimer;

namespace dovrix {

// What the end window asks of the program around it.
class EndHost {
public:
    virtual ~EndHost() = default;
    // Ends the program at once.
    virtual void endProgram() = 0;
};

class FrmEnd : public GameWindow {
    Q_OBJECT
public:
    // Creates the controls with their design values, hidden; load() does the rest.
    FrmEnd(const SharedState& shared, EndHost& host, Beeper& beeper, QWidget* parent = nullptr);
    ~FrmEnd() override;

    // The window's load: the message naming levelCount, and tmrBeep started.
    void load();

    int16_t beepCount() const { return beepCount_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createActions();
    void beepTick();
    void exitChosen();

    const SharedState& shared_;
    EndHost& host_;
    Beeper& beeper_;
    int16_t beepCount_ = 0;

    QLabel* lblTitle_ = nullptr;
    QLabel* lblMessage_ = nullptr;
    QLabel* imgMaelor_ = nullptr;
    QPushButton* cmdEnd_ = nullptr;
    QTimer* tmrBeep_ = nullptr;
    QAction* mnuExit_ = nullptr;
};

} // namespace dovrix
