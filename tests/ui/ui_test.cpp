// What the windows share: twips to pixels, the pictures, the help and About
// boxes, and message boxes on screen.

#include "../account/expected_messages.h"
#include "fonts.h"
#include "game_texts.h"
#include "help_boxes.h"
#include "pictures.h"
#include "qt_message_boxes.h"
#include "recording_message_boxes.h"
#include "twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace dovrix {

class UiTest : public QObject {
    Q_OBJECT
private slots:
    void twipsToPixels();
    void pictures();
    void helpAndAboutTexts();
    void messageBoxesOnScreen();
};

void UiTest::twipsToPixels() {
    // dpi, a block of 495 twips in pixels, and ten pixels in twips.
    const struct {
        double dpi;
        int block;
        double pixel10;
    } rows[] = {{96, 33, 150}, {120, 41, 120}, {144, 50, 100}, {192, 66, 75}};
    for (const auto& row : rows) {
        const TwipScale scale(row.dpi);
        QCOMPARE(scale.pixels(495), row.block);
        QCOMPARE(scale.twips(QPointF(10, 10)), QPointF(row.pixel10, row.pixel10));
        // Pieces that touch in twips touch in pixels, wherever they lie.
        for (int left = 150; left < 9045; left += 105) {
            QCOMPARE(scale.rect(left, 150, 495, 495).right() + 1,
                     scale.rect(left + 495, 150, 495, 495).left());
        }
    }
}

void UiTest::pictures() {
    // Arrows, black on transparent: the head's tip reaches the side the arrow points to and the
    // bar starts at the middle of the opposite side (no tip and tail: not an arrow).
    const std::tuple<QString, QSize, QByteArray, QPoint, QPoint> rows[] = {
        {pictures::arrow(Direction::Left), {33, 33}, "gif", {0, 16}, {32, 16}},
        {pictures::arrow(Direction::Right), {33, 33}, "gif", {32, 16}, {0, 16}},
        {pictures::arrow(Direction::Up), {33, 33}, "gif", {16, 0}, {16, 32}},
        {pictures::arrow(Direction::Down), {33, 33}, "gif", {16, 32}, {16, 0}},
        {pictures::kPit, {34, 34}, "png", {}, {}},
        {pictures::kPatch, {32, 32}, "png", {}, {}},
        {":/pictures/icons/dovrix-32.png", {32, 32}, "png", {}, {}},
        {pictures::kEndPicture, {280, 397}, "jpeg", {}, {}},
    };
    for (const auto& [path, size, format, tip, tail] : rows) {
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!image.isNull(), qPrintable(path + ": " + reader.errorString()));
        QCOMPARE(image.size(), size);
        // Each picture but the icon, which comes in its own sizes, is also drawn twice as large.
        if (!path.startsWith(":/pictures/icons/")) {
            QCOMPARE(QImageReader(pictures::doubleSizePath(path)).size(), size * 2);
        }
        if (tail.isNull()) {
            continue;
        }
        for (QPoint p : {tip, tail, QPoint(16, 16)}) {
            QCOMPARE(image.pixelColor(p), QColor(Qt::black));
        }
        for (QPoint corner : {QPoint(0, 0), QPoint(32, 0), QPoint(0, 32), QPoint(32, 32)}) {
            QCOMPARE(image.pixelColor(corner).alpha(), 0);
        }
    }
}

void UiTest::helpAndAboutTexts() {
    testing::RecordingMessageBoxes boxes;
    ShowDirections(boxes, 7);
    ShowAboutBox(boxes);
    // The start window's rules, with one space after each sentence and the level count.
    const QString startRules = QString::fromStdString(testing::kStartWindowRules);
    const std::string rules =
        startRules.left(startRules.indexOf("There are")).replace("  ", " ").toStdString() +
        "There are a total of ";
    const std::string about =
        "This game was made by Maelor Pelvaro in late 2008 and early 2009 after he had "
        "been programming for only one semester. It is a fun strategy game that is "
        "sometimes found in other programs as a little mini-game. In the summer and fall "
        "of 2009, after gaining more programming experience, Maelor greatly simplified "
        "the program code, created lots of additional game levels, and added new "
        "features to both the levels and the program.  Further program enhancements "
        "were then made by Ostren Amberlan, who also wrote the code for managing the "
        "online user accounts and the level data storage and retrieval.";
    // Each with an OK button and no icon.
    QCOMPARE(testing::boxDifferences(boxes.shown,
                                     {{"Dovrix Help", MessageIcon::None, rules + "7 levels."},
                                      {"About Dovrix", MessageIcon::None, about}}),
             std::string());
}

void UiTest::messageBoxesOnScreen() {
    using B = MessageButtons;
    using I = MessageIcon;
    using A = MessageAnswer;
    // The buttons and icon asked for, the button pressed (0: Escape), the answer, Qt's icon.
    const std::tuple<B, I, int, A, QMessageBox::Icon> rows[] = {
        {B::Ok, I::Exclamation, QMessageBox::Ok, A::Ok, QMessageBox::Warning},
        {B::Ok, I::Stop, QMessageBox::Ok, A::Ok, QMessageBox::Critical},
        {B::Ok, I::None, 0, A::Ok, QMessageBox::NoIcon},
        {B::YesNo, I::Question, QMessageBox::Yes, A::Yes, QMessageBox::Question},
        {B::YesNo, I::Question, QMessageBox::No, A::No, QMessageBox::Question},
        {B::YesNo, I::Question, 0, A::No, QMessageBox::Question},
    };
    for (const auto& [buttons, icon, press, answer, qtIcon] : rows) {
        const int pressed = press;
        QString shown; // title | text | icon | buttons | answer
        // The box is modal: look at it, then answer it, from inside its own event loop.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            shown = QString("%1|%2|%3|%4")
                        .arg(dialog->windowTitle(), dialog->text())
                        .arg(dialog->icon())
                        .arg(int(dialog->standardButtons()));
            if (pressed == 0) {
                QTest::keyClick(dialog, Qt::Key_Escape);
            } else {
                dialog->button(static_cast<QMessageBox::StandardButton>(pressed))->click();
            }
        });
        QtMessageBoxes service;
        const MessageAnswer given =
            service.show({"Dovrix -- Topic", {"First line ", "", "third: 3."}, icon, buttons});
        const int standard =
            buttons == B::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
        QCOMPARE(shown + QString("|%1").arg(int(given)),
                 QString("Dovrix -- Topic|First line \r\n\r\nthird: 3.|%1|%2|%3")
                     .arg(qtIcon)
                     .arg(standard)
                     .arg(int(answer)));
    }
}

} // namespace dovrix

QTEST_MAIN(dovrix::UiTest)
#include "ui_test.moc"
