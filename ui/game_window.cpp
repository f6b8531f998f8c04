#include "game_window.h"

#include "pictures.h"

#include <QAction>
#include <QMenuBar>

namespace dovrix {

GameWindow::GameWindow(QWidget* parent)
    : QMainWindow(parent), scale_(TwipScale::forScreen(screen())) {
    setWindowIcon(pictures::windowIcon());
}

void GameWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Only the first time: a window the player has moved stays where it was put.
    if (!placed_) {
        placed_ = true;
        placeInScreenCentre(*this);
    }
}

QAction* GameWindow::makeAction(const char* name, const char* text,
                                const QKeySequence& shortcut) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}

QMenu* GameWindow::addMenu(const char* name, const char* title) {
    QMenu* menu = menuBar()->addMenu(QString::fromUtf8(title));
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* GameWindow::makeExitAction() {
    return makeAction("mnuExit", "Exit", QKeySequence(Qt::CTRL | Qt::Key_X));
}

} // namespace dovrix
