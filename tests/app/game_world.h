#pragma once
// The whole game in a test: the environment of one player (home or school, the account
// server's address, a fresh share folder), the real Game with its windows and services, a
// recording message-box service and a beep counter. Helpers drive the windows with real
// mouse and key events and run the event loop until the program ends.

#include "beeper.h"
#include "game.h"
#include "move_notation.h"
#include "move_replay.h"
#include "solver.h"
#include "temp_folder.h"
#include "variables_for_test.h"
#include "window_checks.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dovrix::testing {

struct CountingBeeper : Beeper {
    void beep() override { ++beeps; }
    int beeps = 0;
};

enum class Setting { Home, School };

// The environment of one player, set before the game reads it, and put back afterwards.
// Without `shareGiven`, the game has no DOVRIX_PROGRESS_SHARE: only the built-in share.
struct PlayerEnvironment {
    PlayerEnvironment(const std::string& serverUrl, Setting setting,
                      const std::optional<std::string>& authorityFile, bool shareGiven) {
        std::filesystem::create_directories(folder.path() / "share" / "Dovrix" / "NewPars");
        variables.set("DOVRIX_SERVER_URL", serverUrl.c_str());
        variables.set("DOVRIX_PROGRESS_SHARE", shareGiven ? share().c_str() : nullptr);
        variables.set("DOVRIX_CA_FILE", authorityFile ? authorityFile->c_str() : nullptr);
        // The district's domain and home drive in lower case: the test is case-blind.
        const bool school = setting == Setting::School;
        variables.set("USERDOMAIN", school ? "vorna" : "HOMEPC");
        variables.set("HOMEDRIVE", school ? "h:" : "C:");
        variables.set("NWUSERNAME", "Pat.Kim");
        variables.set("LOGIN", nullptr);
        variables.set("USERNAME", nullptr);
    }
    std::string share() const { return (folder.path() / "share").string(); }

    TempFolder folder;
    VariablesForTest variables;
};

// Runs the event loop, does `action` inside it, and returns the exit code once the program
// has ended; -1 when it has not ended within the time given.
inline int exitCodeAfter(const std::function<void()>& action, int withinMs = 10000) {
    QObject scope; // the give-up timer ends with it, never reaching a later event loop
    QTimer::singleShot(withinMs, &scope, [] { QCoreApplication::exit(-1); });
    QTimer::singleShot(0, action);
    return QCoreApplication::exec();
}

struct GameWorld {
    // `authorityFile`: certificates the game trusts besides the system's (DOVRIX_CA_FILE).
    explicit GameWorld(const std::string& serverUrl, Setting setting = Setting::Home,
                       const std::optional<std::string>& authorityFile = std::nullopt,
                       bool shareGiven = true)
        : environment(serverUrl, setting, authorityFile, shareGiven) {}

    std::string share() const { return environment.share(); }

    template <typename T>
    T* in(QWidget& window, const char* name) {
        T* control = window.findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) {
            qWarning("no control %s in %s", name, qPrintable(window.objectName()));
        }
        return control;
    }
    QPushButton* button(QWidget& window, const char* name) { return in<QPushButton>(window, name); }
    // A window timer's tick, delivered by the test in place of the clock: tests read the
    // interval a window gave its timer and drive its ticks, so an interval is checked exactly
    // on any machine, however busy.
    void fire(QTimer& timer) { QMetaObject::invokeMethod(&timer, "timeout"); }

    // At home: types the user name and password, picks an option ("new", "existing" or
    // "student" for the check box) and presses Continue.
    void logIn(const QString& user, const QString& password, const std::string& choice) {
        FrmLogin& login = game.frmLogin();
        QTest::keyClicks(in<QLineEdit>(login, "txtUsername"), user);
        QTest::keyClicks(in<QLineEdit>(login, "txtPassword"), password);
        const char* control = choice == "new"        ? "optNewAccount"
                              : choice == "existing" ? "optExistingAccount"
                                                     : "chkHalvernStudent";
        if (!choice.empty()) {
            QTest::mouseClick(in<QAbstractButton>(login, control), Qt::LeftButton);
        }
        QTest::mouseClick(button(login, "cmdContinue"), Qt::LeftButton);
    }

    bool startButtonOffered() {
        FrmStart* start = game.startWindow();
        return start != nullptr && start->isVisible() && button(*start, "cmdStart")->isVisible();
    }

    // Plays the level on the board by a shortest solution, found by the solver, with drags
    // and tmrMove ticked by the test.
    void solveLevelOnBoard() {
        FrmMain& play = game.frmMain();
        play.setMoveTimerDrivenByCaller(true);
        const auto level = parseLevelString(shared.levelStrings[shared.currentLevel]);
        QVERIFY(level.ok());
        const auto solution = solver::solve(*level);
        QVERIFY(solution.ok());
        QCOMPARE(solution->status, solver::SolveResult::Status::Solved);
        for (const MoveNotation& move : solution->moves) {
            const auto block = findBlock(play.play().state().board, move);
            QVERIFY(block.has_value());
            dragBlock(play, *block, move.direction);
        }
    }

    PlayerEnvironment environment;
    SharedState shared;
    RecordingMessageBoxes messages;
    CountingBeeper beeper;
    Game game{shared, messages, beeper};
    TwipScale scale = TwipScale::forScreen(nullptr);
};

} // namespace dovrix::testing
