// The play window with real mouse and key events on the offscreen platform. The tests tick
// tmrMove themselves, except the one that watches the timer run a slide.

#define QTEST_QPA_MOUSE_HANDLING
#include "board_view.h"
#include "catalogue.h"
#include "fonts.h"
#include "frm_main.h"
#include "recording_message_boxes.h"
#include "recording_play_services.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QtTest>

#include <memory>

namespace dovrix {

using testing::RecordingMessageBoxes;
using testing::RecordingPlayServices;

namespace {

// A blue block in the open and a red dot that nothing covers: a level that never ends.
const std::string kOpenBoard = "0,0,0,0,0,0,1,7,7,1,1,0,0,2,";

struct Game {
    explicit Game(int level = 1) {
        shared.levelCount = kCatalogueSize;
        LoadLevelTable(shared);
        for (int other = 2; other <= kCatalogueSize; ++other) {
            shared.levelStrings[other] = kOpenBoard;
        }
        shared.levelReached = kCatalogueSize;
        shared.playerName = "Mary";
        window = std::make_unique<FrmMain>(shared, messages, services);
        window->setLevelScrollBarMaximum(kCatalogueSize);
        window->setMoveTimerDrivenByCaller(true);
        startAt(level);
    }

    void startAt(int level) {
        int16_t number = static_cast<int16_t>(level);
        window->DisplayPuzzle(number);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    PlayWindowState& state() { return window->play().state(); }
    BoardView* board() { return window->findChild<BoardView*>("board"); }
    template <typename T>
    T* control(const char* name) {
        return window->findChild<T*>(name);
    }
    PieceRef block(Colour colour, int index) {
        return state().board.ref(blockFamily(colour), static_cast<int16_t>(index));
    }
    Rect rect(const PieceRef& piece) { return state().board.find(piece)->rect; }
    QRect pixels(const PieceRef& piece) { return scale.rect(rect(piece)); }

    void tick() {
        window->tickMoveTimer();
        QCoreApplication::processEvents();
    }
    // Ticks until no block moves, and once more: the tick that gives undo back.
    void tickUntilStill() {
        for (int i = 0; i < 200 && state().tmrMoveEnabled; ++i) {
            tick();
            if (!state().blockMoving) {
                break;
            }
        }
        tick();
    }

    static QPoint beyond(const QRect& r, Direction direction) {
        switch (direction) {
        case Direction::Left:
            return {r.left() - 10, r.center().y()};
        case Direction::Right:
            return {r.right() + 10, r.center().y()};
        case Direction::Up:
            return {r.center().x(), r.top() - 10};
        case Direction::Down:
            return {r.center().x(), r.bottom() + 10};
        case Direction::None:
            break;
        }
        return r.center();
    }

    // Press on the block, a tick with the button held, drag past its edge, release, and let the
    // timer run the slide.
    void drag(const PieceRef& piece, Direction direction, Qt::MouseButton button = Qt::LeftButton) {
        const QRect r = pixels(piece);
        QTest::mousePress(board(), button, {}, r.center());
        tick();
        QTest::mouseMove(board(), beyond(r, direction));
        QTest::mouseRelease(board(), button, {}, beyond(r, direction));
        tickUntilStill();
    }

    QColor pixelAt(QPoint p) { return board()->grab().toImage().pixelColor(p); }

    SharedState shared;
    RecordingMessageBoxes messages;
    RecordingPlayServices services;
    TwipScale scale = TwipScale::forScreen(nullptr);
    std::unique_ptr<FrmMain> window;
};

std::vector<std::string> titles(const RecordingMessageBoxes& boxes) {
    std::vector<std::string> result;
    for (const MessageBox& box : boxes.shown) {
        result.push_back(box.title);
    }
    return result;
}

} // namespace

class FrmMainTest : public QObject {
    Q_OBJECT
private slots:
    void layout_data();
    void layout();
    void loadMenusTabOrderAndTimer();
    void dragSlidesTheBlock_data();
    void dragSlidesTheBlock();
    void arrowFollowsThePointer();
    void solvingALevelByDrags_data();
    void solvingALevelByDrags();
    void undo_data();
    void undo();
    void restart_data();
    void restart();
    void levelScrollBarKeys_data();
    void levelScrollBarKeys();
    void levelScrollBarMouse();
    void helpAndAbout();
    void exitPaths_data();
    void exitPaths();
    void lastLevelClosesTheWindowAfterTheTick();
    void moveTimerRunsTheSlide();
    void boardPiecesAndPartialRepaints();
};

void FrmMainTest::layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("colour"); // text colour of labels, fill of buttons
    const QColor black(0, 0, 0);
    auto row = [](const char* name, QRect twips, const char* text, double points, bool bold,
                  QColor colour) {
        QTest::newRow(name) << QString(name) << twips << QString(text) << points << bold << colour;
    };
    row("lblTitle", {9300, -135, 3120, 885}, "Dovrix", 36, true, QColor(0, 0, 128));
    row("lblLevel", {9300, 1170, 3120, 585}, "Level:  1", 30, true, QColor(128, 0, 0));
    row("lblChooseLevel", {9240, 2310, 3240, 375}, "Choose a Different Level:", 12, true, black);
    row("lblMinLevel", {9315, 3240, 855, 375}, "1", 15.75, true, black);
    row("lblMaxLevel", {11520, 3240, 855, 375}, "100", 15.75, true, black);
    row("cmdRestart", {9600, 4110, 2535, 615}, "Restart Level", 18, false, QColor(128, 128, 255));
    row("cmdUndoMove", {9600, 4905, 2535, 615}, "Undo Move", 18, false, QColor(192, 0, 192));
    row("cmdExit", {9600, 5700, 2535, 615}, "Exit Program", 18, false, QColor(192, 0, 0));
    row("lblMovesNeeded", {9600, 6870, 2520, 615}, "Moves required to\r\ncomplete this level:", 12,
        true, black);
    row("lblParValue", {9720, 7485, 2295, 495}, "5", 20, true, QColor(0, 0, 128));
    row("lblMovesMade", {9600, 8370, 2520, 375}, "Moves made so far:", 12, true, black);
    row("lblMoves", {9720, 8700, 2295, 495}, "0", 20.25, true, QColor(128, 0, 0));
    row("hsbLevel", {9240, 2775, 3210, 375}, "", 0, false, QColor());
}

void FrmMainTest::layout() {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(QColor, colour);
    Game game;
    auto* widget = game.window->findChild<QWidget*>(name);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->geometry(),
             game.scale.rect(twips.x(), twips.y(), twips.width(), twips.height()));
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        QCOMPARE(label->textFormat(), Qt::PlainText);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QCOMPARE(button->text(), text);
        QCOMPARE(button->palette().color(QPalette::Button), colour);
    }
    if (points > 0) {
        QCOMPARE(widget->font().pointSizeF(), points);
        QCOMPARE(widget->font().bold(), bold);
        QCOMPARE(widget->font().family(), gameFontFamily());
    }
    QCOMPARE(game.window->centralWidget()->size(), game.scale.rect(0, 0, 12495, 9210).size());
}

void FrmMainTest::loadMenusTabOrderAndTimer() {
    SharedState shared;
    RecordingMessageBoxes messages;
    RecordingPlayServices services;
    FrmMain window(shared, messages, services);
    // As the window's load leaves it, before any level is built.
    QCOMPARE(window.objectName(), QString("frmMain"));
    QCOMPARE(window.windowTitle(), QString("Dovrix"));
    QCOMPARE(window.findChild<QLabel*>("lblLevel")->text(), QString("Level:  100"));
    QCOMPARE(window.findChild<QLabel*>("lblParValue")->text(), QString("0"));
    QVERIFY(!window.findChild<QPushButton*>("cmdUndoMove")->isEnabled());
    QVERIFY(!window.windowIcon().isNull());
    auto* timer = window.findChild<QTimer*>("tmrMove");
    QCOMPARE(timer->interval(), 15);
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    QVERIFY(!timer->isActive());

    // The level on the board starts the timer; the window does not tick it when told so.
    shared.levelCount = kCatalogueSize;
    LoadLevelTable(shared);
    int16_t level = 0;
    window.DisplayPuzzle(level);
    QCOMPARE(level, 1);
    QVERIFY(timer->isActive());
    window.setMoveTimerDrivenByCaller(true);
    QVERIFY(!timer->isActive());

    const struct {
        const char* name;
        const char* text;
        QKeySequence shortcut;
        bool enabled;
    } actions[] = {{"mnuRestart", "Restart Level", QKeySequence("Ctrl+R"), true},
                   {"mnuExit", "Exit", QKeySequence("Ctrl+X"), true},
                   {"mnuUndoMove", "Undo Move", QKeySequence("Ctrl+U"), false},
                   {"mnuDirections", "How to Play", QKeySequence("Ctrl+H"), true},
                   {"mnuAbout", "About", QKeySequence("Ctrl+A"), true}};
    for (const auto& expected : actions) {
        auto* action = window.findChild<QAction*>(expected.name);
        QVERIFY2(action != nullptr, expected.name);
        QCOMPARE(action->text(), QString(expected.text));
        QCOMPARE(action->shortcut(), expected.shortcut);
        QCOMPARE(action->isEnabled(), expected.enabled);
    }
    QStringList menus;
    for (QAction* menu : window.menuBar()->actions()) {
        menus << menu->text();
    }
    QCOMPARE(menus, QStringList({"File", "Edit", "Help"}));

    QStringList order;
    QWidget* w = window.findChild<QWidget*>("hsbLevel");
    for (int i = 0; i < 4; ++i, w = w->nextInFocusChain()) {
        while (w->focusPolicy() == Qt::NoFocus) {
            w = w->nextInFocusChain();
        }
        order << w->objectName();
    }
    QCOMPARE(order, QStringList({"hsbLevel", "cmdRestart", "cmdUndoMove", "cmdExit"}));
}

void FrmMainTest::dragSlidesTheBlock_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("end"); // left, top in twips
    const struct {
        Direction direction;
        QPoint end;
    } slides[] = {{Direction::Left, {150, 4350}},
                  {Direction::Right, {8550, 4350}},
                  {Direction::Up, {4350, 150}},
                  {Direction::Down, {4350, 8550}}};
    for (const auto& slide : slides) {
        for (const auto& [button, name] :
             {std::pair{Qt::LeftButton, "left"}, std::pair{Qt::RightButton, "right"},
              std::pair{Qt::MiddleButton, "middle"}}) {
            QTest::addRow("%s, %s button", directionName(slide.direction).data(), name)
                << int(slide.direction) << int(button) << slide.end;
        }
    }
}

void FrmMainTest::dragSlidesTheBlock() {
    QFETCH(int, direction);
    QFETCH(int, button);
    QFETCH(QPoint, end);
    Game game;
    game.startAt(2); // kOpenBoard: the blue block in the middle, at 4350, 4350
    const auto d = static_cast<Direction>(direction);
    const auto b = static_cast<Qt::MouseButton>(button);
    const PieceRef blue = game.block(Colour::Blue, 1);
    const QRect start = game.pixels(blue);

    QTest::mousePress(game.board(), b, {}, start.center());
    QCOMPARE(game.state().selectedBlock, blue);
    game.tick();
    QTest::mouseMove(game.board(), Game::beyond(start, d));
    QCOMPARE(game.state().moveDirection, d);
    // The arrow covers the block while the button is held; nothing moves yet.
    QVERIFY(game.state().board.find(game.state().board.arrow(d))->visible);
    QCOMPARE(game.pixelAt(start.center()), QColor(Qt::black));
    game.tick();
    QCOMPARE(game.pixels(blue), start);

    QTest::mouseRelease(game.board(), b, {}, Game::beyond(start, d));
    game.tickUntilStill();
    QCOMPARE(game.rect(blue).left, end.x());
    QCOMPARE(game.rect(blue).top, end.y());
    QCOMPARE(game.control<QLabel>("lblMoves")->text(), QString("1"));
    QVERIFY(game.control<QPushButton>("cmdUndoMove")->isEnabled());
    QVERIFY(game.control<QAction>("mnuUndoMove")->isEnabled());
    QVERIFY(game.control<QScrollBar>("hsbLevel")->hasFocus());
    // On screen: the block at its new place, the arrow gone, the old place empty.
    const QRect now = game.pixels(blue);
    QCOMPARE(game.pixelAt(now.center()), QColor(0, 0, 255));
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
    // of it and level with it is (-105, 195), "Left"; 10 pixels higher, (-105, -150), "Up".
    QTest::mouseMove(game.board(), r.topLeft() + QPoint(-7, 13));
    QVERIFY(arrowShown(Direction::Left));
    QTest::mouseMove(game.board(), r.topLeft() + QPoint(-7, -10));
    QVERIFY(arrowShown(Direction::Up) && !arrowShown(Direction::Left));
    // Back onto the block, its far edge included: no direction, no arrow, and the release
    // starts nothing.
    QTest::mouseMove(game.board(), r.topLeft() + QPoint(33, 0));
    QCOMPARE(game.state().moveDirection, Direction::None);
    QVERIFY(!arrowShown(Direction::Up));
    QTest::mouseRelease(game.board(), Qt::LeftButton, {}, r.topLeft() + QPoint(33, 0));
    game.tickUntilStill();
    QCOMPARE(game.pixels(blue), r);
    QCOMPARE(game.state().movesMade, 0);
}

void FrmMainTest::solvingALevelByDrags_data() {
    QTest::addColumn<bool>("atSchool");
    QTest::addColumn<int>("par");
    QTest::newRow("at home, par matched") << false << 5;
    QTest::newRow("at school, a new record") << true << 9;
}

void FrmMainTest::solvingALevelByDrags() {
    QFETCH(bool, atSchool);
    QFETCH(int, par);
    Game game;
    game.shared.atSchool = atSchool;
    game.shared.levelReached = 1;
    rewriteCataloguePar(game.shared, 1, std::to_string(par));
    game.startAt(1);

    // Level 1: each of the five blue blocks flicked up once, onto its dot.
    for (int i = 1; i <= 5; ++i) {
        QVERIFY(game.messages.shown.empty());
        game.drag(game.block(Colour::Blue, i), Direction::Up);
    }
    if (atSchool) {
        QCOMPARE(titles(game.messages),
                 std::vector<std::string>{"New Level Record -- Your Score Has Been Uploaded"});
        QCOMPARE(game.services.files.size(), 1u);
        QCOMPARE(game.services.files[0].first,
                 std::string("Dovrix/NewPars/Mary--2013-03-03-14-05-09.txt"));
        QCOMPARE(game.services.files[0].second,
                 std::string("Level:  1\r\nMoves:  5\r\nPar:    9\r\n"));
        QCOMPARE(game.services.calls,
                 (std::vector<std::string>{"writeRecordFile", "uploadPar 1 5 9", "SaveProgress"}));
    } else {
        QCOMPARE(titles(game.messages), std::vector<std::string>{"Level Beaten"});
        QCOMPARE(game.messages.shown[0].text(),
                 std::string("Congratulations, Mary!\r\n\r\nYou have completed level 1.\r\n\r\n\r\n"
                             "Number of moves required to beat the level:  5\r\n\r\n"
                             "Number of moves you needed to beat the level:  5"));
        QCOMPARE(game.services.calls, std::vector<std::string>{"UpdateAccount"});
    }
    // The next level is on the board and in play.
    QCOMPARE(game.shared.levelReached, 2);
    QCOMPARE(game.window->windowTitle(), QString("Dovrix -- Level 2"));
    QCOMPARE(game.control<QLabel>("lblLevel")->text(), QString("Level:  2"));
    QCOMPARE(game.control<QLabel>("lblMoves")->text(), QString("0"));
    QCOMPARE(game.control<QScrollBar>("hsbLevel")->value(), 2);
    QVERIFY(!game.control<QPushButton>("cmdUndoMove")->isEnabled());
    QVERIFY(game.state().tmrMoveEnabled);
}

void FrmMainTest::undo_data() {
    QTest::addColumn<bool>("byShortcut");
    QTest::newRow("Undo Move button") << false;
    QTest::newRow("Ctrl+U") << true;
}

void FrmMainTest::undo() {
    QFETCH(bool, byShortcut);
    Game game;
    auto* button = game.control<QPushButton>("cmdUndoMove");
    auto* menu = game.control<QAction>("mnuUndoMove");
    const PieceRef blue = game.block(Colour::Blue, 1);
    game.drag(blue, Direction::Up);
    QVERIFY(button->isEnabled() && menu->isEnabled());
    game.control<QPushButton>("cmdRestart")->setFocus();
    if (byShortcut) {
        QTest::keyClick(game.window.get(), Qt::Key_U, Qt::ControlModifier);
    } else {
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QCOMPARE(game.rect(blue).top, 5850);
    QCOMPARE(game.control<QLabel>("lblMoves")->text(), QString("0"));
    QVERIFY(!button->isEnabled() && !menu->isEnabled());
    QVERIFY(game.control<QScrollBar>("hsbLevel")->hasFocus());
    QCoreApplication::processEvents();
    QCOMPARE(game.pixelAt(game.pixels(blue).center()), QColor(0, 0, 255));

    // Once only: the shortcut does nothing while its item is disabled.
    game.drag(game.block(Colour::Blue, 2), Direction::Up);
    QTest::keyClick(game.window.get(), Qt::Key_U, Qt::ControlModifier);
    QTest::keyClick(game.window.get(), Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(game.state().movesMade, 0);
}

void FrmMainTest::restart_data() {
    QTest::addColumn<bool>("byShortcut");
    QTest::newRow("Restart Level button") << false;
    QTest::newRow("Ctrl+R") << true;
}

void FrmMainTest::restart() {
    QFETCH(bool, byShortcut);
    Game game;
    auto doRestart = [&] {
        if (byShortcut) {
            QTest::keyClick(game.window.get(), Qt::Key_R, Qt::ControlModifier);
        } else {
            QTest::mouseClick(game.control<QPushButton>("cmdRestart"), Qt::LeftButton);
        }
    };
    // With no move made nothing is rebuilt.
    const uint32_t build = game.state().board.generation();
    doRestart();
    QCOMPARE(game.state().board.generation(), build);

    game.drag(game.block(Colour::Blue, 3), Direction::Up);
    game.control<QPushButton>("cmdExit")->setFocus();
    doRestart();
    QVERIFY(game.state().board.generation() != build);
    QCOMPARE(game.rect(game.block(Colour::Blue, 3)).top, 5850);
    QCOMPARE(game.control<QLabel>("lblMoves")->text(), QString("0"));
    QVERIFY(!game.control<QPushButton>("cmdUndoMove")->isEnabled());
    QVERIFY(game.control<QScrollBar>("hsbLevel")->hasFocus());
}

void FrmMainTest::levelScrollBarKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("level"); // in play afterwards; 3 before, 5 reached
    QTest::addColumn<bool>("refused");
    const int none = Qt::NoModifier;
    QTest::newRow("Left") << int(Qt::Key_Left) << none << 2 << false;
    QTest::newRow("Up") << int(Qt::Key_Up) << none << 2 << false;
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << none << 2 << false;
    QTest::newRow("Right") << int(Qt::Key_Right) << none << 4 << false;
    QTest::newRow("Down") << int(Qt::Key_Down) << none << 4 << false;
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << none << 4 << false;
    QTest::newRow("Home") << int(Qt::Key_Home) << none << 1 << false;
    QTest::newRow("End") << int(Qt::Key_End) << none << 5 << false;
    QTest::newRow("Ctrl+End") << int(Qt::Key_End) << int(Qt::ControlModifier) << 5 << false;
    QTest::newRow("Shift+End") << int(Qt::Key_End) << int(Qt::ShiftModifier) << 5 << false;
    QTest::newRow("Alt+End, to the maximum")
        << int(Qt::Key_End) << int(Qt::AltModifier) << 3 << true;
}

void FrmMainTest::levelScrollBarKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, level);
    QFETCH(bool, refused);
    Game game;
    game.shared.levelReached = 5;
    game.startAt(3);
    game.drag(game.block(Colour::Blue, 1), Direction::Up);
    auto* bar = game.control<QScrollBar>("hsbLevel");
    QVERIFY(bar->hasFocus());

    QTest::keyClick(bar, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(int(game.shared.currentLevel), level);
    QCOMPARE(bar->value(), level);
    QCOMPARE(game.window->windowTitle(), QString("Dovrix -- Level %1").arg(level));
    // A refused level leaves the board and its move alone.
    QCOMPARE(game.state().movesMade, refused ? 1 : 0);
    if (refused) {
        QCOMPARE(game.messages.shown.size(), 1u);
        const MessageBox& box = game.messages.shown[0];
        QCOMPARE(box.title, std::string("Can't Exceed Unbeaten Levels"));
        QCOMPARE(box.icon, MessageIcon::Exclamation);
        QCOMPARE(box.text(),
                 std::string("Hello, Mary.\r\n\r\n"
                             "Dovrix remembers the game levels that you have already \r\n"
                             "completed, even from previous times that you have played.\r\n\r\n"
                             "Based on the levels that you have beaten so far, you\r\n"
                             "are now permitted to jump to any level up to level 5."));
    } else {
        QVERIFY(game.messages.shown.empty());
    }
}

void FrmMainTest::levelScrollBarMouse() {
    Game game;
    game.startAt(3);
    auto* bar = game.control<QScrollBar>("hsbLevel");
    auto part = [bar](QStyle::SubControl control) {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Horizontal;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, control, bar);
    };

    // The arrows and the track step by one level.
    QTest::mouseClick(bar, Qt::LeftButton, {}, part(QStyle::SC_ScrollBarAddLine).center());
    QCOMPARE(int(game.shared.currentLevel), 4);
    QTest::mouseClick(bar, Qt::LeftButton, {}, part(QStyle::SC_ScrollBarSubLine).center());
    QCOMPARE(int(game.shared.currentLevel), 3);
    const QRect track = part(QStyle::SC_ScrollBarAddPage);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(track.right() - 2, track.center().y()));
    QCOMPARE(int(game.shared.currentLevel), 4);

    // The thumb changes the level only when it is let go.
    const QPoint thumb = part(QStyle::SC_ScrollBarSlider).center();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, thumb + QPoint(30, 0));
    QTest::mouseMove(bar, thumb + QPoint(60, 0));
    QCOMPARE(int(game.shared.currentLevel), 4);
    QVERIFY(bar->sliderPosition() > 4);
    const int chosen = bar->sliderPosition();
    QTest::mouseRelease(bar, Qt::LeftButton, {}, thumb + QPoint(60, 0));
    QCOMPARE(int(game.shared.currentLevel), chosen);
    QVERIFY(game.messages.shown.empty());

    // One step beyond the reached level is refused, and the bar goes back.
    game.shared.levelReached = 40;
    game.startAt(40);
    QTest::mouseClick(bar, Qt::LeftButton, {}, part(QStyle::SC_ScrollBarAddLine).center());
    QCOMPARE(int(game.shared.currentLevel), 40);
    QCOMPARE(bar->value(), 40);
    QCOMPARE(titles(game.messages), std::vector<std::string>{"Can't Exceed Unbeaten Levels"});
}

void FrmMainTest::helpAndAbout() {
    Game game;
    QTest::keyClick(game.window.get(), Qt::Key_H, Qt::ControlModifier);
    QTest::keyClick(game.window.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(titles(game.messages), (std::vector<std::string>{"Dovrix Help", "About Dovrix"}));
    const std::string help = game.messages.shown[0].text();
    QVERIFY(help.ends_with(" There are a total of 100 levels."));
    QCOMPARE(game.messages.shown[1].buttons, MessageButtons::Ok);
    QVERIFY(game.services.calls.empty());
}

void FrmMainTest::exitPaths_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("Exit Program button") << "button";
    QTest::newRow("Ctrl+X") << "shortcut";
    QTest::newRow("close box") << "close";
    QTest::newRow("close box, end window showing") << "close after end";
}

void FrmMainTest::exitPaths() {
    QFETCH(QString, path);
    Game game;
    if (path == "button") {
        QTest::mouseClick(game.control<QPushButton>("cmdExit"), Qt::LeftButton);
    } else if (path == "shortcut") {
        QTest::keyClick(game.window.get(), Qt::Key_X, Qt::ControlModifier);
    } else {
        game.services.endScreenVisible = path == "close after end";
        game.window->close();
    }
    QVERIFY(!game.window->isVisible());
    QVERIFY(!game.state().tmrMoveEnabled);
    // The account is updated once; the program ends unless the end window is showing.
    if (path == "close after end") {
        QCOMPARE(game.services.calls, std::vector<std::string>{"UpdateAccount"});
    } else {
        QCOMPARE(game.services.calls, (std::vector<std::string>{"UpdateAccount", "endProgram"}));
    }
}

void FrmMainTest::lastLevelClosesTheWindowAfterTheTick() {
    Game game;
    // The window goes away for good when it closes.
    QPointer<FrmMain> window = game.window.release();
    window->setAttribute(Qt::WA_DeleteOnClose);
    game.window.reset();
    game.shared.levelStrings[kCatalogueSize] = "1,0,0,1,7,2,0,0,0,0,1,7,7,1,1,7,3,1,";
    int16_t level = kCatalogueSize;
    window->DisplayPuzzle(level);

    const PieceRef blue = window->play().state().board.ref(Family::BlueBlock, 1);
    const QRect r = game.scale.rect(window->play().state().board.find(blue)->rect);
    auto* board = window->findChild<BoardView*>("board");
    QTest::mousePress(board, Qt::LeftButton, {}, r.center());
    QTest::mouseMove(board, Game::beyond(r, Direction::Up));
    QTest::mouseRelease(board, Qt::LeftButton, {}, Game::beyond(r, Direction::Up));
    for (int i = 0; i < 20 && window->play().state().loaded; ++i) {
        window->tickMoveTimer(); // the tick that beats the level must return unharmed
    }
    QVERIFY(window != nullptr);
    QVERIFY(!window->play().state().loaded);
    QCOMPARE(titles(game.messages), std::vector<std::string>{"Level Beaten"});
    QCOMPARE(game.services.calls, (std::vector<std::string>{"UpdateAccount", "showEndScreen"}));
    QCOMPARE(game.shared.levelReached, kCatalogueSize + 1);

    // Once the tick is over the window closes; its unload updates the account again and the
    // program goes on with the end window.
    QTRY_VERIFY(window.isNull());
    QCOMPARE(game.services.calls,
             (std::vector<std::string>{"UpdateAccount", "showEndScreen", "UpdateAccount"}));
}

void FrmMainTest::moveTimerRunsTheSlide() {
    Game game;
    game.window->setMoveTimerDrivenByCaller(false);
    auto* timer = game.window->findChild<QTimer*>("tmrMove");
    QVERIFY(timer->isActive());
    const PieceRef blue = game.block(Colour::Blue, 1);
    const QRect r = game.pixels(blue);
    QTest::mousePress(game.board(), Qt::LeftButton, {}, r.center());
    QTest::mouseMove(game.board(), Game::beyond(r, Direction::Up));
    QTest::mouseRelease(game.board(), Qt::LeftButton, {}, Game::beyond(r, Direction::Up));
    // Sixteen steps of 150 twips, a tick each.
    QTRY_COMPARE_WITH_TIMEOUT(game.rect(blue).top, int16_t(3450), 5000);
    QTRY_VERIFY(game.control<QPushButton>("cmdUndoMove")->isEnabled());
    QCOMPARE(game.control<QLabel>("lblMoves")->text(), QString("1"));
}

namespace {

// Collects the areas the board repaints.
class PaintRecorder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            regions.push_back(static_cast<QPaintEvent*>(event)->region());
        }
        return false;
    }
    std::vector<QRegion> regions;
};

} // namespace

void FrmMainTest::boardPiecesAndPartialRepaints() {
    Game game;
    // A wall, a pit, a patch, a green block, a blue block under a blue dot, a red dot alone.
    game.shared.levelStrings[2] = "0,0,0,1,1,1,3,0,1,5,1,1,7,1,2,9,1,3,11,1,1,2,11,1,1,13,5,2,";
    game.startAt(2);
    const QImage image = game.board()->grab().toImage();
    const QColor background = game.board()->palette().color(QPalette::Window);
    QCOMPARE(image.pixelColor(2, 300), QColor(Qt::black)); // the frame's 3-pixel border
    QCOMPARE(image.pixelColor(4, 300), background);
    QCOMPARE(image.pixelColor(60, 60), QColor(Qt::black)); // the wall
    QCOMPARE(image.pixelColor(162, 82), QColor(Qt::black));
    QCOMPARE(image.pixelColor(163, 60), background); // 1695 twips wide: 113 pixels
    const QColor pit = image.pixelColor(227, 67);
    QVERIFY(pit.red() == pit.green() && pit.red() < 100); // dark grey in its middle
    const QColor patch = image.pixelColor(306, 66);
    QVERIFY(patch.red() > patch.green() && patch.green() > patch.blue());
    QCOMPARE(image.pixelColor(386, 66), QColor(0, 192, 0));
    QCOMPARE(image.pixelColor(451, 51), QColor(0, 0, 255));
    QCOMPARE(image.pixelColor(466, 66), QColor(0, 0, 255)); // the dot, on its block
    QVERIFY(image.pixelColor(466, 58).value() < 100);       // with its dark rim
    QCOMPARE(image.pixelColor(546, 226), QColor(255, 0, 0));

    // While the blue block slides down, each tick repaints only around it.
    PaintRecorder recorder;
    game.board()->installEventFilter(&recorder);
    const PieceRef blue = game.block(Colour::Blue, 1);
    const QRect r = game.pixels(blue);
    QTest::mousePress(game.board(), Qt::LeftButton, {}, r.center());
    QTest::mouseMove(game.board(), Game::beyond(r, Direction::Down));
    QTest::mouseRelease(game.board(), Qt::LeftButton, {}, Game::beyond(r, Direction::Down));
    recorder.regions.clear();
    int ticks = 0;
    do {
        game.tick();
        ++ticks;
    } while (game.state().blockMoving);
    QCOMPARE(game.rect(blue).top, 8550);
    QVERIFY(recorder.regions.size() >= 50u);
    for (const QRegion& region : recorder.regions) {
        QVERIFY2(region.boundingRect().width() <= r.width() &&
                     region.boundingRect().height() <= r.height() + 10,
                 qPrintable(QString("repainted %1 x %2")
                                .arg(region.boundingRect().width())
                                .arg(region.boundingRect().height())));
    }
    QCOMPARE(game.pixelAt(game.pixels(blue).center()), QColor(0, 0, 255));
    QCOMPARE(game.pixelAt(QPoint(466, 66)), QColor(0, 0, 255)); // the dot stays
}

} // namespace dovrix

QTEST_MAIN(dovrix::FrmMainTest)
#include "frm_main_test.moc"
