#pragma once
// The whole game in a test: the environment of one player (home or school, the account
// server's address, a fresh share folder), the real Game with its windows and services, a
// recording message-box service and a beep counter. Helpers drive the windows with real
// mouse and key events and run the event loop until the program ends.

#include "beeper.h"
#include "board_view.h"
#include "game.h"
#include "move_notation.h"
#include "move_replay.h"
#include "recording_message_boxes.h"
#include "solver.h"
#include "temp_folder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace dovrix::testing {

// Records the boxes and lets a test look at the windows while a box is open.
class WatchedMessageBoxes : public RecordingMessageBoxes {
public:
    MessageAnswer show(const MessageBox& box) override {
        if (watch) {
            watch(box);
        }
        return RecordingMessageBoxes::show(box);
    }
    std::function<void(const MessageBox&)> watch;
};

class CountingBeeper : public Beeper {
public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

// Sets environment variables for the life of the object and puts the old values back.
class ScopedEnvironment {
public:
    void set(const char* name, const std::optional<std::string>& value) {
        if (!saved_.contains(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

enum class Setting { Home, School };

// The environment of one player, set before the game reads it.
struct PlayerEnvironment {
    PlayerEnvironment(const std::string& serverUrl, Setting setting) {
        std::filesystem::create_directories(folder.path() / "share" / "Dovrix" / "NewPars");
        variables.set("DOVRIX_SERVER_URL", serverUrl);
        variables.set("DOVRIX_PROGRESS_SHARE", share());
        // The district's domain and home drive in lower case: the test is case-blind.
        variables.set("USERDOMAIN", setting == Setting::School ? "vorna" : "HOMEPC");
        variables.set("HOMEDRIVE", setting == Setting::School ? "h:" : "C:");
        variables.set("NWUSERNAME", "Pat.Kim");
        variables.set("LOGIN", std::nullopt);
        variables.set("USERNAME", std::nullopt);
    }
    std::string share() const { return (folder.path() / "share").string(); }

    TempFolder folder;
    ScopedEnvironment variables;
};

inline std::optional<std::string> fileContent(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Runs the event loop, does `action` inside it, and returns the exit code once the program
// has ended; -1 when it has not ended within the time given.
inline int exitCodeAfter(const std::function<void()>& action, int withinMs = 10000) {
    QTimer give_up;
    give_up.setSingleShot(true);
    QObject::connect(&give_up, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    give_up.start(withinMs);
    QTimer::singleShot(0, action);
    return QCoreApplication::exec();
}

struct GameWorld {
    explicit GameWorld(const std::string& serverUrl, Setting setting = Setting::Home)
        : environment(serverUrl, setting) {}

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

    // The play window's tmrMove ticked by the test; a drag of a block beyond its edge and the
    // ticks of the slide that follows.
    void drag(const PieceRef& block, Direction direction) {
        FrmMain& play = game.frmMain();
        play.setMoveTimerDrivenByCaller(true);
        auto* board = play.findChild<BoardView*>("board");
        const QRect r = scale.rect(play.play().state().board.find(block)->rect);
        QPoint beyond = r.center();
        switch (direction) {
        case Direction::Left:
            beyond.setX(r.left() - 10);
            break;
        case Direction::Right:
            beyond.setX(r.right() + 10);
            break;
        case Direction::Up:
            beyond.setY(r.top() - 10);
            break;
        case Direction::Down:
            beyond.setY(r.bottom() + 10);
            break;
        case Direction::None:
            break;
        }
        QPointer<FrmMain> window = &play;
        const auto tick = [&window] {
            if (window) {
                window->tickMoveTimer();
                QCoreApplication::processEvents();
            }
        };
        QTest::mousePress(board, Qt::LeftButton, {}, r.center());
        tick();
        QTest::mouseMove(board, beyond);
        QTest::mouseRelease(board, Qt::LeftButton, {}, beyond);
        // Ticks until the block stops, and once more (undo comes back then), unless the level
        // was beaten meanwhile: the next level is left untouched.
        const int16_t level = shared.currentLevel;
        const auto playing = [&] {
            return window && shared.currentLevel == level && window->play().state().tmrMoveEnabled;
        };
        for (int i = 0; i < 200 && playing(); ++i) {
            tick();
            if (!window || !window->play().state().blockMoving) {
                break;
            }
        }
        if (playing()) {
            tick();
        }
    }

    // Plays the level on the board by a shortest solution, found by the solver.
    void solveLevelOnBoard() {
        FrmMain& play = game.frmMain();
        const auto level = parseLevelString(shared.levelStrings[play.play().shared().currentLevel]);
        QVERIFY(level.ok());
        const auto solution = solver::solve(*level);
        QVERIFY(solution.ok());
        QCOMPARE(solution->status, solver::SolveResult::Status::Solved);
        for (const MoveNotation& move : solution->moves) {
            const auto block = findBlock(play.play().state().board, move);
            QVERIFY(block.has_value());
            drag(*block, move.direction);
        }
    }

    PlayerEnvironment environment;
    SharedState shared;
    WatchedMessageBoxes messages;
    CountingBeeper beeper;
    Game game{shared, messages, beeper};
    TwipScale scale = TwipScale::forScreen(nullptr);
};

inline std::vector<std::string> titles(const RecordingMessageBoxes& boxes) {
    std::vector<std::string> result;
    for (const MessageBox& box : boxes.shown) {
        result.push_back(box.title);
    }
    return result;
}

} // namespace dovrix::testing
