#include "level_scroll_bar.h"

#include "play_screen.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace dovrix {

LevelScrollBar::LevelScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("hsbLevel"));
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::NoContextMenu);
    setSingleStep(1);
    setPageStep(1);
    // Dragging the thumb changes the level only when the thumb is let go.
    setTracking(false);
}

int shiftBits(Qt::KeyboardModifiers modifiers) {
    int bits = 0;
    if (modifiers & Qt::ShiftModifier) {
        bits |= kShiftBit;
    }
    if (modifiers & Qt::ControlModifier) {
        bits |= kCtrlBit;
    }
    if (modifiers & Qt::AltModifier) {
        bits |= kAltBit;
    }
    return bits;
}

void LevelScrollBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        emit valueRequested(value() - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        emit valueRequested(value() + 1);
        break;
    case Qt::Key_Home:
        emit valueRequested(minimum());
        break;
    case Qt::Key_End:
        emit endPressed(shiftBits(event->modifiers()));
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void LevelScrollBar::mousePressEvent(QMouseEvent* event) {
    // Only the left button works the scroll bar: a middle click would jump the thumb to the
    // pointer, where every click is to change the level by one.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QScrollBar::mousePressEvent(event);
}

void LevelScrollBar::wheelEvent(QWheelEvent* event) {
    // The wheel does not change levels: a stray turn would rebuild the board.
    event->ignore();
}

} // namespace dovrix
