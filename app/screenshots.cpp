// dovrix-screenshots FOLDER [WINDOW...]: pictures of the game's four windows (or only those
// named: login, start, play, end) as a player sees them, taken from the display server (run
// it under Xvfb with the xcb platform). The windows are the game's own; the player's steps
// are clicks on them: Continue without an account, the start button once loading is done,
// and the end window as it follows the last level. Message boxes are answered without being
// shown, and the end window does not beep. On a screen with two device pixels to a pixel
// (QT_SCALE_FACTOR=2) the files are named like the game's large pictures: play@2x.png.

#include "beeper.h"
#include "game.h"
#include "message_box.h"
#include "shared_state.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
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

// Where the pictures go, and which windows are wanted: all of them when none is named.
struct Album {
    QDir folder;
    QStringList wanted;
};

// Waits until the window is on screen and painted, then saves what the display shows of it.
bool save(QWidget& window, const Album& album, const char* name) {
    if (!album.wanted.isEmpty() && !album.wanted.contains(QString::fromLatin1(name))) {
        return true;
    }
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
    const QString ratio = window.devicePixelRatioF() == 2.0 ? QStringLiteral("@2x") : QString();
    const QString path =
        album.folder.filePath(QString::fromLatin1(name) + ratio + QStringLiteral(".png"));
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: dovrix-screenshots FOLDER [WINDOW...]\n");
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
    Album album{QDir(QString::fromLocal8Bit(argv[1])), {}};
    for (int i = 2; i < argc; ++i) {
        album.wanted << QString::fromLocal8Bit(argv[i]);
    }
    if (!QDir().mkpath(album.folder.path())) {
        std::fprintf(stderr, "cannot make %s\n", argv[1]);
        return 1;
    }

    dovrix::SharedState shared;
    UnseenMessageBoxes messages;
    NoBeep beeper;
    dovrix::Game game(shared, messages, beeper);
    game.start();
    bool ok = save(game.frmLogin(), album, "login");

    // Continue without an account; the start window loads, then offers its button.
    game.frmLogin().findChild<QPushButton*>(QStringLiteral("cmdContinue"))->click();
    dovrix::FrmStart& start = game.frmStart();
    auto* startButton = start.findChild<QPushButton*>(QStringLiteral("cmdStart"));
    ok = waitFor([&] { return startButton->isVisible(); }) && save(start, album, "start") && ok;

    startButton->click();
    ok = save(game.frmMain(), album, "play") && ok;

    // The end window as it appears after the last level.
    game.frmMain().hide();
    dovrix::FrmEnd& end = game.frmEnd();
    end.show();
    ok = save(end, album, "end") && ok;
    return ok ? 0 : 1;
}
