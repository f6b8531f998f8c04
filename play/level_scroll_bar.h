#pragma once
// The level scroll bar hsbLevel. Its keys step by one level (Left, Up and Page Up down; Right,
// Down and Page Down up), Home asks for level 1 and End is handed to the play rules; nothing
// here changes the value by itself for a key. Clicks on the arrows and in the track step by
// one and the thumb reports only when released (valueChanged, as any QScrollBar).

#include <QScrollBar>

namespace dovrix {

class LevelScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit LevelScrollBar(QWidget* parent = nullptr);

    // Ends the auto-repeat of an arrow or the track held down with the mouse.
    void stopRepeating() { setRepeatAction(SliderNoAction); }

signals:
    // A key asks for this value.
    void valueRequested(int value);
    // The End key, with the shift bits (1 Shift, 2 Ctrl, 4 Alt) held with it.
    void endPressed(int shift);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

// Shift bits of a key event's modifiers: 1 Shift, 2 Ctrl, 4 Alt.
int shiftBits(Qt::KeyboardModifiers modifiers);

} // namespace dovrix
