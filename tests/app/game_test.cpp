// The whole game from start to end on the offscreen platform: the school start with a share
// folder and the real account server, the last level leading to the end window, every way out
// of every window with the account updates it sends, and the dovrix program itself.
// In the Windows build two cases are left to the installed-game test, which has a Wine prefix
// of its own: the service behind nginx (scripts/serve and openssl are Debian programs, which
// that test starts outside Wine), and the machine's settings (the registry of the prefix the
// tests share, which the installer writes there). The player's name from the log-on variables
// stays Debian's: its rows need a fresh server each and variables set but empty, which
// Windows cannot hold (an empty value removes a variable there).

#include "catalogue.h"
#include "expected_messages.h"
#include "game_world.h"
#include "scripted_http_server.h"
#include "test_account_server.h"
#ifndef _WIN32
#include "served_stack.h"
#endif

#include <QProcess>
#include <QRegularExpression>

#include <iostream>
#include <sstream>

#include <httplib.h>

namespace dovrix::testing {

using namespace std::chrono_literals;

class GameTest : public QObject {
    Q_OBJECT
private slots:
    void schoolStartRecordAndProgress();
    void lastLevelLeadsToTheEndWindow();
#ifndef _WIN32
    void playsOverHttpsOnlyWithATrustedCertificate();
#endif
    void everyWayOut_data();
    void everyWayOut();
    void theProgramOpensItsFirstWindow_data();
    void theProgramOpensItsFirstWindow();
#ifndef _WIN32
    void theProgramTakesTheMachineSettings();
    void theProgramNamesTheSchoolPlayerByTheFirstLogOnVariable_data();
    void theProgramNamesTheSchoolPlayerByTheFirstLogOnVariable();
#endif
    void anUnusableSettingIsShownOverTheFirstWindow();
    void aSchoolWithoutAShareIsToldSo();
};

namespace {

// The dovrix program of this build.
QString gameProgram() {
#ifdef _WIN32
    return QCoreApplication::applicationDirPath() + QStringLiteral("/dovrix.exe");
#else
    return QStringLiteral(DOVRIX_PROGRAM);
#endif
}

// The environment of the dovrix program started by a test: offscreen, none of the game's own
// variables or the log-on names but `given`.
QProcessEnvironment gameEnvironment(std::initializer_list<std::pair<const char*, QString>> given) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DOVRIX_SERVER_URL", "DOVRIX_PROGRESS_SHARE", "DOVRIX_CA_FILE",
                             "DOVRIX_STARTUP_PROBE", "NWUSERNAME", "LOGIN", "USERNAME"}) {
        environment.remove(name);
    }
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    for (const auto& [name, value] : given) {
        environment.insert(name, value);
    }
    return environment;
}

// What the game writes on std::cerr while the object lives.
struct CapturedStandardError {
    CapturedStandardError() : standardError(std::cerr.rdbuf(text.rdbuf())) {}
    ~CapturedStandardError() { std::cerr.rdbuf(standardError); }
    CapturedStandardError(const CapturedStandardError&) = delete;
    CapturedStandardError& operator=(const CapturedStandardError&) = delete;

    std::ostringstream text;
    std::streambuf* standardError;
};

} // namespace

void GameTest::schoolStartRecordAndProgress() {
    TestAccountServer server;
    GameWorld world(server.url(), Setting::School);
    world.game.start();

    // The start window at once; the login window is never left showing.
    QVERIFY(world.shared.atSchool);
    QVERIFY(world.game.startWindow() != nullptr && world.game.startWindow()->isVisible());
    QVERIFY(!world.game.loginWindow()->isVisible());
    QVERIFY(world.game.playWindow() != nullptr && !world.game.playWindow()->isVisible());
    QTRY_VERIFY(world.startButtonOffered());
    QVERIFY(!world.game.loginWindow()->isVisible());

    // The loading sequence logged in by the log-on name and stored the first progress in the
    // file of the display name, "Pat Kim".
    const auto share = std::filesystem::path(world.share()) / "Dovrix";
    QCOMPARE(fileContent(share / "Pat Kim.txt"), std::optional<std::string>(" 1 \r\n"));
    httplib::Client client("127.0.0.1", server.port());
    QCOMPARE(client.Get("/dovrix/account?o=qel&u=pat.kim&p=")->body, std::string("1"));

    // Level 1 with a par above its shortest solution: beating it sets a record.
    rewriteCataloguePar(world.shared, 1, "40");
    QTest::mouseClick(world.button(*world.game.startWindow(), "cmdStart"), Qt::LeftButton);
    FrmMain& play = *world.game.playWindow();
    QVERIFY(play.isVisible());
    QCOMPARE(play.play().state().levelPar, 40);
    world.solveLevelOnBoard();

    const std::string& level1 = world.shared.levelStrings[1];
    const std::string newPar = level1.substr(0, level1.find(','));
    QVERIFY(std::stoi(newPar) < 40);
    const std::vector<std::filesystem::directory_entry> records(
        std::filesystem::directory_iterator(share / "NewPars"), {});
    QCOMPARE(records.size(), 1u);
    QVERIFY(records[0].path().filename().string().starts_with("Pat Kim--"));
    QCOMPARE(fileContent(records[0]),
             std::optional<std::string>("Level:  1\r\nMoves:  " + newPar + "\r\nPar:    40\r\n"));

    // Level 2 is open, stored in the file and in the account, and on the board.
    QCOMPARE(world.shared.levelReached, 2);
    QCOMPARE(fileContent(share / "Pat Kim.txt"), std::optional<std::string>(" 2 \r\n"));
    QCOMPARE(client.Get("/dovrix/account?o=qel&u=pat.kim&p=")->body, std::string("2"));
    QCOMPARE(play.windowTitle(), QString("Dovrix -- Level 2"));
}

void GameTest::lastLevelLeadsToTheEndWindow() {
    ScriptedHttpServer scripted;
    scripted.reply("/dovrix/account?o=login", "100");
    scripted.reply("/dovrix/account?o=update", "OK");
    GameWorld world(scripted.url());
    world.game.start();
    world.logIn("sam", "pw", "existing");
    QTRY_VERIFY(world.startButtonOffered());
    // The last level, made a short one for the test.
    world.shared.levelStrings[100] = "1,0,0,1,7,2,0,0,0,0,1,7,7,1,1,7,3,1,";
    QTest::mouseClick(world.button(*world.game.startWindow(), "cmdStart"), Qt::LeftButton);
    QPointer<FrmMain> play = world.game.playWindow();
    QCOMPARE(play->windowTitle(), QString("Dovrix -- Level 100"));
    world.solveLevelOnBoard();

    FrmEnd* end = world.game.endWindow();
    QVERIFY(end != nullptr && end->isVisible());
    // Ten beeps a fifth of a second apart, the ticks of tmrBeep delivered by the test.
    QTimer& tmrBeep = *end->findChild<QTimer*>("tmrBeep");
    QCOMPARE(std::tuple(tmrBeep.interval(), tmrBeep.isSingleShot(), world.beeper.beeps),
             std::tuple(200, false, 0));
    for (int beep = 1; beep <= 10; ++beep) { // one a tick; ten, and no more
        world.fire(tmrBeep);
        QCOMPARE(std::pair(world.beeper.beeps, tmrBeep.isActive()), std::pair(beep, beep < 10));
    }
    // The play window closes for good; its closing sends the level once more.
    QTRY_VERIFY(play.isNull());
    QCOMPARE(scripted.updates(), (std::vector<std::string>{"101", "101"}));
}

#ifndef _WIN32
// The network deployment: nginx with TLS in front of the account server. A certificate the
// system does not trust fails the transfer; trusted through DOVRIX_CA_FILE, a whole level is
// played and its progress lands in the server's database.
void GameTest::playsOverHttpsOnlyWithATrustedCertificate() {
    ServedStack stack;
    QCOMPARE(stack.firstLine(), "listening on " + stack.url());
    {
        // The administrator gets one line naming the address, without the query with the
        // name and password, and why.
        const CapturedStandardError errors;
        GameWorld world(stack.url());
        world.game.start();
        world.logIn("sam", "pw", "new");
        QTRY_VERIFY(!world.messages.shown.empty());
        QCOMPARE(boxDifferences(world.messages.shown, {kErrorCreating}), std::string());
        QVERIFY(!world.startButtonOffered());
        const QString line = QString::fromStdString(errors.text.str());
        const QString address = QString::fromStdString(stack.url() + "dovrix/account");
        QVERIFY2(QRegularExpression("^dovrix: TLS failed for " +
                                    QRegularExpression::escape(address) + ": [^\\n]+\\n$")
                     .match(line)
                     .hasMatch(),
                 qPrintable(line));
    }
    QCOMPARE(stack.storedLevel("sam"), std::nullopt);

    GameWorld world(stack.url(), Setting::Home, stack.authorityFile());
    world.game.start();
    world.logIn("sam", "pw", "new");
    QTRY_VERIFY_WITH_TIMEOUT(world.startButtonOffered(), 30000); // Argon2id on a busy machine
    QCOMPARE(stack.storedLevel("sam"), std::optional<int>(1));
    QTest::mouseClick(world.button(*world.game.startWindow(), "cmdStart"), Qt::LeftButton);
    world.solveLevelOnBoard();
    QCOMPARE(stack.storedLevel("sam"), std::optional<int>(2));
}
#endif

void GameTest::everyWayOut_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("updates"); // of the account, at level 7
    QTest::addColumn<bool>("ends");   // the program
    const auto add = [](const char* window, std::initializer_list<const char*> ways, int updates,
                        bool ends) {
        for (const char* how : ways) {
            QTest::addRow("%s window, %s", window, how)
                << QString(window) << QString(how) << updates << ends;
        }
    };
    add("start", {"ctrl+x at once", "ctrl+x", "close", "about, close"}, 0, true);
    add("play", {"cmdExit", "ctrl+x", "close"}, 1, true);
    add("play", {"close, end window showing"}, 1, false);
    add("end", {"cmdEnd", "ctrl+x", "close"}, 0, true); // cmdEnd during the beeps
}

void GameTest::everyWayOut() {
    QFETCH(QString, window);
    QFETCH(QString, how);
    QFETCH(int, updates);
    QFETCH(bool, ends);
    ScriptedHttpServer scripted;
    scripted.reply("/dovrix/account?o=login", "7");
    scripted.reply("/dovrix/account?o=update", "OK");
    GameWorld world(scripted.url());
    world.game.start();
    QPointer<QMainWindow> target;
    if (window != "end") {
        world.logIn("sam", "pw", "existing");
        if (how != "ctrl+x at once") {
            QTRY_VERIFY(world.startButtonOffered());
        }
        target = world.game.startWindow();
    }
    if (window == "play") {
        QTest::mouseClick(world.button(*target, "cmdStart"), Qt::LeftButton);
        target = world.game.playWindow();
        QCOMPARE(world.shared.currentLevel, 7);
    }
    if (window == "end" || how.endsWith("end window showing")) {
        world.game.frmEnd().show();
        target = window == "end" ? world.game.endWindow() : target.data();
    }
    QVERIFY(target != nullptr);
    target->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(target));
    if (window == "end") { // the beeps begin again now: the way out comes during them
        world.game.frmEnd().load(), world.beeper.beeps = 0;
    }

    const int exitCode = exitCodeAfter(
        [&] {
            if (how.startsWith("ctrl+x")) {
                QTest::keyClick(target, Qt::Key_X, Qt::ControlModifier);
            } else if (how.startsWith("cmd")) {
                QTest::mouseClick(world.button(*target, qPrintable(how)), Qt::LeftButton);
            } else {
                if (how.startsWith("about")) {
                    QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
                }
                target->close();
            }
        },
        ends ? 10000 : 300);
    QCOMPARE(exitCode, ends ? 0 : -1);
    QVERIFY(target.isNull() || !target->isVisible());
    QCOMPARE(scripted.updates(), std::vector<std::string>(updates, "7"));
    QCOMPARE(titles(world.messages), how.startsWith("about")
                                         ? std::vector<std::string>{"About Dovrix"}
                                         : std::vector<std::string>{});
    // No tick runs after the way out (none could while the update was on its way).
    if (FrmMain* play = world.game.playWindow()) {
        QVERIFY(!play->play().state().tmrMoveEnabled);
    }
    if (window == "end" && how == "cmdEnd") {
        QVERIFY(world.beeper.beeps < 10); // it ended without waiting for them
    }
}

void GameTest::theProgramOpensItsFirstWindow_data() {
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("window");
    QTest::newRow("at home") << QString("HOMEPC") << QString("frmLogin");
    QTest::newRow("at school") << QString("VORNA") << QString("frmStart");
}

void GameTest::theProgramOpensItsFirstWindow() {
    QFETCH(QString, domain);
    QFETCH(QString, window);
    TempFolder home;
    QProcess game;
    game.setProcessEnvironment(
        gameEnvironment({{"DOVRIX_STARTUP_PROBE", "1"},
                         {"DOVRIX_SERVER_URL", QString::fromStdString(refusingUrl())},
                         {"DOVRIX_PROGRESS_SHARE", QString::fromStdString(home.path().string())},
                         {"USERDOMAIN", domain},
                         {"HOMEDRIVE", "H:"}}));
    const qint64 before = std::chrono::steady_clock::now().time_since_epoch() / 1ns;
    game.start(gameProgram(), {});
    QVERIFY(game.waitForFinished(30000));
    QCOMPARE(std::pair(game.exitStatus(), game.exitCode()), std::pair(QProcess::NormalExit, 0));
    const QStringList words = QString::fromUtf8(game.readAllStandardOutput()).split(' ');
    QCOMPARE(words.mid(0, 2), QStringList({window, "shown"}));
    QVERIFY(words.size() == 3 && words[2].trimmed().toLongLong() > before);
}

#ifndef _WIN32
// The settings an administrator made for the machine, in Dovrix/Dovrix.conf of the system's
// configuration folders, steer the program to the school's server and share. (Which setting
// wins, and the report of one that cannot be used, are the settings tests'.)
void GameTest::theProgramTakesTheMachineSettings() {
    TestAccountServer server;
    httplib::Client client("127.0.0.1", server.port());
    client.Get("/dovrix/account?o=qel&u=pat.kim&p=");
    QCOMPARE(client.Get("/dovrix/account?o=update&u=pat.kim&p=&l=7")->body, std::string("OK"));
    TempFolder folder;
    const auto share = folder.path() / "share";
    std::filesystem::create_directories(share / "Dovrix");
    std::filesystem::create_directories(folder.path() / "xdg" / "Dovrix");
    std::ofstream(folder.path() / "xdg" / "Dovrix" / "Dovrix.conf")
        << "[General]\nServerUrl=" << server.url() << "\nProgressShare=" << share.string()
        << "\nDistrictDomain=NORTHSIDE\nHomeDrive=S:\n";

    // At school by the machine's district and drive, the level the machine's server holds
    // reaches the file on the machine's share.
    QProcess game;
    game.setProcessEnvironment(
        gameEnvironment({{"XDG_CONFIG_DIRS", QString::fromStdString(folder.file("xdg"))},
                         {"USERDOMAIN", "northside"},
                         {"HOMEDRIVE", "s:"},
                         {"NWUSERNAME", "pat.kim"}}));
    game.start(gameProgram(), {});
    QTRY_COMPARE_WITH_TIMEOUT(fileContent(share / "Dovrix" / "Pat Kim.txt"),
                              std::optional<std::string>(" 7 \r\n"), 30000);
    game.kill();
    game.waitForFinished();
    // None of the game's own lines on the standard error (Qt's may be there).
    const QStringList errors = QString::fromUtf8(game.readAllStandardError()).split('\n');
    QCOMPARE(errors.filter(QRegularExpression("^dovrix: ")), QStringList());
}

void GameTest::theProgramNamesTheSchoolPlayerByTheFirstLogOnVariable_data() {
    // The three variables, the progress file the game writes on the share and the account it
    // opens on the server. Every order of the variables, and the system's user name when none
    // is set, are the player name tests'.
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<QString>("progressFile");
    QTest::addColumn<QString>("account");
    QTest::newRow("LOGIN when NWUSERNAME is blank")
        << QStringList{"  ", "Lo.Kim", "Us.Kim"} << "Lo Kim.txt"
        << "lo.kim";
    // Variables that exist but are empty name no one: not even the system's user.
    QTest::newRow("no name when all three are empty")
        << QStringList{"", "", ""} << ".txt" << "";
}

// At school the player is the first of NWUSERNAME, LOGIN and USERNAME that holds more than
// blanks: the program's progress file on the share and its account on the server are that
// player's, and no one else's.
void GameTest::theProgramNamesTheSchoolPlayerByTheFirstLogOnVariable() {
    QFETCH(QStringList, variables);
    QFETCH(QString, progressFile);
    QFETCH(QString, account);
    TempFolder serverFolder;
    RunningAccountServer server(serverOptions(serverFolder.file("accounts.sqlite")));
    TempFolder folder;
    const auto share = folder.path() / "Dovrix";
    std::filesystem::create_directories(share);
    QProcessEnvironment environment = gameEnvironment(
        {{"DOVRIX_SERVER_URL", QString::fromStdString(server.url())},
         {"DOVRIX_PROGRESS_SHARE", QString::fromStdString(folder.path().string())},
         {"USERDOMAIN", "VORNA"},
         {"HOMEDRIVE", "H:"}});
    const QStringList names = {"NWUSERNAME", "LOGIN", "USERNAME"};
    for (qsizetype i = 0; i < names.size(); ++i) {
        environment.insert(names[i], variables[i]);
    }
    QProcess game;
    game.setProcessEnvironment(environment);
    game.start(gameProgram(), {});
    // The files on the share, each with its content.
    const auto files = [&] {
        QStringList written;
        for (const auto& file : std::filesystem::directory_iterator(share)) {
            written.push_back(QString::fromStdString(file.path().filename().string()) + " " +
                              QString::fromStdString(fileContent(file).value_or("")));
        }
        return written;
    };
    // After the blank that ends the name.
    QTRY_COMPARE_WITH_TIMEOUT(files(), QStringList{progressFile + "  1 \r\n"}, 30000);
    game.kill();
    game.waitForFinished();

    // The school's update of an account the game opened, and of one it did not.
    httplib::Client client("127.0.0.1", server.port());
    for (const std::string user : {"nw.kim", "lo.kim", "us.kim"}) {
        const auto update = client.Get("/dovrix/account?o=update&u=" + user + "&p=&l=1");
        QCOMPARE(update->body,
                 std::string(user == account.toStdString() ? "OK" : "Error Updating Account"));
    }
}
#endif

// The player sees the report once, over the login window; the administrator reads it on the
// standard error.
void GameTest::anUnusableSettingIsShownOverTheFirstWindow() {
    GameWorld world("games.school.example");
    world.messages.whileOpen = [&] { QVERIFY(world.game.loginWindow()->isVisible()); };
    const CapturedStandardError errors;
    world.game.start();
    QTRY_COMPARE(titles(world.messages), std::vector<std::string>{"Dovrix -- Settings Not Used"});
    QCOMPARE(errors.text.str(),
             std::string("dovrix: setting not used: DOVRIX_SERVER_URL \"games.school.example\" "
                         "(environment variable): it is not an http:// or https:// address with "
                         "a server name.\ndovrix: Dovrix plays without the account server: no "
                         "online accounts and no shared pars.\n"));
}

// The Windows build has no share built in (a share's path names its server): at school with
// none set the game says so once, in a box over the start window and on the standard error,
// and plays on as with a share out of reach. Debian's built-in folder is a share like any
// other, out of reach here, and says nothing.
void GameTest::aSchoolWithoutAShareIsToldSo() {
    GameWorld world(refusingUrl(), Setting::School, std::nullopt, /*shareGiven=*/false);
    std::string errors;
    {
        const CapturedStandardError captured;
        world.game.start();
        errors = captured.text.str();
    }
    QTRY_VERIFY(world.startButtonOffered());
    QCOMPARE(world.shared.levelReached, 1);
    if (!Deployment::builtIn().progressShare.empty()) {
        QCOMPARE(std::pair(titles(world.messages), errors),
                 std::pair(std::vector<std::string>{}, std::string()));
        return;
    }
    const ExpectedMessage noShare{"Dovrix -- No Progress Share", MessageIcon::Exclamation,
                                  "No progress share is set for this computer (ProgressShare)."
                                  "\r\n\r\nDovrix keeps no progress files on the school's "
                                  "share.\r\nPlease tell the person who looks after this "
                                  "computer."};
    QCOMPARE(boxDifferences(world.messages.shown, {noShare}), std::string());
    QCOMPARE(errors, std::string("dovrix: No progress share is set for this computer "
                                 "(ProgressShare).\ndovrix: Dovrix keeps no progress "
                                 "files on the school's share.\n"));
}

} // namespace dovrix::testing

QTEST_MAIN(dovrix::testing::GameTest)
#include "game_test.moc"
