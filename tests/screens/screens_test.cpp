// The start and end windows in the whole game, on the offscreen platform: their layout, the
// loading sequence and the start button, the About box, the ten beeps and every way out.
// The account server is a scripted one here, so the requests each path sends can be counted.

#include "catalogue.h"
#include "fitting_label.h"
#include "fonts.h"
#include "game_world.h"
#include "scripted_http_server.h"

#include <QMenuBar>

namespace dovrix::testing {

namespace {

const QString kRules = QStringLiteral(
    "The goal of Dovrix is to move blocks so that every dot is over a block of the same color.  "
    "To move a block, press and hold a mouse button on the block to be moved, drag the mouse off "
    "the block in the desired direction, and then release the mouse button.  The block will move "
    "until it hits a wall or another block (or a patch or a pit).  Only one block can be moved "
    "at a time.\r\n\r\n"
    "Some of the game levels contain special squares known as patches and pits.  If you move a "
    "block onto a patch, it will stop moving until you move it off the patch.  But if a block "
    "runs into a pit, it will disappear forever.  Once you have successfully completed a level, "
    "the next level will appear, and every time you play the game, the computer will always "
    "remember which levels you have previously beaten.  There are 100 levels.  Good luck!");

const QString kEndMessage = QStringLiteral(
    "Excellent work!!!  You have beaten all 100 Dovrix levels!\r\n\r\n"
    "Hello.  I am Maelor Pelvaro, the creator\r\nof Dovrix.\r\n\r\n"
    "As you know, Dovrix is a difficult game, and you have done very well to complete all 100 "
    "levels.\r\n\r\nCongratulations!!!");

// A par list of 100 entries in which level 2 needs a single move.
std::string parListWithLevel2At1() {
    std::string list;
    for (int level = 1; level <= 100; ++level) {
        list += (level == 2 ? std::string(" 1 ") : std::string("99")) + (level < 100 ? "," : "");
    }
    return list;
}

struct Row {
    const char* name;
    QRect twips;
    QString text;
    double points;
    bool bold;
    QColor textColour; // invalid: the default
    QColor fill;       // invalid: transparent
};

void addRows(const std::vector<Row>& rows) {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("textColour");
    QTest::addColumn<QColor>("fill");
    for (const Row& row : rows) {
        QTest::newRow(row.name) << QString(row.name) << row.twips << row.text << row.points
                                << row.bold << row.textColour << row.fill;
    }
}

void checkRow(QMainWindow& window, const TwipScale& scale) {
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(double, points);
    QFETCH(bool, bold);
    QFETCH(QColor, textColour);
    QFETCH(QColor, fill);
    auto* control = window.findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    QCOMPARE(control->geometry(), scale.rect(twips.x(), twips.y(), twips.width(), twips.height()));
    if (auto* label = qobject_cast<QLabel*>(control); label && points > 0) {
        QCOMPARE(label->text(), text);
        QCOMPARE(label->autoFillBackground(), fill.isValid());
        if (fill.isValid()) {
            QCOMPARE(label->palette().color(QPalette::Window), fill);
        }
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        QCOMPARE(button->text(), text);
        QCOMPARE(button->palette().color(QPalette::Button), fill);
    }
    if (points > 0) {
        QCOMPARE(control->font().pointSizeF(), points);
        QCOMPARE(control->font().bold(), bold);
        QCOMPARE(control->font().family(), gameFontFamily());
    }
    if (textColour.isValid()) {
        QCOMPARE(control->palette().color(QPalette::WindowText), textColour);
    }
    QCOMPARE(window.windowTitle(), QString("Dovrix"));
    QCOMPARE(window.centralWidget()->size(), scale.rect(0, 0, 9855, 9600).size());
}

// The menu bar as "File: Exit (Ctrl+X) | Help: About (Ctrl+A)".
QString menuText(QMainWindow& window) {
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

} // namespace

class ScreensTest : public QObject {
    Q_OBJECT
private slots:
    void startWindowLayout_data();
    void startWindowLayout();
    void loadingSequenceThenStart_data();
    void loadingSequenceThenStart();
    void startWindowWaysOut_data();
    void startWindowWaysOut();
    void endWindowLayout_data();
    void endWindowLayout();
    void endWindowBeepsTenTimes();
    void endWindowWaysOut_data();
    void endWindowWaysOut();

private:
    // At home, past the login window without an account (or with one the scripted server
    // knows at `level`); the start window has just loaded.
    std::unique_ptr<GameWorld> atStartWindow(int level = 0) {
        scripted_ = std::make_unique<ScriptedHttpServer>();
        scripted_->reply("/dovrix/pars", parListWithLevel2At1());
        scripted_->reply("/dovrix/account?o=login", std::to_string(level));
        scripted_->reply("/dovrix/account?o=update", "OK");
        auto world = std::make_unique<GameWorld>(scripted_->url());
        world->game.start();
        if (level > 0) {
            world->logIn("sam", "pw", "existing");
        } else {
            world->logIn("", "", "");
        }
        return world;
    }

    std::unique_ptr<ScriptedHttpServer> scripted_;
};

void ScreensTest::startWindowLayout_data() {
    addRows({
        {"lblTitle", {240, -270, 9375, 1455}, "Dovrix", 72, true, QColor(0, 0, 128), {}},
        {"lblMe",
         {1320, 1455, 7215, 885},
         "By: Maelor Pelvaro",
         32.25,
         true,
         {},
         QColor(255, 255, 128)},
        {"lblInstructions", {540, 2610, 8880, 5100}, kRules, 15.75, false, QColor(128, 0, 0), {}},
        {"lblLoading",
         {1440, 7920, 6975, 1335},
         "Loading Level Data\r\nPlease Wait...",
         27.75,
         true,
         {},
         QColor(192, 0, 0)},
        {"cmdStart",
         {1440, 7920, 6975, 1335},
         "START  DOVRIXING!",
         36,
         true,
         {},
         QColor(0, 192, 0)},
    });
}

void ScreensTest::startWindowLayout() {
    auto world = atStartWindow();
    FrmStart& start = *world->game.startWindow();
    checkRow(start, world->scale);
    QCOMPARE(menuText(start),
             QString("File: mnuExit Exit (Ctrl+X) | Help: mnuAbout About (Ctrl+A)"));
    auto* load = start.findChild<QTimer*>("tmrLoad");
    auto* fallback = start.findChild<QTimer*>("tmrStart");
    QVERIFY(load->isActive() && load->isSingleShot());
    QCOMPARE(load->interval(), 1);
    QVERIFY(fallback->isActive() && fallback->isSingleShot());
    QCOMPARE(fallback->interval(), 10000);

    // The rules, wrapped at the label's width, end inside it with every line readable.
    if (QTest::currentDataTag() == QString("lblInstructions")) {
        auto* rules = start.findChild<FittingLabel*>("lblInstructions");
        const QFontMetricsF metrics(rules->font());
        QVERIFY(rules->lineCount() >= 12);
        QVERIFY((rules->lineCount() - 1) * rules->linePitch() + metrics.ascent() +
                    metrics.descent() <=
                rules->height());
        QVERIFY(rules->linePitch() >= metrics.capHeight() + metrics.descent());
        // A text that fits keeps the font's own spacing.
        FittingLabel shortText("Good luck!\r\nGood luck!");
        shortText.setFont(rules->font());
        shortText.resize(rules->size());
        QCOMPARE(shortText.lineCount(), 2);
        QCOMPARE(shortText.linePitch(), metrics.lineSpacing());
    }
}

void ScreensTest::loadingSequenceThenStart_data() {
    QTest::addColumn<int>("accountLevel"); // 0: no account
    QTest::addColumn<int>("firstLevel");
    QTest::newRow("no account: level 1") << 0 << 1;
    QTest::newRow("account at level 57") << 57 << 57;
    QTest::newRow("account with every level beaten") << 101 << 1;
}

void ScreensTest::loadingSequenceThenStart() {
    QFETCH(int, accountLevel);
    QFETCH(int, firstLevel);
    auto world = atStartWindow(accountLevel);
    FrmStart& start = *world->game.startWindow();
    auto* loading = world->in<QLabel>(start, "lblLoading");
    auto* startButton = world->button(start, "cmdStart");
    QVERIFY(start.isVisible());
    QVERIFY(!world->game.loginWindow()->isVisible());
    QVERIFY(loading->isVisible() && !startButton->isVisible());

    // One tick of tmrLoad: name, catalogue, pars; then the button takes the notice's place.
    QTRY_VERIFY(startButton->isVisible());
    QVERIFY(!loading->isVisible());
    QCOMPARE(world->shared.playerName,
             accountLevel > 0 ? std::string("SAM") : std::string("PAT.KIM"));
    QCOMPARE(world->shared.levelStrings[1], std::string(builtInLevelStrings()[0]));
    const std::string level2 = std::string(builtInLevelStrings()[1]);
    QCOMPARE(world->shared.levelStrings[2], "1" + level2.substr(level2.find(',')));
    const std::vector<std::string> requests = accountLevel > 0
                                                  ? std::vector<std::string>{"login", "pars"}
                                                  : std::vector<std::string>{"pars"};
    QCOMPARE(scripted_->operations(), requests);

    QTest::mouseClick(startButton, Qt::LeftButton);
    FrmMain* play = world->game.playWindow();
    QVERIFY(play->isVisible());
    QVERIFY(!start.isVisible());
    QCOMPARE(play->play().shared().currentLevel, firstLevel);
    QCOMPARE(play->windowTitle(), QString("Dovrix -- Level %1").arg(firstLevel));
    QCOMPARE(world->shared.levelReached, accountLevel == 0 ? 1 : std::min(accountLevel, 100));
    const std::vector<std::string> boxes =
        accountLevel > 0
            ? std::vector<std::string>{}
            : std::vector<std::string>{"Dovrix -- Proceeding Without an Online Account"};
    QCOMPARE(titles(world->messages), boxes);
}

void ScreensTest::startWindowWaysOut_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit (Ctrl+X) at once") << "ctrl+x now";
    QTest::newRow("Exit (Ctrl+X) with the start button up") << "ctrl+x";
    QTest::newRow("close box") << "close";
    QTest::newRow("About (Ctrl+A), then close box") << "about";
}

void ScreensTest::startWindowWaysOut() {
    QFETCH(QString, how);
    auto world = atStartWindow(7);
    FrmStart& start = *world->game.startWindow();
    start.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&start));
    if (how != "ctrl+x now") {
        QTRY_VERIFY(world->startButtonOffered());
    }
    const int exitCode = exitCodeAfter([&] {
        if (how.startsWith("ctrl+x")) {
            QTest::keyClick(&start, Qt::Key_X, Qt::ControlModifier);
            return;
        }
        if (how == "about") {
            QTest::keyClick(&start, Qt::Key_A, Qt::ControlModifier);
        }
        start.close();
    });
    QCOMPARE(exitCode, 0);
    QVERIFY(!start.isVisible() && !world->game.loginWindow()->isVisible());
    // Nothing is sent on the way out of the start window.
    QCOMPARE(scripted_->updates(), std::vector<std::string>{});
    if (how == "about") {
        QCOMPARE(titles(world->messages), std::vector<std::string>{"About Dovrix"});
        // The same box as the play window's About item.
        world->game.playWindow()->findChild<QAction*>("mnuAbout")->trigger();
        QCOMPARE(world->messages.shown.size(), 2u);
        QCOMPARE(world->messages.shown[1].text(), world->messages.shown[0].text());
        QCOMPARE(world->messages.shown[0].icon, MessageIcon::None);
    }
}

void ScreensTest::endWindowLayout_data() {
    addRows({
        {"lblTitle", {240, -270, 9375, 1455}, "Dovrix", 72, true, QColor(0, 0, 128), {}},
        {"lblMessage", {480, 1425, 4335, 6075}, kEndMessage, 18, true, {}, {}},
        {"imgMaelor", {5160, 1515, 4200, 5955}, "", 0, false, {}, {}},
        {"cmdEnd", {1440, 7920, 6975, 1335}, "Exit Program", 36, true, {}, QColor(192, 0, 0)},
    });
}

void ScreensTest::endWindowLayout() {
    GameWorld world(refusingUrl());
    world.game.start();
    FrmEnd& end = world.game.frmEnd();
    checkRow(end, world.scale);
    QCOMPARE(menuText(end), QString("File: mnuExit Exit (Ctrl+X)"));
    auto* picture = world.in<QLabel>(end, "imgMaelor");
    QVERIFY(!picture->pixmap().isNull());
    QCOMPARE(picture->pixmap().size(), QSize(280, 397));
    QCOMPARE(end.findChild<QTimer*>("tmrBeep")->interval(), 200);
}

void ScreensTest::endWindowBeepsTenTimes() {
    GameWorld world(refusingUrl());
    world.game.start();
    FrmEnd& end = world.game.frmEnd();
    end.show();
    auto* timer = end.findChild<QTimer*>("tmrBeep");
    QVERIFY(timer->isActive());
    QCOMPARE(world.beeper.beeps, 0); // the first beep comes 200 ms after loading
    QTRY_COMPARE_WITH_TIMEOUT(world.beeper.beeps, 10, 10000);
    QVERIFY(!timer->isActive());
    QCOMPARE(end.beepCount(), 10);
}

void ScreensTest::endWindowWaysOut_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Exit Program, during the beeps") << "button";
    QTest::newRow("Ctrl+X") << "ctrl+x";
    QTest::newRow("close box") << "close";
}

void ScreensTest::endWindowWaysOut() {
    QFETCH(QString, how);
    GameWorld world(refusingUrl());
    world.game.start();
    FrmEnd& end = world.game.frmEnd();
    end.show();
    end.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&end));
    const int exitCode = exitCodeAfter([&] {
        if (how == "button") {
            QTest::mouseClick(world.button(end, "cmdEnd"), Qt::LeftButton);
        } else if (how == "ctrl+x") {
            QTest::keyClick(&end, Qt::Key_X, Qt::ControlModifier);
        } else {
            end.close();
        }
    });
    QCOMPARE(exitCode, 0);
    QVERIFY(!end.isVisible());
    if (how == "button") {
        QVERIFY(world.beeper.beeps < 10);
    }
}

} // namespace dovrix::testing

QTEST_MAIN(dovrix::testing::ScreensTest)
#include "screens_test.moc"
