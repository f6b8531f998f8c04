#pragma once
// What the window tests share: a control's place in twips, caption, font, colours and alignment as
// one QtTest data row; a window's menus as one line; the titles of the boxes shown; and a block
// dragged off its edge with real mouse events while the test ticks tmrMove.

#include "board_view.h"
#include "fonts.h"
#include "frm_main.h"
#include "recording_message_boxes.h"

#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <string>
#include <vector>

namespace dovrix::testing {

struct ControlRow {
    const char* name = "";
    Rect twips{};
    QString text{};
    double points = 0; // 0: the font is not checked
    bool bold = false;
    QColor textColour{};   // invalid: not checked
    QColor fill{};         // a button's face, a label's background (invalid: transparent)
    Qt::Alignment align{}; // a label's horizontal alignment (none: not checked)
    bool underline = false;
};

} // namespace dovrix::testing

Q_DECLARE_METATYPE(dovrix::testing::ControlRow)

namespace dovrix::testing {

inline void addControlRows(const std::vector<ControlRow>& rows) {
    QTest::addColumn<ControlRow>("control");
    for (const ControlRow& row : rows) {
        QTest::newRow(row.name) << row;
    }
}

// The control of the current data row, scaled from twips to the screen's pixels.
inline void checkControlRow(QWidget& window, const TwipScale& scale) {
    QFETCH(ControlRow, control);
    if (window.isVisible()) { // shown in the middle of the screen, to a pixel or two
        const QPoint off =
            window.frameGeometry().center() - window.screen()->availableGeometry().center();
        QVERIFY2(off.manhattanLength() <= 4,
                 qPrintable(QString("%1, %2").arg(off.x()).arg(off.y())));
    }
    auto* widget = window.findChild<QWidget*>(control.name);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->geometry(), scale.rect(control.twips));
    if (control.points == 0) {
        return; // no caption
    }
    QCOMPARE(widget->property("text").toString(), control.text);
    QCOMPARE(widget->font().pointSizeF(), control.points);
    QCOMPARE(widget->font().bold(), control.bold);
    QCOMPARE(widget->font().family(), gameFontFamily());
    QCOMPARE(widget->font().underline(), control.underline);
    if (control.align) {
        QCOMPARE(qobject_cast<QLabel*>(widget)->alignment() & Qt::AlignHorizontal_Mask,
                 control.align);
    }
    if (control.textColour.isValid()) {
        QCOMPARE(widget->palette().color(QPalette::WindowText), control.textColour);
    }
    const bool button = qobject_cast<QPushButton*>(widget) != nullptr;
    QCOMPARE(widget->autoFillBackground(), control.fill.isValid() && !button);
    if (control.fill.isValid()) {
        QCOMPARE(widget->palette().color(button ? QPalette::Button : QPalette::Window),
                 control.fill);
    }
}

// The menu bar as "File: mnuExit Exit (Ctrl+X) | Help: mnuAbout About (Ctrl+A)".
inline QString menuText(QMainWindow& window) {
    QStringList menus;
    for (QAction* menu : window.menuBar()->actions()) {
        QStringList items;
        for (QAction* item : menu->menu()->actions()) {
            items << QString("%1 %2 (%3)")
                         .arg(item->objectName(), item->text(), item->shortcut().toString());
        }
        menus << menu->text() + ": " + items.join(", ");
    }
    return menus.join(" | ");
}

// The names of the first `count` controls that take the focus, in tab order from `first`.
inline QStringList tabOrder(QWidget* first, int count) {
    QStringList names;
    for (QWidget* w = first; names.size() < count; w = w->nextInFocusChain()) {
        if (w->focusPolicy() != Qt::NoFocus) {
            names << w->objectName();
        }
    }
    return names;
}

inline std::vector<std::string> titles(const RecordingMessageBoxes& boxes) {
    std::vector<std::string> result;
    std::ranges::transform(boxes.shown, std::back_inserter(result), &MessageBox::title);
    return result;
}

// A point 10 pixels past the edge of a rectangle in a direction, level with its middle.
inline QPoint beyond(const QRect& r, Direction d) {
    return {d == Direction::Left    ? r.left() - 10
            : d == Direction::Right ? r.right() + 10
                                    : r.center().x(),
            d == Direction::Up     ? r.top() - 10
            : d == Direction::Down ? r.bottom() + 10
                                   : r.center().y()};
}

// One tick of tmrMove, and the repaints it asks for.
inline void tick(FrmMain& window) {
    window.tickMoveTimer();
    QCoreApplication::processEvents();
}

// Ticks until the block that slides stops, and once more (undo comes back then), unless the
// level is beaten meanwhile (the next level is left untouched) or the window goes away.
inline void tickUntilStill(FrmMain& window) {
    QPointer<FrmMain> alive = &window;
    const int16_t level = window.play().shared().currentLevel;
    const auto playing = [&] {
        return alive && alive->play().shared().currentLevel == level &&
               alive->play().state().tmrMoveEnabled;
    };
    for (int i = 0; i < 200 && playing(); ++i) {
        tick(*alive);
        if (!alive || !alive->play().state().blockMoving) {
            break;
        }
    }
    if (playing()) {
        tick(*alive);
    }
}

// Presses a mouse button on the block, ticks once with it held, drags past the block's edge,
// lets go and ticks the slide (or leaves it to the running move timer).
inline void dragBlock(FrmMain& window, const PieceRef& block, Direction direction,
                      Qt::MouseButton button = Qt::LeftButton, bool tickTheSlide = true) {
    auto* board = window.findChild<BoardView*>("board");
    const QRect r =
        TwipScale::forScreen(nullptr).rect(window.play().state().board.find(block)->rect);
    QTest::mousePress(board, button, {}, r.center());
    tick(window);
    QTest::mouseMove(board, beyond(r, direction));
    QTest::mouseRelease(board, button, {}, beyond(r, direction));
    if (tickTheSlide) {
        tickUntilStill(window);
    }
}

} // namespace dovrix::testing
