#pragma once
// Building blocks of the game's fixed-layout windows: a client area of a size in twips below
// the menu bar, and labels and push buttons placed at their twip rectangles with their font,
// text colour and fill.

#include "geometry.h"
#include "twips.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QPushButton>
#include <QString>
#include <QStyle>
#include <QStyleFactory>

namespace dovrix {

// The central widget of a window whose client area is width x height twips. The window keeps
// that size; the menu bar comes on top of it.
inline QWidget* makeClientArea(QMainWindow& window, const TwipScale& scale, int width, int height) {
    auto* client = new QWidget(&window);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(scale.rect(0, 0, width, height).size());
    window.setCentralWidget(client);
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    return client;
}

// Text colour of a label, a button or a check box.
inline void setTextColour(QWidget& control, const QColor& colour) {
    QPalette palette = control.palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    control.setPalette(palette);
}

// A label filled with a colour instead of showing the window behind it.
inline void setLabelFill(QLabel& label, const QColor& colour) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, colour);
    label.setPalette(palette);
    label.setAutoFillBackground(true);
}

// A plain-text label that wraps at its width; transparent unless filled.
inline QLabel* makeLabel(QWidget* parent, const TwipScale& scale, const char* name,
                         const QString& text, const Rect& place, const QFont& font,
                         Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setWordWrap(true);
    placeControl(*label, scale, place.left, place.top, place.width, place.height);
    return label;
}

// The style the game's coloured buttons are drawn in: Fusion, which fills a push button with
// its palette's Button colour. Windows's own styles draw push buttons in the system's colours
// whatever the palette says; Fusion is also what the whole game is drawn in on Debian. One
// for the program, ending with the application.
inline QStyle* filledButtonStyle() {
    static QStyle* const style = [] {
        QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
        fusion->setParent(QCoreApplication::instance());
        return fusion;
    }();
    return style;
}

// A push button filled with a colour, under any style of the application. It is no dialog's
// default button, so Enter in another control does not press it.
inline QPushButton* makeButton(QWidget* parent, const TwipScale& scale, const char* name,
                               const QString& text, const Rect& place, const QFont& font,
                               const QColor& fill) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setStyle(filledButtonStyle());
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, fill);
    button->setPalette(palette);
    button->setAutoDefault(false);
    placeControl(*button, scale, place.left, place.top, place.width, place.height);
    return button;
}

} // namespace dovrix
