#pragma once
// What every window of the game is: a fixed-layout main window with the game's icon, sized
// in twips for its screen and centred on that screen the first time it is shown.

#include "twips.h"

#include <QKeySequence>
#include <QMainWindow>

class QAction;
class QMenu;
class QShowEvent;

namespace dovrix {

class GameWindow : public QMainWindow {
public:
    explicit GameWindow(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

    // A menu item of this window with its shortcut, found by its name as the controls are.
    QAction* makeAction(const char* name, const char* text, const QKeySequence& shortcut);
    // A menu of the menu bar, found by its name.
    QMenu* addMenu(const char* name, const char* title);
    // The Exit item, Ctrl+X, that every window's File menu has.
    QAction* makeExitAction();

    const TwipScale scale_;

private:
    bool placed_ = false;
};

} // namespace dovrix
