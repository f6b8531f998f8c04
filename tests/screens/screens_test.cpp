// The start and end windows in the whole game, on the offscreen platform: their layout, and
// the loading sequence and the start button against a scripted account server, so that the
// requests can be counted. Their ways out and the beeps are in the whole game's tests.

#include "../ui/game_texts.h"
#include "catalogue.h"
#include "fitting_label.h"
#include "game_world.h"
#include "scripted_http_server.h"

#include <QTimer>

#include <memory>

namespace dovrix::testing {

const QColor kNavy(0, 0, 128);

namespace {

const QString kRules = QString::fromStdString(kStartWindowRules);

const QString kEndMessage = QStringLiteral(
    "Excellent work!!!  You have beaten all 100 Dovrix levels!\r\n\r\n"
    "Hello.  I am Maelor Pelvaro, the creator\r\nof Dovrix.\r\n\r\n"
    "As you know, Dovrix is a difficult game, and you have done very well to complete all 100 "
    "levels.\r\n\r\nCongratulations!!!");

} // namespace

class ScreensTest : public QObject {
    Q_OBJECT
private slots:
    void startWindowLayout_data();
    void startWindowLayout();
    void loadingSequenceThenStart_data();
    void loadingSequenceThenStart();
    void startButtonWhileLoadingHangs();
    void endWindowLayout_data();
    void endWindowLayout();
};

void ScreensTest::startWindowLayout_data() {
    const QString loading = "Loading Level Data\r\nPlease Wait...";
    addControlRows({
        {"lblTitle", {240, -270, 9375, 1455}, "Dovrix", 72, true, kNavy, {}, Qt::AlignHCenter},
        {"lblMe", {1320, 1455, 7215, 885}, "By: Maelor Pelvaro", 32.25, true, {}, {255, 255, 128}},
        {"lblInstructions", {540, 2610, 8880, 5100}, kRules, 15.75, false, {128, 0, 0}},
        {"lblLoading", {1440, 7920, 6975, 1335}, loading, 27.75, true, {}, {192, 0, 0}},
        {"cmdStart", {1440, 7920, 6975, 1335}, "START  DOVRIXING!", 36, true, {}, {0, 192, 0}},
    });
}

void ScreensTest::startWindowLayout() {
    GameWorld world(refusingUrl());
    world.game.start(); // the login window's load counts the levels
    FrmStart& start = world.game.frmStart();
    checkControlRow(start, world.scale);
    QCOMPARE(start.windowTitle(), QString("Dovrix"));
    QCOMPARE(start.centralWidget()->size(), world.scale.rect(0, 0, 9855, 9600).size());
    QCOMPARE(menuText(start),
             QString("File: mnuExit Exit (Ctrl+X) | Help: mnuAbout About (Ctrl+A)"));

    // The rules, wrapped at the label's width, end inside it with every line readable.
    if (QTest::currentDataTag() == QString("lblInstructions")) {
        auto* rules = start.findChild<FittingLabel*>("lblInstructions");
        const QFontMetricsF metrics(rules->font());
        QVERIFY(rules->lineCount() >= 12);
        const qreal bottom =
            (rules->lineCount() - 1) * rules->linePitch() + metrics.ascent() + metrics.descent();
        QVERIFY2(bottom <= rules->height(),
                 qPrintable(QString("%1 lines %2 apart end at %3 in a label %4 high")
                                .arg(rules->lineCount())
                                .arg(rules->linePitch())
                                .arg(bottom)
                                .arg(rules->height())));
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
    ScriptedHttpServer scripted;
    // Level 2 needs a single move.
    scripted.reply("/dovrix/pars", "99, 1 " + QString(",99").repeated(98).toStdString());
    scripted.reply("/dovrix/account?o=login", std::to_string(accountLevel));
    GameWorld world(scripted.url());
    world.game.start();
    world.logIn(accountLevel > 0 ? "sam" : "", accountLevel > 0 ? "pw" : "",
                accountLevel > 0 ? "existing" : "");
    FrmStart& start = *world.game.startWindow();
    auto* loading = world.in<QLabel>(start, "lblLoading");
    auto* startButton = world.button(start, "cmdStart");
    const auto showing = [&] {
        return QList<bool>{world.game.loginWindow()->isVisible(), start.isVisible(),
                           loading->isVisible(), startButton->isVisible()};
    };
    QCOMPARE(showing(), QList<bool>({false, true, true, false}));
    // One tick of tmrLoad: name, catalogue, pars; then the button takes the notice's place.
    QTRY_VERIFY(startButton->isVisible());
    QCOMPARE(showing(), QList<bool>({false, true, false, true}));
    QCOMPARE(world.shared.playerName,
             accountLevel > 0 ? std::string("SAM") : std::string("PAT.KIM"));
    QCOMPARE(world.shared.levelStrings[1], std::string(builtInLevelStrings()[0]));
    const std::string level2 = std::string(builtInLevelStrings()[1]);
    QCOMPARE(world.shared.levelStrings[2], "1" + level2.substr(level2.find(',')));
    QCOMPARE(scripted.operations(), (accountLevel > 0 ? std::vector<std::string>{"login", "pars"}
                                                      : std::vector<std::string>{"pars"}));

    QTest::mouseClick(startButton, Qt::LeftButton);
    FrmMain* play = world.game.playWindow();
    QVERIFY(play->isVisible() && !start.isVisible());
    QCOMPARE(play->play().shared().currentLevel, firstLevel);
    QCOMPARE(play->windowTitle(), QString("Dovrix -- Level %1").arg(firstLevel));
    QCOMPARE(titles(world.messages),
             std::vector<std::string>(accountLevel > 0 ? 0 : 1,
                                      "Dovrix -- Proceeding Without an Online Account"));
}

void ScreensTest::startButtonWhileLoadingHangs() {
    // At school, with an account server that takes connections and never answers: loading
    // waits for the progress, and ten seconds after the window loaded (tmrStart's one tick,
    // delivered by the test) the start button is offered all the same. Pressed then, with no
    // level loaded yet, it starts level 1.
    auto silent = std::make_unique<SilentServer>();
    GameWorld world(silent->url(), Setting::School);
    world.game.start();
    FrmStart& start = *world.game.startWindow();
    auto* startButton = world.button(start, "cmdStart");
    QTimer& tmrLoad = *start.findChild<QTimer*>("tmrLoad");
    QTimer& tmrStart = *start.findChild<QTimer*>("tmrStart");
    std::tuple<int, bool, bool> tmrStartWhileHanging;
    int16_t reachedWhenStarted = -1;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        // tmrLoad has ticked and its tick has not ended: loading hangs.
        if (silent && !tmrLoad.isActive() && !startButton->isVisible()) {
            tmrStartWhileHanging = {tmrStart.interval(), tmrStart.isSingleShot(),
                                    tmrStart.isActive()};
            world.fire(tmrStart);
            QTest::mouseClick(startButton, Qt::LeftButton);
            reachedWhenStarted = world.shared.levelReached;
            silent.reset(); // the requests fail now, and loading ends
        }
    });
    watch.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(!silent && start.isHidden(), 30000);
    QCOMPARE(tmrStartWhileHanging, std::tuple(10000, true, true));
    QCOMPARE(reachedWhenStarted, 1);
    QCOMPARE(world.game.playWindow()->windowTitle(), QString("Dovrix -- Level 1"));
}

void ScreensTest::endWindowLayout_data() {
    addControlRows({
        {"lblTitle", {240, -270, 9375, 1455}, "Dovrix", 72, true, kNavy, {}, Qt::AlignHCenter},
        {"lblMessage", {480, 1425, 4335, 6075}, kEndMessage, 18, true, {}, {}, Qt::AlignLeft},
        {"imgMaelor", {5160, 1515, 4200, 5955}},
        {"cmdEnd", {1440, 7920, 6975, 1335}, "Exit Program", 36, true, {}, {192, 0, 0}},
    });
}

void ScreensTest::endWindowLayout() {
    GameWorld world(refusingUrl());
    world.game.start();
    FrmEnd& end = world.game.frmEnd();
    checkControlRow(end, world.scale);
    QCOMPARE(end.windowTitle(), QString("Dovrix"));
    QCOMPARE(end.centralWidget()->size(), world.scale.rect(0, 0, 9855, 9600).size());
    QCOMPARE(menuText(end), QString("File: mnuExit Exit (Ctrl+X)"));
    QVERIFY(!world.in<QLabel>(end, "imgMaelor")->pixmap().isNull());
}

} // namespace dovrix::testing

QTEST_MAIN(dovrix::testing::ScreensTest)
#include "screens_test.moc"
