#include "frm_login.h"

#include "account_protocol.h"
#include "fonts.h"
#include "login_messages.h"
#include "number_text.h"
#include "user_names.h"
#include "utf8.h"
#include "window_controls.h"
#include "wrapping_check_box.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include <string>
#include <string_view>

namespace dovrix {

namespace {

constexpr int kClientWidth = 9855;
constexpr int kClientHeight = 9600;

using namespace protocol;

bool startsWithSuccess(const std::string& reply) {
    return reply.starts_with(kSuccessReply);
}

std::string trimmedText(const QLineEdit& box) {
    return std::string(trimBlanks(box.text().toStdString()));
}

// The district check answers "Success" for a student new to the game, and a short text
// (up to three characters) when the student already has a game account to log in to.
enum class StudentCheck { NewStudent, Rejected, Failed, ExistingStudent };

StudentCheck classifyStudentCheck(const std::optional<std::string>& reply) {
    if (!reply) {
        return StudentCheck::Failed;
    }
    if (*reply == kSuccessReply) {
        return StudentCheck::NewStudent;
    }
    if (*reply == kInvalidCredentialsReply) {
        return StudentCheck::Rejected;
    }
    const std::size_t length = characterCount(*reply);
    if (length >= 1 && length <= 3) {
        return StudentCheck::ExistingStudent;
    }
    return StudentCheck::Failed;
}

QLineEdit* makeTextBox(QWidget* parent, const TwipScale& scale, const char* name,
                       const Rect& place) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFont(gameFont(14.25, true));
    // The longest name and password the server takes, in the same UTF-16 units.
    box->setMaxLength(static_cast<int>(kLongestTypedText));
    placeControl(*box, scale, place.left, place.top, place.width, place.height);
    return box;
}

QRadioButton* makeOption(QWidget* parent, const TwipScale& scale, const char* name,
                         const char* text, const Rect& place) {
    auto* option = new QRadioButton(QString::fromUtf8(text), parent);
    option->setObjectName(QString::fromLatin1(name));
    option->setFont(gameFont(9.75, true));
    placeControl(*option, scale, place.left, place.top, place.width, place.height);
    return option;
}

} // namespace

FrmLogin::FrmLogin(SharedState& shared, Accounts& accounts, MessageBoxService& messages,
                   LoginHost& host, QWidget* parent)
    : GameWindow(parent), shared_(shared), accounts_(accounts), messages_(messages), host_(host) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Dovrix"));
    createControls();
    createMenus();
}

FrmLogin::~FrmLogin() = default;

void FrmLogin::createControls() {
    QWidget* client = makeClientArea(*this, scale_, kClientWidth, kClientHeight);
    const auto centred = Qt::AlignHCenter | Qt::AlignTop;

    lblTitle_ = makeLabel(client, scale_, "lblTitle", QStringLiteral("Dovrix"),
                          {240, -270, 9375, 1455}, gameFont(72, true), centred);
    setTextColour(*lblTitle_, QColor(0, 0, 128));
    lblHomeEdition_ = makeLabel(client, scale_, "lblHomeEdition", QStringLiteral("Home Edition"),
                                {360, 1320, 9135, 495}, gameFont(20.25, true), centred);
    setTextColour(*lblHomeEdition_, QColor(0, 64, 0));
    lblInformation_ = makeLabel(client, scale_, "lblInformation", QString(),
                                {480, 2130, 9030, 2655}, gameFont(12, true));
    setTextColour(*lblInformation_, QColor(128, 0, 0));
    lblUsername_ = makeLabel(client, scale_, "lblUsername", QStringLiteral("Username:"),
                             {1680, 5100, 1215, 255}, gameFont(9.75, true));
    lblPassword_ = makeLabel(client, scale_, "lblPassword", QStringLiteral("Password:"),
                             {5400, 5100, 1215, 255}, gameFont(9.75, true));

    txtUsername_ = makeTextBox(client, scale_, "txtUsername", {1680, 5400, 2775, 450});
    txtPassword_ = makeTextBox(client, scale_, "txtPassword", {5400, 5400, 2775, 450});
    txtPassword_->setEchoMode(QLineEdit::Password);
    // Every character of the password shows as an asterisk, whatever the style's own mask.
    txtPassword_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    // Siblings with auto-exclusion: selecting one option clears the other.
    optNewAccount_ = makeOption(client, scale_, "optNewAccount", "Create a New Account",
                                {1680, 6180, 3255, 375});
    optExistingAccount_ = makeOption(client, scale_, "optExistingAccount",
                                     "Login to an Existing Account", {5160, 6180, 3255, 375});

    chkHalvernStudent_ = new WrappingCheckBox(
        QStringLiteral("If you are a Halvern student and would like to access your Halvern "
                       "Dovrix data, check this box and login using your regular school "
                       "username and password."),
        client);
    chkHalvernStudent_->setObjectName(QStringLiteral("chkHalvernStudent"));
    chkHalvernStudent_->setFont(gameFont(9.75, true));
    setTextColour(*chkHalvernStudent_, QColor(192, 0, 0));
    placeControl(*chkHalvernStudent_, scale_, 2160, 6750, 5655, 855);
    connect(chkHalvernStudent_, &QCheckBox::clicked, this, &FrmLogin::studentBoxClicked);

    cmdContinue_ = makeButton(client, scale_, "cmdContinue", QStringLiteral("Continue..."),
                              {1440, 7920, 6975, 1335}, gameFont(36, true), QColor(0, 192, 192));
    connect(cmdContinue_, &QPushButton::clicked, this, &FrmLogin::continueClicked);

    // The notice lies exactly over the button and hides it while a request runs.
    lblConnecting_ = makeLabel(client, scale_, "lblConnecting", QString(), {1440, 7920, 6975, 1335},
                               gameFont(27.75, true), Qt::AlignCenter);
    setLabelFill(*lblConnecting_, QColor(192, 0, 0));
    lblConnecting_->hide();

    setTabOrder(txtUsername_, txtPassword_);
    setTabOrder(txtPassword_, optNewAccount_);
    setTabOrder(optNewAccount_, optExistingAccount_);
    setTabOrder(optExistingAccount_, chkHalvernStudent_);
    setTabOrder(chkHalvernStudent_, cmdContinue_);
    txtUsername_->setFocus(Qt::OtherFocusReason);

    // Ctrl+X is the Exit item's, even in the text boxes, where it would otherwise cut.
    txtUsername_->installEventFilter(this);
    txtPassword_->installEventFilter(this);
}

void FrmLogin::createMenus() {
    mnuExit_ = makeExitAction();
    connect(mnuExit_, &QAction::triggered, this, &FrmLogin::exitChosen);
    addMenu("mnuFile", "File")->addAction(mnuExit_);
}

void FrmLogin::load() {
    accounts_.setServerPaths();
    shared_.atSchool = accounts_.detectSchool();
    shared_.levelCount = kCatalogueSize;
    host_.setLevelScrollBarMaximum(shared_.levelCount);
    lblConnecting_->setText(QStringLiteral("Connecting to Servers\r\nPlease Wait..."));
    if (shared_.atSchool) {
        host_.showStartWindow();
    }
    // The 100 is part of the text, whatever the catalogue holds.
    lblInformation_->setText(QStringLiteral(
        "Because it can take considerable time to beat all 100 game levels, Dovrix has \r\n"
        "the ability to keep track of levels that you have completed so far, so that every\r\n"
        "time you play Dovrix, you will not have to repeat levels that you have already\r\n"
        "beaten.  This information is stored online on Halvern High School's servers.\r\n"
        "\r\n"
        "If you choose not to use an online account, you will have to start with level 1\r\n"
        "every time you play Dovrix.  If you do not wish to create a new account or\r\n"
        "login to an existing one, click the \"Continue...\" button below without entering\r\n"
        "a username or password."));
}

void FrmLogin::studentBoxClicked() {
    // Auto-exclusion would keep one option selected; clearing both needs it off for a moment.
    for (QRadioButton* option : {optNewAccount_, optExistingAccount_}) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
        option->setEnabled(!option->isEnabled());
    }
}

bool FrmLogin::optionChosen() const {
    return optNewAccount_->isChecked() || optExistingAccount_->isChecked();
}

void FrmLogin::continueClicked() {
    shared_.accountUser = trimmedText(*txtUsername_);
    shared_.accountPassword = trimmedText(*txtPassword_);
    const bool student = chkHalvernStudent_->isChecked();
    const bool hasUser = !shared_.accountUser.empty();
    const bool hasPassword = !shared_.accountPassword.empty();

    // A period in a user name is a school name.
    if (shared_.accountUser.find('.') != std::string::npos && !student) {
        messages_.show(studentsShouldCheckTheBoxMessage());
        return;
    }
    if (hasUser != hasPassword) {
        messages_.show(missingUsernameOrPasswordMessage());
        return;
    }
    if (hasUser && !optionChosen() && !student) {
        messages_.show(newOrExistingAccountMessage());
        return;
    }
    if (!hasUser) {
        messages_.show(proceedingWithoutAccountMessage());
        shared_.levelReached = 1;
        shared_.currentLevel = 1;
        host_.showStartWindow();
        return;
    }

    showConnecting(true);
    if (optNewAccount_->isChecked()) {
        const auto reply = accounts_.createAccount();
        if (reply == kSuccessReply) {
            shared_.currentLevel = 1;
            shared_.levelReached = 1;
            host_.showStartWindow();
            return;
        }
        messages_.show(reply == kUsernameTakenReply ? usernameTakenMessage()
                                                    : errorCreatingAccountMessage());
    } else if (optExistingAccount_->isChecked()) {
        accounts_.LoginAccount(kLoginOperation);
        if (startsWithSuccess(shared_.serverReply)) {
            host_.showStartWindow();
            return;
        }
    } else {
        switch (classifyStudentCheck(accounts_.checkDistrictStudent())) {
        case StudentCheck::NewStudent:
            shared_.levelReached = 1;
            shared_.currentLevel = 1;
            host_.showStartWindow();
            return;
        case StudentCheck::Rejected:
            messages_.show(invalidStudentCredentialsMessage());
            break;
        case StudentCheck::Failed:
            messages_.show(errorAccessingSchoolServersMessage());
            break;
        case StudentCheck::ExistingStudent:
            accounts_.LoginAccount(kStudentLoginOperation);
            if (startsWithSuccess(shared_.serverReply)) {
                host_.showStartWindow();
                return;
            }
            break;
        }
    }
    showConnecting(false);
}

void FrmLogin::showConnecting(bool connecting) {
    cmdContinue_->setEnabled(!connecting);
    lblConnecting_->setVisible(connecting);
    if (connecting) {
        lblConnecting_->raise();
        // The request blocks the event loop: paint the notice now, not afterwards.
        if (isVisible()) {
            repaint();
        }
    }
}

void FrmLogin::exitChosen() {
    hide();
    host_.endProgram();
}

void FrmLogin::closeEvent(QCloseEvent* event) {
    event->accept();
    // Before the start window has loaded there is nothing else to carry on with.
    if (!shared_.startScreenShown) {
        host_.endProgram();
    }
}

bool FrmLogin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (QKeySequence(key->keyCombination()) == mnuExit_->shortcut()) {
            return true; // not taken by the text box: the shortcut fires
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace dovrix
