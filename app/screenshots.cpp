// dovrix-screenshots FOLDER: pictures of the game's four windows as a player sees them,
// taken from the display server (run it under Xvfb with the xcb platform). The windows are
// the game's own; the player's steps are clicks on them: Continue without an account, the
// start button once loading is done, and the end window as it follows the last level.
// Message boxes are answered without being shown, and the end window does not beep.

#include "beeper.h"
#include "game.h"
#include "message_box.h"
#include "shared_state.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>

namespace {

class UnseenMessageBoxes : public dovrix::MessageBoxService {
public:
    dovrix::MessageAnswer show(const dovrix::MessageBox& box) override {
        return box.buttons == dovrix::MessageButtons::YesNo ? dovrix::MessageAnswer::No
                                                            : dovrix::MessageAnswer::Ok;
    }
};

class NoBeep : public dovrix::Beeper {
public:
    void beep() override {}
};

// Lets the event loop run until the condition holds, at most ten seconds.
bool waitFor(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 10000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Waits until the window is on screen and painted, then saves what the display shows of it.
bool save(QWidget& window, const QDir& folder, const char* name) {
    window.raise();
    window.activateWindow();
    if (!waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); })) {
        std::fprintf(stderr, "%s was never shown\n", name);
        return false;
    }
    // A moment for the display server to have every paint of the window.
    QElapsedTimer settle;
    settle.start();
    waitFor([&] { return settle.elapsed() > 500; });
    const QPixmap picture = window.screen()->grabWindow(window.winId());
    const QString path = folder.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dovrix-screenshots FOLDER\n");
        return 2;
    }
    // A home player; no account server is needed for these windows.
    qputenv("USERDOMAIN", "HOME");
    qputenv("NWUSERNAME", "player1");
    if (qEnvironmentVariableIsEmpty("DOVRIX_SERVER_URL")) {
        qputenv("DOVRIX_SERVER_URL", "http://127.0.0.1:9/");
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }

    dovrix::SharedState shared;
    UnseenMessageBoxes messages;
    NoBeep beeper;
    dovrix::Game game(shared, messages, beeper);
    game.start();
    bool ok = save(game.frmLogin(), folder, "login");

    // Continue without an account; the start window loads, then offers its button.
    game.frmLogin().findChild<QPushButton*>(QStringLiteral("cmdContinue"))->click();
    dovrix::FrmStart& start = game.frmStart();
    auto* startButton = start.findChild<QPushButton*>(QStringLiteral("cmdStart"));
    ok = waitFor([&] { return startButton->isVisible(); }) && save(start, folder, "start") && ok;

    startButton->click();
    ok = save(game.frmMain(), folder, "play") && ok;

    // The end window as it appears after the last level.
    game.frmMain().hide();
    dovrix::FrmEnd& end = game.frmEnd();
    end.show();
    ok = save(end, folder, "end") && ok;
    return ok ? 0 : 1;
}
