// dovrix-session-bench: the peak memory (max RSS) of a whole game session. The real account
// server runs as its own process on a loopback port with a fresh database; this process is
// the game, driven the way a player drives it: the login window creates an account, the
// start window loads and is started, level 1 is played by its shortest solution with mouse
// drags while tmrMove runs at its own pace, the "Level Beaten" box is answered, and the play
// window's Exit Program button ends the program. Message boxes are answered without being
// drawn; the platform is the one in QT_QPA_PLATFORM.

#include "board_view.h"
#include "game.h"
#include "message_box.h"
#include "move_replay.h"
#include "shared_state.h"
#include "solver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

class AnsweringMessageBoxes : public dovrix::MessageBoxService {
public:
    dovrix::MessageAnswer show(const dovrix::MessageBox& box) override {
        ++shown;
        return box.buttons == dovrix::MessageButtons::YesNo ? dovrix::MessageAnswer::No
                                                            : dovrix::MessageAnswer::Ok;
    }
    int shown = 0;
};

class NoBeep : public dovrix::Beeper {
public:
    void beep() override {}
};

// The account server as its own process, on a free loopback port.
class ServerProcess {
public:
    explicit ServerProcess(const std::string& database) {
        int output[2];
        if (pipe(output) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        posix_spawn_file_actions_addclose(&actions, output[1]);
        std::string program = DOVRIX_ACCOUNT_SERVER;
        std::string portFlag = "--port", port = "0", dbFlag = "--db", db = database;
        char* arguments[] = {program.data(), portFlag.data(), port.data(),
                             dbFlag.data(),  db.data(),       nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, arguments, environ) != 0) {
            pid_ = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(output[1]);
        std::string line;
        char c = 0;
        while (read(output[0], &c, 1) == 1 && c != '\n') {
            line.push_back(c);
        }
        output_ = output[0];
        const std::string prefix = "listening on ";
        if (line.rfind(prefix, 0) == 0) {
            url_ = line.substr(prefix.size());
        }
    }
    ~ServerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }
    const std::string& url() const { return url_; }

private:
    pid_t pid_ = 0;
    int output_ = -1;
    std::string url_;
};

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool waitFor(const std::function<bool()>& condition, int withinMs = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > withinMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QPoint beyond(const QRect& r, dovrix::Direction direction) {
    switch (direction) {
    case dovrix::Direction::Left:
        return {r.left() - 10, r.center().y()};
    case dovrix::Direction::Right:
        return {r.right() + 10, r.center().y()};
    case dovrix::Direction::Up:
        return {r.center().x(), r.top() - 10};
    case dovrix::Direction::Down:
        return {r.center().x(), r.bottom() + 10};
    case dovrix::Direction::None:
        break;
    }
    return r.center();
}

} // namespace

int main(int argc, char** argv) {
    char folderPattern[] = "/tmp/dovrix-session-XXXXXX";
    if (mkdtemp(folderPattern) == nullptr) {
        return 1;
    }
    const std::string folder = folderPattern;
    int result = 1;
    {
        ServerProcess server(folder + "/accounts.sqlite");
        if (server.url().empty()) {
            std::fprintf(stderr, "the account server did not start\n");
            return 1;
        }
        setenv("DOVRIX_SERVER_URL", server.url().c_str(), 1);
        setenv("USERDOMAIN", "HOME", 1);

        QApplication application(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        dovrix::SharedState shared;
        AnsweringMessageBoxes messages;
        NoBeep beeper;
        dovrix::Game game(shared, messages, beeper);

        long rssAtLogin = 0;
        long rssAtPlay = 0;
        int levelAfterwards = 0;
        bool scriptDone = false;
        QElapsedTimer session;
        session.start();
        QTimer::singleShot(0, [&] {
            game.start();
            dovrix::FrmLogin& login = game.frmLogin();
            waitFor([&] { return login.windowHandle() && login.windowHandle()->isExposed(); });
            rssAtLogin = peakRssKiB();
            QTest::keyClicks(login.findChild<QLineEdit*>("txtUsername"), "bench player");
            QTest::keyClicks(login.findChild<QLineEdit*>("txtPassword"), "a password");
            QTest::mouseClick(login.findChild<QRadioButton*>("optNewAccount"), Qt::LeftButton);
            QTest::mouseClick(login.findChild<QPushButton*>("cmdContinue"), Qt::LeftButton);

            auto* start = game.startWindow()->findChild<QPushButton*>("cmdStart");
            if (!waitFor([&] { return start->isVisible(); })) {
                return;
            }
            QTest::mouseClick(start, Qt::LeftButton);
            dovrix::FrmMain& play = game.frmMain();
            auto* board = play.findChild<dovrix::BoardView*>("board");
            const auto level = dovrix::parseLevelString(shared.levelStrings[1]);
            const auto solution = dovrix::solver::solve(*level);
            const dovrix::TwipScale scale = dovrix::TwipScale::forScreen(play.screen());
            for (const dovrix::MoveNotation& move : solution->moves) {
                const auto block = dovrix::findBlock(play.play().state().board, move);
                const QRect r = scale.rect(play.play().state().board.find(*block)->rect);
                const int32_t before = play.play().state().movesMade;
                QTest::mousePress(board, Qt::LeftButton, {}, r.center());
                QTest::mouseMove(board, beyond(r, move.direction));
                QTest::mouseRelease(board, Qt::LeftButton, {}, beyond(r, move.direction));
                // tmrMove slides the block; the last move beats the level.
                waitFor([&] {
                    const auto& state = play.play().state();
                    return shared.currentLevel != 1 ||
                           (state.movesMade > before && !state.blockMoving);
                });
            }
            waitFor([&] { return shared.currentLevel == 2; });
            rssAtPlay = peakRssKiB();
            levelAfterwards = shared.levelReached;
            scriptDone = true;
            QTest::mouseClick(play.findChild<QPushButton*>("cmdExit"), Qt::LeftButton);
        });
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(2); });
        giveUp.start(120000);
        const int exitCode = QApplication::exec();
        const long peak = peakRssKiB();

        std::printf("| session step                                  | peak RSS MiB |\n");
        std::printf("|-----------------------------------------------|--------------|\n");
        std::printf("| login window shown                            | %12.1f |\n",
                    rssAtLogin / 1024.0);
        std::printf("| account made, level 1 beaten, level 2 built   | %12.1f |\n",
                    rssAtPlay / 1024.0);
        std::printf("| whole session, after Exit Program             | %12.1f |\n", peak / 1024.0);
        std::printf("session: %.1f s, %d message boxes, level reached %d, exit code %d\n",
                    session.elapsed() / 1000.0, messages.shown, levelAfterwards, exitCode);
        result = scriptDone && exitCode == 0 && levelAfterwards == 2 ? 0 : 1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}
