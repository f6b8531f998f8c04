// The login window in the whole game, on the offscreen platform: typed names, clicked options
// and Continue against the real account server on a loopback port (and a scripted server for
// replies the real one does not give), with every message box's exact text.

#include "command_line.h"
#include "fonts.h"
#include "game_world.h"
#include "running_account_server.h"
#include "scripted_http_server.h"

#include <QCheckBox>
#include <QMenuBar>
#include <QStyleOptionFrame>

#include <httplib.h>

#include <memory>

namespace dovrix::testing {

namespace {

struct Expected {
    MessageIcon icon;
    std::string text;
};

// Every box the login window can show, as the player must see it.
const std::map<std::string, Expected>& expectedBoxes() {
    static const std::string errorAdvice =
        "\r\n\r\nMake sure you have a working Internet connection and try\r\n"
        "again.  If this error still occurs, try again at a later time.\r\n\r\n"
        "In the meantime, you can still play Dovrix without an\r\n"
        "online account by clearing the Username and Password\r\n"
        "fields and then clicking the \"Continue...\" button.";
    static const std::map<std::string, Expected> boxes = {
        {"Dovrix -- Halvern Students Should Check the Box Below",
         {MessageIcon::Exclamation, "A period (.) is allowed in your Username only if\r\n"
                                    "you are a current Halvern High School student.\r\n\r\n"
                                    "If you are a Halvern student, check the \r\n"
                                    "\"Halvern Student\" box on your screen."}},
        {"Dovrix -- Missing Username or Password",
         {MessageIcon::Exclamation,
          "If you are trying to create a new account or access an existing\r\n"
          "one, both the Username and Password fields must be filled in."}},
        {"Dovrix -- New or Existing Account?",
         {MessageIcon::Exclamation,
          "You need to indicate whether this is a\r\nNew Account or an Existing Account."}},
        {"Dovrix -- Proceeding Without an Online Account",
         {MessageIcon::Information,
          "Since you did not enter a Username and\r\nPassword, Dovrix will start with level 1."}},
        {"Dovrix -- Username Already Taken",
         {MessageIcon::Exclamation, "An online Dovrix account already exists\r\n"
                                    "with the Username that you have entered.\r\n\r\n"
                                    "If this is your account, choose the \"Login to\r\n"
                                    "an Existing Account\" option on your screen.\r\n\r\n"
                                    "Otherwise, choose a different Username and try again."}},
        {"Dovrix -- Error Creating Online Account",
         {MessageIcon::Stop,
          "An error occurred while trying to\r\ncreate your online Dovrix account." + errorAdvice}},
        {"Dovrix -- Error Accessing Halvern's Servers",
         {MessageIcon::Stop, "An error occurred while trying to access\r\n"
                             "Halvern High School's Dovrix servers." +
                                 errorAdvice}},
        {"Dovrix -- Error Accessing Online Account",
         {MessageIcon::Stop,
          "An error occurred while trying to\r\naccess your online Dovrix account." + errorAdvice}},
    };
    return boxes;
}

const std::string kInvalidTitle = "Dovrix -- Invalid Username or Password";
const std::string kInvalidStudent = "The Username and/or Password that you entered\r\n"
                                    "do not match an existing active Halvern account.\r\n\r\n"
                                    "If you are not a current Halvern High School student,\r\n"
                                    "uncheck the \"Halvern Student\" box on your screen.\r\n\r\n"
                                    "Otherwise, re-enter your Username and Password and try again.";
const std::string kInvalidOnline = "The Username and/or Password that you entered\r\n"
                                   "do not match an existing online Dovrix account.\r\n\r\n"
                                   "If you do not already have an account, choose\r\n"
                                   "the \"Create a New Account\" option on your screen.\r\n\r\n"
                                   "Otherwise, re-enter your Username and Password and try again.";

// Whether the boxes shown have these titles, each with its expected icon, text and one OK
// button.
bool boxesAre(const RecordingMessageBoxes& boxes, const std::vector<std::string>& expectedTitles) {
    bool same = titles(boxes) == expectedTitles;
    for (const MessageBox& box : boxes.shown) {
        const auto expected = expectedBoxes().find(box.title);
        const bool asExpected =
            box.buttons == MessageButtons::Ok &&
            (box.title == kInvalidTitle
                 ? box.icon == MessageIcon::Exclamation &&
                       (box.text() == kInvalidStudent || box.text() == kInvalidOnline)
                 : expected != expectedBoxes().end() && box.icon == expected->second.icon &&
                       box.text() == expected->second.text);
        if (!asExpected) {
            qWarning("box \"%s\" is not as expected:\n%s", box.title.c_str(), box.text().c_str());
        }
        same = same && asExpected;
    }
    if (titles(boxes) != expectedTitles) {
        for (const std::string& title : titles(boxes)) {
            qWarning("shown: %s", title.c_str());
        }
    }
    return same;
}

} // namespace

class FrmLoginTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void loadAndLayout_data();
    void loadAndLayout();
    void fieldChecks_data();
    void fieldChecks();
    void studentBoxTogglesTheOptions();
    void newAccountThenNameTaken();
    void existingAccount();
    void studentFromHome();
    void unusualReplies_data();
    void unusualReplies();
    void endingTheProgram_data();
    void endingTheProgram();

private:
    std::string url() const { return server_->url(); }
    // Shows the login window at home with the real server; the window has the focus.
    std::unique_ptr<GameWorld> home(const std::string& serverUrl = {}) {
        auto world = std::make_unique<GameWorld>(serverUrl.empty() ? url() : serverUrl);
        world->game.start();
        FrmLogin* login = world->game.loginWindow();
        login->activateWindow();
        if (!QTest::qWaitForWindowActive(login)) {
            qWarning("the login window did not become active");
        }
        return world;
    }
    // The window ready for another try: Continue enabled, no notice, no start window.
    static void expectReadyAgain(GameWorld& world) {
        FrmLogin& login = *world.game.loginWindow();
        QVERIFY(login.isVisible());
        QVERIFY(world.button(login, "cmdContinue")->isEnabled());
        QVERIFY(!world.in<QLabel>(login, "lblConnecting")->isVisible());
        QVERIFY(world.game.startWindow() == nullptr);
        QVERIFY(!world.shared.startScreenShown);
    }
    static void expectStartWindow(GameWorld& world) {
        QVERIFY(world.game.startWindow() != nullptr);
        QVERIFY(world.game.startWindow()->isVisible());
        QVERIFY(!world.game.loginWindow()->isVisible());
        QVERIFY(world.shared.startScreenShown);
    }

    TempFolder serverFolder_;
    std::unique_ptr<RunningAccountServer> server_;
};

void FrmLoginTest::initTestCase() {
    const std::string database = serverFolder_.file("accounts.sqlite");
    const std::string csv = serverFolder_.file("students.csv");
    std::ofstream(csv) << "jo.park,Sch00l pass\nal.reyes,Other pass\n";
    QVERIFY(server::importStudentFile(csv, database).ok());
    server_ = std::make_unique<RunningAccountServer>(serverOptions(database));
}

void FrmLoginTest::cleanupTestCase() {
    server_.reset();
}

void FrmLoginTest::loadAndLayout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    QTest::addColumn<QColor>("textColour");
    QTest::addColumn<QColor>("fill");
    const QString information = QStringLiteral(
        "Because it can take considerable time to beat all 100 game levels, Dovrix has \r\n"
        "the ability to keep track of levels that you have completed so far, so that every\r\n"
        "time you play Dovrix, you will not have to repeat levels that you have already\r\n"
        "beaten.  This information is stored online on Halvern High School's servers.\r\n\r\n"
        "If you choose not to use an online account, you will have to start with level 1\r\n"
        "every time you play Dovrix.  If you do not wish to create a new account or\r\n"
        "login to an existing one, click the \"Continue...\" button below without entering\r\n"
        "a username or password.");
    auto row = [](const char* name, QRect twips, const QString& text, double points,
                  QColor textColour = {}, QColor fill = {}) {
        QTest::newRow(name) << QString(name) << twips << text << points << textColour << fill;
    };
    row("lblTitle", {240, -270, 9375, 1455}, "Dovrix", 72, QColor(0, 0, 128));
    row("lblHomeEdition", {360, 1320, 9135, 495}, "Home Edition", 20.25, QColor(0, 64, 0));
    row("lblInformation", {480, 2130, 9030, 2655}, information, 12, QColor(128, 0, 0));
    row("lblUsername", {1680, 5100, 1215, 255}, "Username:", 9.75);
    row("lblPassword", {5400, 5100, 1215, 255}, "Password:", 9.75);
    row("txtUsername", {1680, 5400, 2775, 450}, "", 14.25);
    row("txtPassword", {5400, 5400, 2775, 450}, "", 14.25);
    row("optNewAccount", {1680, 6180, 3255, 375}, "Create a New Account", 9.75);
    row("optExistingAccount", {5160, 6180, 3255, 375}, "Login to an Existing Account", 9.75);
    row("chkHalvernStudent", {2160, 6750, 5655, 855},
        "If you are a Halvern student and would like to access your Halvern Dovrix data, check "
        "this box and login using your regular school username and password.",
        9.75, QColor(192, 0, 0));
    row("cmdContinue", {1440, 7920, 6975, 1335}, "Continue...", 36, {}, QColor(0, 192, 192));
    row("lblConnecting", {1440, 7920, 6975, 1335}, "Connecting to Servers\r\nPlease Wait...", 27.75,
        {}, QColor(192, 0, 0));
}

void FrmLoginTest::loadAndLayout() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(QColor, textColour);
    QFETCH(QColor, fill);
    auto world = home();
    FrmLogin& login = *world->game.loginWindow();
    QWidget* control = world->in<QWidget>(login, name.toLatin1().constData());
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(),
             world->scale.rect(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(control->font().pointSizeF(), points);
    QVERIFY(control->font().bold());
    QCOMPARE(control->font().family(), gameFontFamily());
    QVERIFY(control->isEnabled());
    QCOMPARE(control->isVisible(), name != "lblConnecting");
    if (auto* label = qobject_cast<QLabel*>(control)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->autoFillBackground(), fill.isValid());
        if (fill.isValid()) {
            QCOMPARE(label->palette().color(QPalette::Window), fill);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QCOMPARE(button->text(), text);
        QVERIFY(!button->isChecked());
        if (fill.isValid()) {
            QCOMPARE(button->palette().color(QPalette::Button), fill);
        }
    } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
        QCOMPARE(box->text(), text);
        QCOMPARE(box->maxLength(), 25);
    }
    if (textColour.isValid()) {
        QCOMPARE(control->palette().color(QPalette::WindowText), textColour);
    }

    // The window's load, once for the table.
    if (name == "lblTitle") {
        QCOMPARE(login.windowTitle(), QString("Dovrix"));
        QCOMPARE(login.centralWidget()->size(), world->scale.rect(0, 0, 9855, 9600).size());
        QVERIFY(!world->shared.atSchool);
        QCOMPARE(world->shared.levelCount, 100);
        QCOMPARE(world->shared.accountPath, std::string("dovrix/account"));
        QCOMPARE(world->shared.parListPath, std::string("dovrix/pars"));
        // The play window exists, hidden, its level scroll bar up to levelCount.
        FrmMain* play = world->game.playWindow();
        QVERIFY(play != nullptr);
        QVERIFY(!play->isVisible());
        QCOMPARE(play->play().state().hsbLevelMaximum, 100);

        auto* password = world->in<QLineEdit>(login, "txtPassword");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        QStyleOptionFrame option;
        option.initFrom(password);
        QCOMPARE(
            password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, password),
            int('*'));
        // Tab order and the first focus.
        QCOMPARE(QApplication::focusWidget(), world->in<QWidget>(login, "txtUsername"));
        const char* order[] = {"txtUsername",        "txtPassword",       "optNewAccount",
                               "optExistingAccount", "chkHalvernStudent", "cmdContinue"};
        for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
            QCOMPARE(world->in<QWidget>(login, order[i])->nextInFocusChain(),
                     world->in<QWidget>(login, order[i + 1]));
        }
        const QList<QAction*> menus = login.menuBar()->actions();
        QCOMPARE(menus.size(), 1);
        QCOMPARE(menus[0]->text(), QString("File"));
        auto* exit = login.findChild<QAction*>("mnuExit");
        QCOMPARE(menus[0]->menu()->actions(), QList<QAction*>{exit});
        QCOMPARE(exit->text(), QString("Exit"));
        QCOMPARE(exit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    }
}

void FrmLoginTest::fieldChecks_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("title");
    auto row = [](const char* name, const char* user, const char* password, const char* choice,
                  const char* title) {
        QTest::newRow(name) << QString(user) << QString(password) << QString(choice)
                            << QString(title);
    };
    row("period, box not checked, no password", "jo.park", "", "new",
        "Dovrix -- Halvern Students Should Check the Box Below");
    row("period, box not checked", "jo.park", "pw", "existing",
        "Dovrix -- Halvern Students Should Check the Box Below");
    row("user name only", "mary", "", "new", "Dovrix -- Missing Username or Password");
    row("password only", "", "secret", "existing", "Dovrix -- Missing Username or Password");
    row("user name of blanks", "   ", "secret", "new", "Dovrix -- Missing Username or Password");
    row("student, password missing", "jo", "", "student", "Dovrix -- Missing Username or Password");
    row("both, no option", "mary", "secret", "", "Dovrix -- New or Existing Account?");
    row("both empty, an option chosen", "", "", "new",
        "Dovrix -- Proceeding Without an Online Account");
    row("blanks only, box checked", "  ", " ", "student",
        "Dovrix -- Proceeding Without an Online Account");
}

void FrmLoginTest::fieldChecks() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, choice);
    QFETCH(QString, title);
    auto world = home();
    world->logIn(user, password, choice.toStdString());
    QVERIFY(boxesAre(world->messages, {title.toStdString()}));
    // The fields keep what was typed, so the player can correct it.
    QCOMPARE(world->in<QLineEdit>(*world->game.loginWindow(), "txtUsername")->text(), user);
    QCOMPARE(world->in<QLineEdit>(*world->game.loginWindow(), "txtPassword")->text(), password);
    if (title.startsWith("Dovrix -- Proceeding")) {
        expectStartWindow(*world);
        QCOMPARE(world->shared.levelReached, 1);
        QCOMPARE(world->shared.currentLevel, 1);
        QCOMPARE(world->shared.accountUser, std::string());
    } else {
        expectReadyAgain(*world);
        QCOMPARE(world->shared.levelReached, 0);
    }
}

void FrmLoginTest::studentBoxTogglesTheOptions() {
    auto world = home();
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
    QVERIFY(student->isChecked());
    QVERIFY(!fresh->isChecked() && !existing->isChecked());
    QVERIFY(!fresh->isEnabled() && !existing->isEnabled());
    QTest::mouseClick(student, Qt::LeftButton);
    QVERIFY(!student->isChecked());
    QVERIFY(!fresh->isChecked() && !existing->isChecked());
    QVERIFY(fresh->isEnabled() && existing->isEnabled());
    // The options work again after the box has cleared them.
    QTest::mouseClick(fresh, Qt::LeftButton);
    QVERIFY(fresh->isChecked());
}

void FrmLoginTest::newAccountThenNameTaken() {
    {
        auto world = home();
        // Blanks around the name and password are not part of them.
        world->logIn("  Mary Lou ", " pass word ", "new");
        QVERIFY(boxesAre(world->messages, {}));
        expectStartWindow(*world);
        QCOMPARE(world->shared.accountUser, std::string("Mary Lou"));
        QCOMPARE(world->shared.accountPassword, std::string("pass word"));
        QCOMPARE(world->shared.levelReached, 1);
        QCOMPARE(world->shared.currentLevel, 1);
        // On success the notice stays over the disabled button.
        FrmLogin& login = *world->game.loginWindow();
        QVERIFY(!world->button(login, "cmdContinue")->isEnabled());
        QVERIFY(!world->in<QLabel>(login, "lblConnecting")->isHidden());
    }
    auto world = home();
    bool noticeUp = false;
    world->messages.watch = [&](const MessageBox&) {
        FrmLogin& login = *world->game.loginWindow();
        noticeUp = world->in<QLabel>(login, "lblConnecting")->isVisible() &&
                   !world->button(login, "cmdContinue")->isEnabled();
    };
    world->logIn("mary lou", "other", "new");
    QVERIFY(boxesAre(world->messages, {"Dovrix -- Username Already Taken"}));
    QVERIFY(noticeUp); // the request ran, and its answer came, under the notice
    expectReadyAgain(*world);
}

void FrmLoginTest::existingAccount() {
    httplib::Client client("127.0.0.1", server_->port());
    QCOMPARE(client.Get("/dovrix/account?o=create&u=ann&p=pw1")->body, std::string("Success"));
    QCOMPARE(client.Get("/dovrix/account?o=update&u=ann&p=pw1&l=57")->body, std::string("OK"));
    {
        auto world = home();
        world->logIn("ann", "pw1", "existing");
        QVERIFY(boxesAre(world->messages, {}));
        expectStartWindow(*world);
        QCOMPARE(world->shared.serverReply, std::string("Success57"));
        QCOMPARE(world->shared.levelReached, 57);
        QCOMPARE(world->shared.currentLevel, 57);
    }
    auto world = home();
    world->logIn("ann", "wrong", "existing");
    QVERIFY(boxesAre(world->messages, {kInvalidTitle}));
    QCOMPARE(world->messages.shown[0].text(), kInvalidOnline);
    expectReadyAgain(*world);
    QCOMPARE(world->shared.levelReached, 0);
}

void FrmLoginTest::studentFromHome() {
    {
        // First time: the district check accepts the school password and starts at level 1.
        auto world = home();
        world->logIn("Jo.Park", "Sch00l pass", "student");
        QVERIFY(boxesAre(world->messages, {}));
        expectStartWindow(*world);
        QCOMPARE(world->shared.serverReply, std::string("Success"));
        QCOMPARE(world->shared.currentLevel, 1);
    }
    httplib::Client client("127.0.0.1", server_->port());
    QCOMPARE(client.Get("/dovrix/account?o=qel&u=jo.park&p=")->body, std::string("1"));
    QCOMPARE(client.Get("/dovrix/account?o=update&u=jo.park&p=&l=8")->body, std::string("OK"));
    {
        // Again: the check answers briefly and the student login brings the school level.
        auto world = home();
        world->logIn("jo.park", "Sch00l pass", "student");
        QVERIFY(boxesAre(world->messages, {}));
        expectStartWindow(*world);
        QCOMPARE(world->shared.serverReply, std::string("Success8"));
        QCOMPARE(world->shared.currentLevel, 8);
    }
    auto world = home();
    world->logIn("jo.park", "guess", "student");
    QVERIFY(boxesAre(world->messages, {kInvalidTitle}));
    QCOMPARE(world->messages.shown[0].text(), kInvalidStudent);
    expectReadyAgain(*world);
}

void FrmLoginTest::unusualReplies_data() {
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("reply"); // "-" : nothing listens on the port
    QTest::addColumn<QString>("title"); // empty: the start window follows
    QTest::addColumn<int>("level");
    auto row = [](const char* name, const char* choice, const char* reply, const char* title,
                  int level) {
        QTest::newRow(name) << QString(choice) << QString(reply) << QString(title) << level;
    };
    row("create, other reply", "new", "Error Creating Account",
        "Dovrix -- Error Creating Online Account", 0);
    row("create, no server", "new", "-", "Dovrix -- Error Creating Online Account", 0);
    row("district check, 3 characters", "student", "abc", "", 12);
    row("district check, 4 characters", "student", "abcd",
        "Dovrix -- Error Accessing Halvern's Servers", 0);
    row("district check, empty", "student", "", "Dovrix -- Error Accessing Halvern's Servers", 0);
    row("district check, no server", "student", "-", "Dovrix -- Error Accessing Halvern's Servers",
        0);
    // The login's own failure rule starts from level 1; the window stays.
    row("login, empty reply", "existing", "", "Dovrix -- Error Accessing Online Account", 1);
}

void FrmLoginTest::unusualReplies() {
    QFETCH(QString, choice);
    QFETCH(QString, reply);
    QFETCH(QString, title);
    QFETCH(int, level);
    ScriptedHttpServer scripted;
    const std::string operation = choice == "new"       ? "create"
                                  : choice == "student" ? "vorna"
                                                        : "login";
    scripted.reply("/dovrix/account?o=" + operation, reply.toStdString());
    scripted.reply("/dovrix/account?o=halvern", "12");
    auto world = home(reply == "-" ? refusingUrl() : scripted.url());
    world->logIn("sam", "pw", choice.toStdString());
    if (title.isEmpty()) {
        QVERIFY(boxesAre(world->messages, {}));
        expectStartWindow(*world);
        QCOMPARE(scripted.operations(), (std::vector<std::string>{"vorna", "halvern"}));
    } else {
        QVERIFY(boxesAre(world->messages, {title.toStdString()}));
        expectReadyAgain(*world);
    }
    QCOMPARE(world->shared.currentLevel, level);
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
    auto world = home();
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
