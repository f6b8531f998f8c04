// dovrix: the game. It starts with the login window (at school with the start window) and
// ends from the windows' exit paths.

#include "beeper.h"
#include "game.h"
#include "help_and_version.h"
#include "parent_console.h"
#include "pictures.h"
#include "qt_message_boxes.h"
#include "shared_state.h"
#include "startup_probe.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv) {
    dovrix::useParentConsole();
    // Before QApplication: --help and --version need no display.
    if (const auto status = dovrix::answerCommandLine(argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dovrix"));
    QApplication::setDesktopFileName(QStringLiteral("dovrix"));
    QApplication::setWindowIcon(dovrix::pictures::windowIcon());
    // Hidden windows stay loaded; the program ends only through its exit paths.
    QApplication::setQuitOnLastWindowClosed(false);
    dovrix::StartupProbe::installIfAsked();

    dovrix::SharedState shared;
    dovrix::QtMessageBoxes messages;
    dovrix::SystemBeeper beeper;
    dovrix::Game game(shared, messages, beeper);
    game.start();
    return QApplication::exec();
}
