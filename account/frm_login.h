#pragma once
// The login window frmLogin, the program's first window. Its load decides whether the game
// runs at school or at home and sets up the values everything else needs; at home it lets the
// player create an online account, log in to one, log in as a Halvern student, or play
// without an account, and then hands over to the start window.

#include "accounts.h"
#include "game_window.h"
#include "message_box.h"
#include "shared_state.h"

#include <cstdint>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dovrix {

// What the login window asks of the windows around it.
class LoginHost {
public:
    virtual ~LoginHost() = default;
    // The play window's level scroll bar maximum; the first call creates the play window,
    // hidden.
    virtual void setLevelScrollBarMaximum(int16_t maximum) = 0;
    // Shows the start window, creating it on first use; its load hides this window.
    virtual void showStartWindow() = 0;
    // Ends the program at once.
    virtual void endProgram() = 0;
};

class FrmLogin : public GameWindow {
    Q_OBJECT
public:
    // Creates the controls with their design values, hidden; load() does the rest.
    FrmLogin(SharedState& shared, Accounts& accounts, MessageBoxService& messages, LoginHost& host,
             QWidget* parent = nullptr);
    ~FrmLogin() override;

    // The window's load: server paths, the school test, levelCount and the play window's
    // scroll bar, the notice and information texts. At school it shows the start window
    // before it returns.
    void load();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();

    void studentBoxClicked();
    void continueClicked();
    void exitChosen();
    // Shows the "Connecting to Servers" notice over the disabled Continue button, painted
    // before the blocking request starts; or takes it away again.
    void showConnecting(bool connecting);
    bool optionChosen() const;

    SharedState& shared_;
    Accounts& accounts_;
    MessageBoxService& messages_;
    LoginHost& host_;

    QLabel* lblTitle_ = nullptr;
    QLabel* lblHomeEdition_ = nullptr;
    QLabel* lblInformation_ = nullptr;
    QLabel* lblUsername_ = nullptr;
    QLabel* lblPassword_ = nullptr;
    QLineEdit* txtUsername_ = nullptr;
    QLineEdit* txtPassword_ = nullptr;
    QRadioButton* optNewAccount_ = nullptr;
    QRadioButton* optExistingAccount_ = nullptr;
    QCheckBox* chkHalvernStudent_ = nullptr;
    QPushButton* cmdContinue_ = nullptr;
    QLabel* lblConnecting_ = nullptr;
    QAction* mnuExit_ = nullptr;
};

} // namespace dovrix
