// What the windows share: twips to pixels, the typeface, the pictures, the help and About
// boxes, and message boxes on screen.

#include "fonts.h"
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
    void twipsToPixels_data();
    void twipsToPixels();
    void typefaceIsArialOrItsTwin();
    void pictures_data();
    void pictures();
    void helpAndAboutTexts();
    void messageBoxesOnScreen_data();
    void messageBoxesOnScreen();
};

void UiTest::twipsToPixels_data() {
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("block"); // 495 twips
    QTest::addColumn<QPointF>("pixel10");
    QTest::newRow("96 dpi") << 96.0 << 33 << QPointF(150, 150);
    QTest::newRow("120 dpi") << 120.0 << 41 << QPointF(120, 120);
    QTest::newRow("144 dpi") << 144.0 << 50 << QPointF(100, 100);
    QTest::newRow("192 dpi") << 192.0 << 66 << QPointF(75, 75);
}

void UiTest::twipsToPixels() {
    QFETCH(double, dpi);
    QFETCH(int, block);
    QFETCH(QPointF, pixel10);
    const TwipScale scale(dpi);
    QCOMPARE(scale.pixels(495), block);
    QCOMPARE(scale.twips(QPointF(10, 10)), pixel10);
    // Pieces that touch in twips touch in pixels, wherever they lie: a wall's right edge and
    // the next piece's left edge meet, at any scale.
    for (int left = 150; left < 9045; left += 105) {
        const QRect a = scale.rect(left, 150, 495, 495);
        const QRect b = scale.rect(left + 495, 150, 495, 495);
        QCOMPARE(a.right() + 1, b.left());
    }
}

void UiTest::typefaceIsArialOrItsTwin() {
    const QString family = gameFontFamily();
    QVERIFY(family == "Arial" || family == "Liberation Sans");
    // The family is really there: the font resolves to it and keeps size and style.
    const QFont font = gameFont(15.75, true, true);
    const QFontInfo info(font);
    QCOMPARE(info.family(), family);
    QVERIFY(info.bold());
    QCOMPARE(font.pointSizeF(), 15.75);
    QVERIFY(font.underline());
}

void UiTest::pictures_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("format");
    // Arrows, black on transparent: the head's tip reaches the side the arrow points to and the
    // bar starts at the middle of the opposite side.
    QTest::addColumn<QPoint>("tip");
    QTest::addColumn<QPoint>("tail");
    const struct {
        const char* name;
        QString path;
        QSize size;
        const char* format;
        QPoint tip;
        QPoint tail;
    } rows[] = {{"left", pictures::arrow(Direction::Left), {33, 33}, "gif", {0, 16}, {32, 16}},
                {"right", pictures::arrow(Direction::Right), {33, 33}, "gif", {32, 16}, {0, 16}},
                {"up", pictures::arrow(Direction::Up), {33, 33}, "gif", {16, 0}, {16, 32}},
                {"down", pictures::arrow(Direction::Down), {33, 33}, "gif", {16, 32}, {16, 0}},
                {"pit", pictures::kPit, {34, 34}, "png", {}, {}},
                {"patch", pictures::kPatch, {32, 32}, "png", {}, {}},
                {"icon", ":/pictures/icons/dovrix-32.png", {32, 32}, "png", {}, {}},
                {"end window", pictures::kEndPicture, {280, 397}, "jpeg", {}, {}}};
    for (const auto& row : rows) {
        QTest::newRow(row.name) << row.path << row.size << QByteArray(row.format) << row.tip
                                << row.tail;
    }
}

void UiTest::pictures() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(QByteArray, format);
    QFETCH(QPoint, tip);
    QFETCH(QPoint, tail);
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
    // Each picture but the icon, which comes in its own sizes, is also drawn twice as large.
    if (!path.startsWith(":/pictures/icons/")) {
        QCOMPARE(QImageReader(pictures::doubleSizePath(path)).size(), size * 2);
    }
    if (tail.isNull()) {
        return;
    }
    for (QPoint p : {tip, tail, QPoint(16, 16)}) {
        QCOMPARE(image.pixelColor(p), QColor(Qt::black));
    }
    for (QPoint corner : {QPoint(0, 0), QPoint(32, 0), QPoint(0, 32), QPoint(32, 32)}) {
        QCOMPARE(image.pixelColor(corner).alpha(), 0);
    }
}

void UiTest::helpAndAboutTexts() {
    testing::RecordingMessageBoxes boxes;
    ShowDirections(boxes, 100);
    ShowDirections(boxes, 7);
    ShowAboutBox(boxes);
    QCOMPARE(boxes.shown.size(), 3u);
    const std::string rules =
        "The goal of Dovrix is to move blocks so that every dot is over a block of the same "
        "color. To move a block, press and hold a mouse button on the block to be moved, drag "
        "the mouse off the block in the desired direction, and then release the mouse button. "
        "The block will move until it hits a wall or another block (or a patch or a pit). Only "
        "one block can be moved at a time.\r\n\r\nSome of the game levels contain special "
        "squares known as patches and pits. If you move a block onto a patch, it will stop "
        "moving until you move it off the patch. But if a block runs into a pit, it will "
        "disappear forever. Once you have successfully completed a level, the next level will "
        "appear, and every time you play the game, the computer will always remember which "
        "levels you have previously beaten. There are a total of ";
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(boxes.shown[i].title, std::string("Dovrix Help"));
        QCOMPARE(boxes.shown[i].icon, MessageIcon::None);
        QCOMPARE(boxes.shown[i].buttons, MessageButtons::Ok);
        QCOMPARE(boxes.shown[i].text(), rules + (i == 0 ? "100 levels." : "7 levels."));
    }
    const MessageBox& about = boxes.shown[2];
    QCOMPARE(about.title, std::string("About Dovrix"));
    QCOMPARE(about.icon, MessageIcon::None);
    QCOMPARE(about.text(),
             std::string(
                 "This game was made by Maelor Pelvaro in late 2008 and early 2009 after he had "
                 "been programming for only one semester. It is a fun strategy game that is "
                 "sometimes found in other programs as a little mini-game. In the summer and fall "
                 "of 2009, after gaining more programming experience, Maelor greatly simplified "
                 "the program code, created lots of additional game levels, and added new "
                 "features to both the levels and the program.  Further program enhancements "
                 "were then made by Ostren Amberlan, who also wrote the code for managing the "
                 "online user accounts and the level data storage and retrieval."));
}

void UiTest::messageBoxesOnScreen_data() {
    QTest::addColumn<int>("buttons"); // MessageButtons
    QTest::addColumn<int>("icon");    // MessageIcon
    QTest::addColumn<int>("press");   // the QMessageBox button pressed, or 0 for Escape
    QTest::addColumn<int>("answer");  // MessageAnswer
    QTest::addColumn<int>("qtIcon");
    const auto ok = int(MessageButtons::Ok);
    const auto yesNo = int(MessageButtons::YesNo);
    QTest::newRow("OK, exclamation") << ok << int(MessageIcon::Exclamation) << int(QMessageBox::Ok)
                                     << int(MessageAnswer::Ok) << int(QMessageBox::Warning);
    QTest::newRow("OK, stop") << ok << int(MessageIcon::Stop) << int(QMessageBox::Ok)
                              << int(MessageAnswer::Ok) << int(QMessageBox::Critical);
    QTest::newRow("OK, none") << ok << int(MessageIcon::None) << 0 << int(MessageAnswer::Ok)
                              << int(QMessageBox::NoIcon);
    QTest::newRow("Yes") << yesNo << int(MessageIcon::Question) << int(QMessageBox::Yes)
                         << int(MessageAnswer::Yes) << int(QMessageBox::Question);
    QTest::newRow("No") << yesNo << int(MessageIcon::Question) << int(QMessageBox::No)
                        << int(MessageAnswer::No) << int(QMessageBox::Question);
    QTest::newRow("Escape on a question") << yesNo << int(MessageIcon::Question) << 0
                                          << int(MessageAnswer::No) << int(QMessageBox::Question);
}

void UiTest::messageBoxesOnScreen() {
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(int, press);
    QFETCH(int, answer);
    QFETCH(int, qtIcon);
    const MessageBox box{"Dovrix -- Topic",
                         {"First line ", "", "third: 3."},
                         static_cast<MessageIcon>(icon),
                         static_cast<MessageButtons>(buttons)};

    QString title;
    QString text;
    QMessageBox::StandardButtons shownButtons;
    int shownIcon = -1;
    // The box is modal: look at it, then answer it, from inside its own event loop.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        title = dialog->windowTitle();
        text = dialog->text();
        shownButtons = dialog->standardButtons();
        shownIcon = dialog->icon();
        if (press == 0) {
            QTest::keyClick(dialog, Qt::Key_Escape);
        } else {
            dialog->button(static_cast<QMessageBox::StandardButton>(press))->click();
        }
    });
    QtMessageBoxes service;
    QCOMPARE(int(service.show(box)), answer);
    QCOMPARE(title, QString("Dovrix -- Topic"));
    QCOMPARE(text, QString("First line \r\n\r\nthird: 3."));
    QCOMPARE(shownIcon, qtIcon);
    QCOMPARE(shownButtons, buttons == int(MessageButtons::YesNo)
                               ? QMessageBox::Yes | QMessageBox::No
                               : QMessageBox::StandardButtons(QMessageBox::Ok));
}

} // namespace dovrix

QTEST_MAIN(dovrix::UiTest)
#include "ui_test.moc"
