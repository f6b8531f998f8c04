// The login window in the whole game, on the offscreen platform: typed names, clicked options
// and Continue against the real account server on a loopback port (and a scripted server for
// replies the real one does not give), with every message box's exact text.

#include "expected_messages.h"
#include "game_world.h"
#include "scripted_http_server.h"
#include "test_account_server.h"

#include <QCheckBox>
#include <QStyleOptionFrame>

#include <httplib.h>

#include <memory>

Q_DECLARE_METATYPE(dovrix::testing::ExpectedMessage)

namespace dovrix::testing {

const QColor kNavy(0, 0, 128);

class FrmLoginTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void layout_data();
    void layout();
    void load();
    void studentBoxTogglesTheOptions();
    void continueClicked_data();
    void continueClicked();
    void endingTheProgram_data();
    void endingTheProgram();

private:
    // Shows the login window at home; the window has the focus.
    std::unique_ptr<GameWorld> home(const std::string& serverUrl) {
        auto world = std::make_unique<GameWorld>(serverUrl);
        world->game.start();
        FrmLogin* login = world->game.loginWindow();
        login->activateWindow();
        if (!QTest::qWaitForWindowActive(login)) {
            qWarning("the login window did not become active");
        }
        return world;
    }
    // With the students of tests/account/students.csv.
    std::unique_ptr<TestAccountServer> server_;
};

void FrmLoginTest::initTestCase() {
    server_ = std::make_unique<TestAccountServer>();
    // An online player at level 57 and a name already taken.
    httplib::Client client("127.0.0.1", server_->port());
    for (const auto& [request, reply] : std::vector<std::pair<std::string, std::string>>{
             {"o=create&u=ann&p=pw1", "Success"},
             {"o=update&u=ann&p=pw1&l=57", "OK"},
             {"o=create&u=Mary%20Lou&p=pw", "Success"}}) {
        const auto answer = client.Get("/dovrix/account?" + request);
        QVERIFY(answer);
        QCOMPARE(answer->body, reply);
    }
}

void FrmLoginTest::layout_data() {
    const QString information = QStringLiteral(
        "Because it can take considerable time to beat all 100 game levels, Dovrix has \r\n"
        "the ability to keep track of levels that you have completed so far, so that every\r\n"
        "time you play Dovrix, you will not have to repeat levels that you have already\r\n"
        "beaten.  This information is stored online on Halvern High School's servers.\r\n\r\n"
        "If you choose not to use an online account, you will have to start with level 1\r\n"
        "every time you play Dovrix.  If you do not wish to create a new account or\r\n"
        "login to an existing one, click the \"Continue...\" button below without entering\r\n"
        "a username or password.");
    const QString student =
        "If you are a Halvern student and would like to access your Halvern Dovrix data, check "
        "this box and login using your regular school username and password.";
    const QString connecting = "Connecting to Servers\r\nPlease Wait...";
    addControlRows({
        {"lblTitle", {240, -270, 9375, 1455}, "Dovrix", 72, true, kNavy, {}, Qt::AlignHCenter},
        {"lblHomeEdition", {360, 1320, 9135, 495}, "Home Edition", 20.25, true, {0, 64, 0}},
        {"lblInformation", {480, 2130, 9030, 2655}, information, 12, true, {128, 0, 0}},
        {"lblUsername", {1680, 5100, 1215, 255}, "Username:", 9.75, true},
        {"lblPassword", {5400, 5100, 1215, 255}, "Password:", 9.75, true},
        {"txtUsername", {1680, 5400, 2775, 450}, "", 14.25, true},
        {"txtPassword", {5400, 5400, 2775, 450}, "", 14.25, true},
        {"optNewAccount", {1680, 6180, 3255, 375}, "Create a New Account", 9.75, true},
        {"optExistingAccount", {5160, 6180, 3255, 375}, "Login to an Existing Account", 9.75, true},
        {"chkHalvernStudent", {2160, 6750, 5655, 855}, student, 9.75, true, {192, 0, 0}},
        {"cmdContinue", {1440, 7920, 6975, 1335}, "Continue...", 36, true, {}, {0, 192, 192}},
        // The notice lies exactly over the button.
        {"lblConnecting", {1440, 7920, 6975, 1335}, connecting, 27.75, true, {}, {192, 0, 0}},
    });
}

void FrmLoginTest::layout() {
    auto world = home(server_->url());
    checkControlRow(*world->game.loginWindow(), world->scale);
}

void FrmLoginTest::load() {
    auto world = home(server_->url());
    FrmLogin& login = *world->game.loginWindow();
    QCOMPARE(login.windowTitle(), QString("Dovrix"));
    QCOMPARE(login.centralWidget()->size(), world->scale.rect(0, 0, 9855, 9600).size());
    QCOMPARE(menuText(login), QString("File: mnuExit Exit (Ctrl+X)"));
    const QStringList order = {"txtUsername",        "txtPassword",       "optNewAccount",
                               "optExistingAccount", "chkHalvernStudent", "cmdContinue"};
    for (const QString& name : order) {
        auto* control = login.findChild<QWidget*>(name);
        QVERIFY(control->isVisible() && control->isEnabled());
    }
    QVERIFY(!world->in<QLabel>(login, "lblConnecting")->isVisible());
    // The play window exists, hidden, its level scroll bar up to levelCount.
    QVERIFY(!world->game.playWindow()->isVisible());
    QCOMPARE(world->game.playWindow()->play().state().hsbLevelMaximum, 100);

    // Both fields take 25 characters; the password shows as asterisks.
    auto* password = world->in<QLineEdit>(login, "txtPassword");
    QCOMPARE(world->in<QLineEdit>(login, "txtUsername")->maxLength(), 25);
    QCOMPARE(password->maxLength(), 25);
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QStyleOptionFrame option;
    option.initFrom(password);
    QCOMPARE(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, password),
             int('*'));
    // Tab order and the first focus.
    QCOMPARE(tabOrder(QApplication::focusWidget(), 6), order);
}

void FrmLoginTest::studentBoxTogglesTheOptions() {
    auto world = home(server_->url());
    FrmLogin& login = *world->game.loginWindow();
    auto* fresh = world->in<QRadioButton>(login, "optNewAccount");
    auto* existing = world->in<QRadioButton>(login, "optExistingAccount");
    auto* student = world->in<QCheckBox>(login, "chkHalvernStudent");

    QTest::mouseClick(fresh, Qt::LeftButton);
    QTest::mouseClick(existing, Qt::LeftButton);
    QVERIFY(!fresh->isChecked() && existing->isChecked()); // one group
    // A click on the caption's last line counts as a click on the box.
    QTest::mouseClick(student, Qt::LeftButton, {},
                      QPoint(student->width() / 2, student->height() - 3));
    QVERIFY(student->isChecked() && !fresh->isChecked() && !existing->isChecked());
    QVERIFY(!fresh->isEnabled() && !existing->isEnabled());
    QTest::mouseClick(student, Qt::LeftButton);
    QVERIFY(!student->isChecked() && !fresh->isChecked() && !existing->isChecked());
    QVERIFY(fresh->isEnabled() && existing->isEnabled());
    // The options work again after the box has cleared them.
    QTest::mouseClick(fresh, Qt::LeftButton);
    QVERIFY(fresh->isChecked());
}

void FrmLoginTest::continueClicked_data() {
    // "real" or "refused" server; otherwise a scripted server's reply to the request, where
    // "none" means that no request may be made.
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<ExpectedMessage>("box");
    QTest::addColumn<int>("level");
    auto row = [](const char* name, const char* server, const char* user, const char* password,
                  const char* choice, const ExpectedMessage& box, int level) {
        QTest::newRow(name) << QString(server) << QString(user) << QString(password)
                            << QString(choice) << box << level;
    };
    // The fields are checked before anything is asked, in this order.
    row("period, box not checked, no password", "none", "jo.park", "", "new", kCheckTheBox, 0);
    row("period, box not checked", "none", "jo.park", "pw", "existing", kCheckTheBox, 0);
    row("user name only", "none", "mary", "", "new", kMissingField, 0);
    row("password only", "none", "", "secret", "existing", kMissingField, 0);
    row("user name of blanks", "none", "   ", "secret", "new", kMissingField, 0);
    row("student, password missing", "none", "jo", "", "student", kMissingField, 0);
    row("both, no option", "none", "mary", "secret", "", kNewOrExisting, 0);
    row("both empty, an option chosen", "none", "", "", "new", kWithoutAccount, 1);
    row("blanks only, box checked", "none", "  ", " ", "student", kWithoutAccount, 1);

    // Blanks around the name and password are not part of them.
    row("new account", "real", "  Lou Grant ", " pass word ", "new", {}, 1);
    row("name taken", "real", "mary lou", "other", "new", kNameTaken, 0);
    row("existing account", "real", "ann", "pw1", "existing", {}, 57);
    row("wrong password", "real", "ann", "wrong", "existing", kInvalidCredentials, 0);
    // The district check accepts the school password (a student who has played: "abc" below).
    row("student, first time", "real", "Jo.Park", "Sch00l pass", "student", {}, 1);
    row("student, wrong password", "real", "jo.park", "guess", "student", kInvalidStudent, 0);

    row("create, other reply", "Error Creating Account", "sam", "pw", "new", kErrorCreating, 0);
    row("create, no server", "refused", "sam", "pw", "new", kErrorCreating, 0);
    row("district check, 3 characters", "abc", "sam", "pw", "student", {}, 12);
    row("district check, 4 characters", "abcd", "sam", "pw", "student", kErrorSchoolServers, 0);
    row("district check, empty", "", "sam", "pw", "student", kErrorSchoolServers, 0);
    row("district check, no server", "refused", "sam", "pw", "student", kErrorSchoolServers, 0);
}

void FrmLoginTest::continueClicked() {
    QFETCH(QString, server);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, choice);
    QFETCH(ExpectedMessage, box);
    QFETCH(int, level);
    ScriptedHttpServer scripted;
    const std::string operation = choice == "new"       ? "create"
                                  : choice == "student" ? "vorna"
                                                        : "login";
    scripted.reply("/dovrix/account?o=" + operation, server.toStdString());
    scripted.reply("/dovrix/account?o=halvern", "12");
    auto world = home(server == "real"      ? server_->url()
                      : server == "refused" ? refusingUrl()
                                            : scripted.url());
    FrmLogin& login = *world->game.loginWindow();
    auto* notice = world->in<QLabel>(login, "lblConnecting");
    auto* button = world->button(login, "cmdContinue");
    bool noticeUp = false;
    world->messages.whileOpen = [&] {
        noticeUp = notice->isVisible() && !button->isEnabled() &&
                   notice->parentWidget()->childAt(button->geometry().center()) == notice;
    };
    world->logIn(user, password, choice.toStdString());
    const std::vector<ExpectedMessage> expected(box.title.empty() ? 0 : 1, box);
    QCOMPARE(QString::fromStdString(boxDifferences(world->messages.shown, expected)), QString());
    // The fields keep what was typed, so the player can correct it.
    QCOMPARE(std::pair(world->in<QLineEdit>(login, "txtUsername")->text(),
                       world->in<QLineEdit>(login, "txtPassword")->text()),
             std::pair(user, password));
    QCOMPARE(std::tuple(world->shared.accountUser, world->shared.accountPassword,
                        int(world->shared.levelReached), int(world->shared.currentLevel)),
             std::tuple(user.trimmed().toStdString(), password.trimmed().toStdString(), level,
                        level));

    const bool asks = server != "none";
    const bool starts = box.title.empty() || box.title == kWithoutAccount.title;
    QVERIFY(asks || scripted.requests().empty());
    // A request runs, and its answer comes, under the notice.
    QCOMPARE(noticeUp, asks && !box.title.empty());
    // On to the start window, the notice staying over the disabled button if a request was
    // made; or the window ready for another try.
    QCOMPARE(world->game.startWindow() != nullptr, starts);
    QVERIFY(!starts || world->game.startWindow()->isVisible());
    QCOMPARE(world->shared.startScreenShown, starts);
    QCOMPARE(login.isVisible(), !starts);
    QCOMPARE(std::pair(notice->isHidden(), button->isEnabled()),
             std::pair(!(starts && asks), !(starts && asks)));
    if (server == "abc") {
        QCOMPARE(scripted.operations(), (std::vector<std::string>{"vorna", "halvern"}));
    }
}

void FrmLoginTest::endingTheProgram_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("ends");
    QTest::newRow("close box before Continue") << "close" << true;
    QTest::newRow("Ctrl+X in the user name box") << "ctrl+x" << true;
    QTest::newRow("close box once the start window is up") << "close after start" << false;
}

void FrmLoginTest::endingTheProgram() {
    QFETCH(QString, how);
    QFETCH(bool, ends);
    auto world = home(server_->url());
    FrmLogin& login = *world->game.loginWindow();
    if (how == "close after start") {
        world->logIn("", "", "");
        login.show(); // only so that it can be closed again
    }
    const int exitCode = exitCodeAfter(
        [&] {
            if (how == "ctrl+x") {
                QTest::keyClicks(QApplication::focusWidget(), "ab");
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::ControlModifier);
            } else {
                login.close();
            }
        },
        ends ? 10000 : 300);
    QCOMPARE(exitCode, ends ? 0 : -1);
    QVERIFY(!login.isVisible());
    // Ctrl+X did not cut the selected text: the menu item took it.
    if (how == "ctrl+x") {
        QCOMPARE(world->in<QLineEdit>(login, "txtUsername")->text(), QString("ab"));
    }
}

} // namespace dovrix::testing

QTEST_MAIN(dovrix::testing::FrmLoginTest)
#include "frm_login_test.moc"
