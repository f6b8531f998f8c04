#pragma once
// What every window of the game is: a fixed-layout main window with the game's icon, sized
// in twips for its screen and centred on that screen the first time it is shown.

#include "twips.h"

#include <QMainWindow>

class QShowEvent;

namespace dovrix {

class GameWindow : public QMainWindow {
public:
    explicit GameWindow(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

    const TwipScale scale_;

private:
    bool placed_ = false;
};

} // namespace dovrix
