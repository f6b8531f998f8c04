// The play window with real mouse and key events on the offscreen platform. The tests tick
// tmrMove themselves, except the one that watches the timer run a slide.

#define QTEST_QPA_MOUSE_HANDLING
#include "catalogue.h"
#include "recording_play_services.h"
#include "window_checks.h"

#include <QAction>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionSlider>

#include <set>

Q_DECLARE_METATYPE(dovrix::Direction)

namespace dovrix::testing {

namespace {

// A blue block in the open and a red dot that nothing covers: a level that never ends.
const std::string kOpenBoard = "0,0,0,0,0,0,1,7,7,1,1,0,0,2,";

// Opens the scroll bar's own style options, which its style places the arrows and thumb by.
struct StyledScrollBar : QScrollBar {
    using QScrollBar::initStyleOption;
};

// Level 1 of the catalogue on the board, every other level kOpenBoard, all of them reached.
struct Game {
    Game() {
        shared.levelCount = kCatalogueSize;
        LoadLevelTable(shared);
        for (int other = 2; other <= kCatalogueSize; ++other) {
            shared.levelStrings[other] = kOpenBoard;
        }
        shared.levelReached = kCatalogueSize;
        shared.playerName = "Mary";
        window.setLevelScrollBarMaximum(kCatalogueSize);
        window.setMoveTimerDrivenByCaller(true);
        startAt(1);
    }

    void startAt(int level) {
        int16_t number = static_cast<int16_t>(level);
        window.DisplayPuzzle(number);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    PlayWindowState& state() { return window.play().state(); }
    BoardView* board() { return window.findChild<BoardView*>("board"); }
    template <typename T>
    T* control(const char* name) {
        return window.findChild<T*>(name);
    }
    PieceRef block(Colour colour, int index) {
        return state().board.ref(blockFamily(colour), static_cast<int16_t>(index));
    }
    Rect rect(const PieceRef& piece) { return state().board.find(piece)->rect; }
    QRect pixels(const PieceRef& piece) { return scale.rect(rect(piece)); }
    QColor pixelAt(QPoint p) { return board()->grab().toImage().pixelColor(p); }
    // What the window shows of the level in play: title | level | moves | scroll bar | undo.
    QString shown() {
        return QStringList({window.windowTitle(), control<QLabel>("lblLevel")->text(),
                            control<QLabel>("lblMoves")->text(),
                            QString::number(control<QScrollBar>("hsbLevel")->value()),
                            control<QPushButton>("cmdUndoMove")->isEnabled() ? "undo" : "no undo"})
            .join(" | ");
    }
    SharedState shared;
    RecordingMessageBoxes messages;
    RecordingPlayServices services;
    TwipScale scale = TwipScale::forScreen(nullptr);
    FrmMain window{shared, messages, services};
};

} // namespace

class FrmMainTest : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void menusTabOrderHelpAndAbout();
    void dragSlidesTheBlock_data();
    void dragSlidesTheBlock();
    void arrowFollowsThePointer();
    void solvingALevelByDrags();
    void undoAndRestart_data();
    void undoAndRestart();
    void levelScrollBarKeys_data();
    void levelScrollBarKeys();
    void levelScrollBarMouse();
    void moveTimerRunsTheSlide();
    void boardPieces();
};

void FrmMainTest::layout_data() {
    // Level 1 on the board: its number, its par and no moves yet.
    const QColor navy(0, 0, 128), maroon(128, 0, 0), black(0, 0, 0);
    const QString needed = "Moves required to\r\ncomplete this level:";
    addControlRows({
        {"lblTitle", {9300, -135, 3120, 885}, "Dovrix", 36, true, navy, {}, Qt::AlignHCenter, true},
        {"lblLevel", {9300, 1170, 3120, 585}, "Level:  1", 30, true, maroon},
        {"lblChooseLevel", {9240, 2310, 3240, 375}, "Choose a Different Level:", 12, true, black},
        {"hsbLevel", {9240, 2775, 3210, 375}},
        {"lblMinLevel", {9315, 3240, 855, 375}, "1", 15.75, true, black, {}, Qt::AlignLeft},
        {"lblMaxLevel", {11520, 3240, 855, 375}, "100", 15.75, true, black, {}, Qt::AlignRight},
        {"cmdRestart", {9600, 4110, 2535, 615}, "Restart Level", 18, false, {}, {128, 128, 255}},
        {"cmdUndoMove", {9600, 4905, 2535, 615}, "Undo Move", 18, false, {}, {192, 0, 192}},
        {"cmdExit", {9600, 5700, 2535, 615}, "Exit Program", 18, false, {}, {192, 0, 0}},
        {"lblMovesNeeded", {9600, 6870, 2520, 615}, needed, 12, true, black},
        {"lblParValue", {9720, 7485, 2295, 495}, "5", 20, true, navy},
        {"lblMovesMade", {9600, 8370, 2520, 375}, "Moves made so far:", 12, true, black},
        {"lblMoves", {9720, 8700, 2295, 495}, "0", 20.25, true, maroon},
    });
}

void FrmMainTest::layout() {
    Game game;
    checkControlRow(game.window, game.scale);
    QCOMPARE(game.window.centralWidget()->size(), game.scale.rect(0, 0, 12495, 9210).size());
}

void FrmMainTest::menusTabOrderHelpAndAbout() {
    Game game;
    QCOMPARE(menuText(game.window),
             QString("File: mnuRestart Restart Level (Ctrl+R), mnuExit Exit (Ctrl+X) | "
                     "Edit: mnuUndoMove Undo Move (Ctrl+U) | "
                     "Help: mnuDirections How to Play (Ctrl+H), mnuAbout About (Ctrl+A)"));

    QCOMPARE(tabOrder(game.control<QWidget>("hsbLevel"), 5),
             QStringList({"hsbLevel", "cmdRestart", "cmdUndoMove", "cmdExit", "hsbLevel"}));

    QTest::keyClick(&game.window, Qt::Key_H, Qt::ControlModifier);
    QTest::keyClick(&game.window, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(titles(game.messages), (std::vector<std::string>{"Dovrix Help", "About Dovrix"}));
    QVERIFY(game.messages.shown[0].text().ends_with(" There are a total of 100 levels."));
    QVERIFY(game.services.calls.empty());
}

void FrmMainTest::dragSlidesTheBlock_data() {
    QTest::addColumn<Direction>("direction");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left, left button") << Direction::Left << Qt::LeftButton;
    QTest::newRow("right, right button") << Direction::Right << Qt::RightButton;
    QTest::newRow("up, middle button") << Direction::Up << Qt::MiddleButton;
    QTest::newRow("down, right button") << Direction::Down << Qt::RightButton;
}

void FrmMainTest::dragSlidesTheBlock() {
    QFETCH(Direction, direction);
    QFETCH(Qt::MouseButton, button);
    Game game;
    game.startAt(2); // kOpenBoard: the blue block in the middle, at 4350, 4350
    const PieceRef blue = game.block(Colour::Blue, 1);
    const QRect start = game.pixels(blue);
    game.control<QPushButton>("cmdExit")->setFocus(); // the counted move takes it back

    QTest::mousePress(game.board(), button, {}, start.center());
    tick(game.window);
    QTest::mouseMove(game.board(), beyond(start, direction));
    // The arrow of the direction covers the block while the button is held; nothing moves yet.
    QVERIFY(game.state().board.find(game.state().board.arrow(direction))->visible);
    QCOMPARE(game.pixelAt(start.center()), QColor(Qt::black));
    tick(game.window);
    QCOMPARE(game.pixels(blue), start);

    QTest::mouseRelease(game.board(), button, {}, beyond(start, direction));
    tickUntilStill(game.window);
    QVERIFY(game.state().movesMade == 1 && game.control<QScrollBar>("hsbLevel")->hasFocus());
    // On screen: the block at its new place, the arrow gone, the old place empty.
    QCOMPARE(game.pixelAt(game.pixels(blue).center()), QColor(0, 0, 255));
    QCOMPARE(game.pixelAt(start.center()), game.board()->palette().color(QPalette::Window));
}

void FrmMainTest::arrowFollowsThePointer() {
    Game game;
    // A blue block with a red dot on it, below a wall.
    game.shared.levelStrings[2] = "0,0,0,1,7,6,0,0,0,0,1,7,7,1,1,7,7,2,";
    game.startAt(2);
    const PieceRef blue = game.block(Colour::Blue, 1);
    const QRect r = game.pixels(blue);
    auto arrowShown = [&game](Direction d) {
        return game.state().board.find(game.state().board.arrow(d))->visible;
    };

    // Presses on the wall or the empty board select nothing; one on the dot reaches the block.
    QTest::mouseClick(game.board(), Qt::LeftButton, {}, r.center() - QPoint(0, 40));
    QTest::mouseClick(game.board(), Qt::LeftButton, {}, r.center() + QPoint(80, 0));
    QCOMPARE(game.state().selectedBlock, game.state().board.blank());
    QTest::mousePress(game.board(), Qt::LeftButton, {}, r.center());
    QCOMPARE(game.state().selectedBlock, blue);

    // Positions reach the rules in twips relative to the block, 15 to a pixel: 7 pixels left
    // of it and level with it is (-105, 195), "Left"; its far edge, (495, 0), is on it.
    QTest::mouseMove(game.board(), r.topLeft() + QPoint(-7, 13));
    QVERIFY(arrowShown(Direction::Left));
    QTest::mouseMove(game.board(), r.topLeft() + QPoint(33, 0));
    QVERIFY(game.state().moveDirection == Direction::None && !arrowShown(Direction::Left));
    QTest::mouseRelease(game.board(), Qt::LeftButton, {}, r.topLeft() + QPoint(33, 0));
    tickUntilStill(game.window);
    QCOMPARE(std::pair(game.pixels(blue), game.state().movesMade), std::pair(r, 0));
}

void FrmMainTest::solvingALevelByDrags() {
    Game game;
    game.shared.levelReached = 1;
    // Level 2: a blue block below a patch that holds its dot.
    game.shared.levelStrings[2] = "1,0,0,0,0,1,7,3,1,7,7,1,1,7,3,1,";
    // Level 1, par 5: each of the five blue blocks flicked up once, onto its dot.
    for (int i = 1; i <= 5; ++i) {
        QVERIFY(game.messages.shown.empty());
        dragBlock(game.window, game.block(Colour::Blue, i), Direction::Up);
    }
    QCOMPARE(titles(game.messages), std::vector<std::string>{"Level Beaten"});
    // The next level is on the board and in play, with no move to take back: not even after
    // its first tick, which would enable undo after a move of the level before.
    QVERIFY(game.state().tmrMoveEnabled);
    tick(game.window);
    QCOMPARE(game.shown(), QString("Dovrix -- Level 2 | Level:  2 | 0 | 2 | no undo"));

    // The block stops on the patch in the tick that beats the level: behind the box, the
    // screen shows it there (its corner, off the dot), not one step short.
    const QPoint corner = game.scale.rect(Rect{4350, 1950, 495, 495}).topLeft() + QPoint(2, 2);
    QColor behindTheBox;
    game.messages.whileOpen = [&] {
        QCoreApplication::processEvents(); // as in the box's own event loop
        const QImage screen = game.window.screen()->grabWindow(game.window.winId()).toImage();
        behindTheBox = screen.pixelColor(game.board()->mapTo(&game.window, corner));
    };
    dragBlock(game.window, game.block(Colour::Blue, 1), Direction::Up);
    QCOMPARE(titles(game.messages).size(), 2u);
    QCOMPARE(behindTheBox, QColor(0, 0, 255));
}

void FrmMainTest::undoAndRestart_data() {
    QTest::addColumn<QString>("control"); // a button, or a shortcut
    QTest::newRow("Undo Move button") << "cmdUndoMove";
    QTest::newRow("Ctrl+U") << "Ctrl+U";
    QTest::newRow("Restart Level button") << "cmdRestart";
    QTest::newRow("Ctrl+R") << "Ctrl+R";
}

void FrmMainTest::undoAndRestart() {
    QFETCH(QString, control);
    Game game;
    const auto takeBack = [&] {
        if (control.startsWith("cmd")) {
            QTest::mouseClick(game.control<QPushButton>(qPrintable(control)), Qt::LeftButton);
        } else {
            const QKeyCombination key = QKeySequence(control)[0];
            QTest::keyClick(&game.window, key.key(), key.keyboardModifiers());
        }
    };
    auto* undoItem = game.control<QAction>("mnuUndoMove");
    dragBlock(game.window, game.block(Colour::Blue, 1), Direction::Up);
    QVERIFY(game.shown().endsWith("| undo") && undoItem->isEnabled());
    game.control<QPushButton>("cmdExit")->setFocus();
    takeBack(); // restarting rebuilds the board: its pieces are looked up afresh
    const PieceRef blue = game.block(Colour::Blue, 1);
    QCOMPARE(game.rect(blue).top, 5850);
    QCOMPARE(game.shown(), QString("Dovrix -- Level 1 | Level:  1 | 0 | 1 | no undo"));
    QVERIFY(!undoItem->isEnabled() && game.control<QScrollBar>("hsbLevel")->hasFocus());
    QCoreApplication::processEvents();
    QCOMPARE(game.pixelAt(game.pixels(blue).center()), QColor(0, 0, 255));
}

void FrmMainTest::levelScrollBarKeys_data() {
    QTest::addColumn<int>("level"); // in play after the key; 3 before it, 5 reached
    for (const char* key : {"Left", "Up", "PgUp"}) {
        QTest::newRow(key) << 2;
    }
    for (const char* key : {"Right", "Down", "PgDown"}) {
        QTest::newRow(key) << 4;
    }
    QTest::newRow("Home") << 1;
    for (const char* key : {"End", "Ctrl+End", "Shift+End", "Ctrl+Alt+End"}) {
        QTest::newRow(key) << 5;
    }
    QTest::newRow("Alt+End") << 3; // the scroll bar's maximum: refused
}

void FrmMainTest::levelScrollBarKeys() {
    QFETCH(int, level);
    const QKeyCombination key = QKeySequence(QTest::currentDataTag())[0];
    Game game;
    game.shared.levelReached = 5;
    game.startAt(3);
    dragBlock(game.window, game.block(Colour::Blue, 1), Direction::Up);
    auto* bar = game.control<QScrollBar>("hsbLevel");
    QVERIFY(bar->hasFocus());

    QTest::keyClick(bar, key.key(), key.keyboardModifiers());
    QCOMPARE(int(game.shared.currentLevel), level);
    // A refused level leaves the board and its move alone.
    const bool refused = level == 3;
    QCOMPARE(game.shown(), QString("Dovrix -- Level %1 | Level:  %1 | %2 | %1 | %3")
                               .arg(level)
                               .arg(refused ? 1 : 0)
                               .arg(refused ? "undo" : "no undo"));
    QCOMPARE(titles(game.messages), refused
                                        ? std::vector<std::string>{"Can't Exceed Unbeaten Levels"}
                                        : std::vector<std::string>{});
}

void FrmMainTest::levelScrollBarMouse() {
    Game game;
    game.startAt(3);
    auto* bar = game.control<QScrollBar>("hsbLevel");
    auto part = [bar](QStyle::SubControl control) {
        QStyleOptionSlider option;
        (bar->*&StyledScrollBar::initStyleOption)(&option);
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, control, bar);
    };

    // The arrows and the track step by one level.
    const auto trackEnd = [&] {
        const QRect track = part(QStyle::SC_ScrollBarAddPage);
        return QPoint(track.right() - 2, track.center().y());
    };
    std::vector<int> levels;
    for (const QPoint at : {part(QStyle::SC_ScrollBarAddLine).center(),
                            part(QStyle::SC_ScrollBarSubLine).center(), trackEnd()}) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, at);
        levels.push_back(game.shared.currentLevel);
    }
    QCOMPARE(levels, (std::vector<int>{4, 3, 4}));

    // The thumb changes the level only when it is let go.
    const QPoint thumb = part(QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, thumb + QPoint(30, 0));
    QTest::mouseMove(bar, thumb + QPoint(60, 0));
    QVERIFY(game.shared.currentLevel == 4 && bar->sliderPosition() > 4);
    const int chosen = bar->sliderPosition();
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(60, 0));
    QVERIFY(game.shared.currentLevel == chosen && game.messages.shown.empty());

    // Beyond the reached level: refused, and while the box is open the bar shows the level in
    // play, steadily, with the move timer running and the button still held (the box takes
    // the release) for several of the arrow's repeat intervals.
    game.shared.levelReached = 40;
    game.startAt(40);
    game.window.setMoveTimerDrivenByCaller(false);
    std::set<int> shown;
    game.messages.whileOpen = [&] {
        for (int i = 0; i < 40; ++i) {
            shown.insert(bar->value());
            shown.insert(bar->sliderPosition());
            QTest::qWait(20);
        }
    };
    for (const QPoint at : {part(QStyle::SC_ScrollBarAddLine).center(), trackEnd()}) {
        QTest::mousePress(bar, Qt::LeftButton, {}, at);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
    }
    const QPoint thumb40 = part(QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb40);
    QTest::mouseMove(bar, thumb40 + QPoint(40, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb40 + QPoint(40, 0));
    QCOMPARE(titles(game.messages), std::vector<std::string>(3, "Can't Exceed Unbeaten Levels"));
    QCOMPARE(shown, std::set<int>{40});
    QCOMPARE(std::pair(int(game.shared.currentLevel), bar->value()), std::pair(40, 40));
}

void FrmMainTest::moveTimerRunsTheSlide() {
    Game game;
    game.window.setMoveTimerDrivenByCaller(false);
    QVERIFY(game.window.findChild<QTimer*>("tmrMove")->isActive());
    const PieceRef blue = game.block(Colour::Blue, 1);
    dragBlock(game.window, blue, Direction::Up, Qt::LeftButton, false);
    // Sixteen steps of 150 twips, a tick each.
    QTRY_COMPARE_WITH_TIMEOUT(game.rect(blue).top, int16_t(3450), 5000);
}

void FrmMainTest::boardPieces() {
    Game game;
    // A wall, a pit, a patch, a green block, a blue block under a blue dot, a red dot alone.
    game.shared.levelStrings[2] = "0,0,0,1,1,1,3,0,1,5,1,1,7,1,2,9,1,3,11,1,1,2,11,1,1,13,5,2,";
    game.startAt(2);
    // Its par is unknown: written out, in smaller type.
    const QLabel* par = game.control<QLabel>("lblParValue");
    QCOMPARE(std::pair(par->text(), par->font().pointSizeF()), std::pair(QString("Unknown"), 14.0));
    const QImage image = game.board()->grab().toImage();
    const QColor background = game.board()->palette().color(QPalette::Window);
    const QColor black(Qt::black), blueFill(0, 0, 255);
    // The frame's 3-pixel border, the wall 1695 twips (113 pixels) wide, the green block, the
    // blue block and the blue dot on it, the red dot.
    const std::vector<std::pair<QPoint, QColor>> spots = {
        {{2, 300}, black},     {{4, 300}, background},  {{60, 60}, black},
        {{162, 82}, black},    {{163, 60}, background}, {{386, 66}, QColor(0, 192, 0)},
        {{451, 51}, blueFill}, {{466, 66}, blueFill},   {{546, 226}, QColor(255, 0, 0)}};
    for (const auto& [at, colour] : spots) {
        QCOMPARE(image.pixelColor(at), colour);
    }
    const QColor pit = image.pixelColor(227, 67);
    QVERIFY(pit.red() == pit.green() && pit.red() < 100); // dark grey in its middle
    const QColor patch = image.pixelColor(306, 66);
    QVERIFY(patch.red() > patch.green() && patch.green() > patch.blue());
    QVERIFY(image.pixelColor(466, 58).value() < 100); // the dot's dark rim

    // Slid down off the dot, the block leaves it drawn.
    dragBlock(game.window, game.block(Colour::Blue, 1), Direction::Down);
    QCOMPARE(game.pixelAt(QPoint(466, 66)), QColor(0, 0, 255));

    // A board goes while the rules it draws are there, not by QWidget's destructor, which runs
    // after the window's members are gone.
    auto window = std::make_unique<FrmMain>(game.shared, game.messages, game.services);
    std::optional<bool> windowWhole;
    connect(
        window->findChild<BoardView*>("board"), &QObject::destroyed,
        [&windowWhole, w = window.get()] { windowWhole = qobject_cast<FrmMain*>(w) != nullptr; });
    window.reset();
    QCOMPARE(windowWhole, std::optional<bool>(true));
}

} // namespace dovrix::testing

QTEST_MAIN(dovrix::testing::FrmMainTest)
#include "frm_main_test.moc"
