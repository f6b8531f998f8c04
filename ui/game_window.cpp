#include "game_window.h"

#include "pictures.h"

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

} // namespace dovrix
