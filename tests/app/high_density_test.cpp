// The game's windows on a screen with two device pixels to a pixel: CTest starts this program
// with QT_SCALE_FACTOR=2, as a player on a high-density screen would start the game. Pictures
// enlarged from their ordinary size show up as cells of 2 x 2 equal device pixels; pictures
// drawn for the screen have edges and shading that fall between those cells.

#include "beeper.h"
#include "board_view.h"
#include "catalogue.h"
#include "game.h"
#include "recording_message_boxes.h"

#include <QLabel>
#include <QtTest>

namespace dovrix::testing {

namespace {

// Whether every aligned 2 x 2 cell of the area holds one colour: a picture of half the
// resolution, doubled.
bool doubledFromHalfSize(const QImage& image, const QRect& area) {
    for (int y = area.top(); y < area.bottom(); y += 2) {
        for (int x = area.left(); x < area.right(); x += 2) {
            const QRgb first = image.pixel(x, y);
            if (image.pixel(x + 1, y) != first || image.pixel(x, y + 1) != first ||
                image.pixel(x + 1, y + 1) != first) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class HighDensityTest : public QObject {
    Q_OBJECT
private slots:
    void picturesAtTheScreensResolution();
};

void HighDensityTest::picturesAtTheScreensResolution() {
    SharedState shared;
    RecordingMessageBoxes messages;
    SystemBeeper beeper;
    Game game(shared, messages, beeper);
    shared.levelCount = kCatalogueSize;
    LoadLevelTable(shared);
    // A pit, a patch, a blue block and a red dot on an open board.
    shared.levelStrings[1] = "0,0,0,0,1,10,2,1,10,6,1,2,2,1,1,12,12,2,";
    shared.levelReached = 1;
    int16_t level = 1;
    game.DisplayPuzzle(level);
    game.showPlayWindow();
    FrmMain& window = game.frmMain();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.devicePixelRatioF(), 2.0);

    // The block held with the pointer past its right edge: the arrow is drawn over it.
    auto* board = window.findChild<BoardView*>(QStringLiteral("board"));
    const Board& pieces = window.play().state().board;
    const TwipScale scale = TwipScale::forScreen(window.screen());
    const QRect block = scale.rect(pieces.find(pieces.ref(Family::BlueBlock, 1))->rect);
    QTest::mousePress(board, Qt::LeftButton, {}, block.center());
    QTest::mouseMove(board, block.center() + QPoint(block.width(), 0));
    QVERIFY(pieces.find(pieces.arrow(Direction::Right))->visible);

    const QImage screen = board->grab().toImage();
    QCOMPARE(screen.size(), board->size() * 2);
    const struct {
        const char* name;
        PieceRef piece;
    } drawn[] = {{"arrow", pieces.arrow(Direction::Right)},
                 {"pit", pieces.ref(Family::Pit, 1)},
                 {"patch", pieces.ref(Family::Patch, 1)},
                 {"dot", pieces.ref(Family::RedDot, 1)}};
    for (const auto& [name, piece] : drawn) {
        const QRect pixels = scale.rect(pieces.find(piece)->rect);
        const QRect device(pixels.topLeft() * 2, pixels.size() * 2);
        QVERIFY2(!doubledFromHalfSize(screen, device), name);
    }
    QTest::mouseRelease(board, Qt::LeftButton, {}, block.center());

    // The icon in a title bar of 32 pixels.
    const QPixmap icon = window.windowIcon().pixmap(QSize(32, 32), 2.0);
    QCOMPARE(icon.size(), QSize(64, 64));
    QVERIFY(!doubledFromHalfSize(icon.toImage(), icon.rect()));

    // The end window shows its picture's large variant pixel for pixel.
    FrmEnd& end = game.frmEnd();
    end.show();
    QVERIFY(QTest::qWaitForWindowExposed(&end));
    auto* picture = end.findChild<QLabel*>(QStringLiteral("imgMaelor"));
    const QImage large = QImage(QStringLiteral(":/pictures/end@2x.jpg"));
    QCOMPARE(picture->grab().toImage().convertToFormat(large.format()), large);
}

} // namespace dovrix::testing

QTEST_MAIN(dovrix::testing::HighDensityTest)
#include "high_density_test.moc"
