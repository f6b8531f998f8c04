#include "frm_main.h"

#include "fonts.h"
#include "help_boxes.h"
#include "window_controls.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace dovrix {

// The play rules' requests of the window.
class FrmMain::Host : public PlayHost {
public:
    explicit Host(FrmMain& window) : window_(window) {}
    void levelBeaten() override { window_.levelBeaten(); }
    void focusLevelScrollBar() override { window_.hsbLevel_->setFocus(Qt::OtherFocusReason); }
    void levelScrollBarSetBack() override {
        // The box takes the mouse: an arrow or the track held down would go on stepping
        // towards the refused level while it is open.
        window_.hsbLevel_->stopRepeating();
        window_.syncFromState();
    }

private:
    FrmMain& window_;
};

namespace {

// The play window's labels: top-aligned, in their own text colour.
QLabel* makePlayLabel(QWidget* parent, const TwipScale& scale, const char* name, const char* text,
                      const Rect& place, const QFont& font, const QColor& colour,
                      Qt::Alignment alignment) {
    QLabel* label = makeLabel(parent, scale, name, QString::fromUtf8(text), place, font,
                              alignment | Qt::AlignTop);
    setTextColour(*label, colour);
    return label;
}

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

FrmMain::FrmMain(SharedState& shared, MessageBoxService& messages, PlayServices& services,
                 QWidget* parent)
    : GameWindow(parent), shared_(shared), messages_(messages), services_(services),
      host_(std::make_unique<Host>(*this)),
      play_(shared, *host_, messages) {
    setObjectName(QStringLiteral("frmMain"));
    createControls();
    createActions();
    createMenus();
    // The window keeps its design size; the menu bar comes on top of the client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    tmrMove_ = new QTimer(this);
    tmrMove_->setObjectName(QStringLiteral("tmrMove"));
    tmrMove_->setInterval(15);
    tmrMove_->setTimerType(Qt::PreciseTimer);
    connect(tmrMove_, &QTimer::timeout, this, &FrmMain::tickMoveTimer);

    // The window's load: the two-line caption of lblMovesNeeded.
    lblMovesNeeded_->setText(QStringLiteral("Moves required to\r\ncomplete this level:"));
    syncFromState();
}

FrmMain::~FrmMain() {
    // The controls, the board above all, refer to the play rules and are connected to this
    // window: they go now, while both are whole. QWidget's destructor, which would delete
    // them, runs only after the members are gone.
    delete takeCentralWidget();
}

void FrmMain::createControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(scale_.rect(0, 0, twips::kClientWidth, twips::kClientHeight).size());
    setCentralWidget(client);

    board_ = new BoardView(play_, scale_, client);
    board_->setGeometry(scale_.rect(0, 0, twips::kFrame.right(), twips::kFrame.bottom()));
    connect(board_, &BoardView::gestureForwarded, this, &FrmMain::syncFromState);

    const QColor navy(0, 0, 128);
    const QColor maroon(128, 0, 0);
    const QColor black(0, 0, 0);
    lblTitle_ = makePlayLabel(client, scale_, "lblTitle", "Dovrix", {9300, -135, 3120, 885},
                              gameFont(36, true, true), navy, Qt::AlignHCenter);
    lblLevel_ = makePlayLabel(client, scale_, "lblLevel", "Level:  100", {9300, 1170, 3120, 585},
                              gameFont(30, true), maroon, Qt::AlignHCenter);
    lblChooseLevel_ = makePlayLabel(client, scale_, "lblChooseLevel",
                                    "Choose a Different Level:", {9240, 2310, 3240, 375},
                                    gameFont(12, true), black, Qt::AlignHCenter);

    hsbLevel_ = new LevelScrollBar(client);
    placeControl(*hsbLevel_, scale_, 9240, 2775, 3210, 375);
    connect(hsbLevel_, &QScrollBar::valueChanged, this, &FrmMain::levelScrollBarMoved);
    connect(hsbLevel_, &LevelScrollBar::valueRequested, this, &FrmMain::levelValueRequested);
    connect(hsbLevel_, &LevelScrollBar::endPressed, this, &FrmMain::levelEndPressed);

    lblMinLevel_ = makePlayLabel(client, scale_, "lblMinLevel", "1", {9315, 3240, 855, 375},
                                 gameFont(15.75, true), black, Qt::AlignLeft);
    lblMaxLevel_ = makePlayLabel(client, scale_, "lblMaxLevel", "100", {11520, 3240, 855, 375},
                                 gameFont(15.75, true), black, Qt::AlignRight);

    cmdRestart_ = makeButton(client, scale_, "cmdRestart", QStringLiteral("Restart Level"),
                             {9600, 4110, 2535, 615}, gameFont(18), QColor(128, 128, 255));
    cmdUndoMove_ = makeButton(client, scale_, "cmdUndoMove", QStringLiteral("Undo Move"),
                              {9600, 4905, 2535, 615}, gameFont(18), QColor(192, 0, 192));
    cmdUndoMove_->setEnabled(false);
    cmdExit_ = makeButton(client, scale_, "cmdExit", QStringLiteral("Exit Program"),
                          {9600, 5700, 2535, 615}, gameFont(18), QColor(192, 0, 0));
    connect(cmdRestart_, &QPushButton::clicked, this, &FrmMain::restartLevel);
    connect(cmdUndoMove_, &QPushButton::clicked, this, &FrmMain::undoMove);
    connect(cmdExit_, &QPushButton::clicked, this, &FrmMain::exitProgram);

    lblMovesNeeded_ = makePlayLabel(client, scale_, "lblMovesNeeded", "", {9600, 6870, 2520, 615},
                                    gameFont(12, true), black, Qt::AlignHCenter);
    lblParValue_ = makePlayLabel(client, scale_, "lblParValue", "0", {9720, 7485, 2295, 495},
                                 gameFont(20.25, true), navy, Qt::AlignHCenter);
    lblMovesMade_ =
        makePlayLabel(client, scale_, "lblMovesMade", "Moves made so far:", {9600, 8370, 2520, 375},
                      gameFont(12, true), black, Qt::AlignHCenter);
    lblMoves_ = makePlayLabel(client, scale_, "lblMoves", "0", {9720, 8700, 2295, 495},
                              gameFont(20.25, true), maroon, Qt::AlignHCenter);

    // Tab order: the scroll bar, Restart, Undo, Exit; the scroll bar has the focus first.
    setTabOrder(hsbLevel_, cmdRestart_);
    setTabOrder(cmdRestart_, cmdUndoMove_);
    setTabOrder(cmdUndoMove_, cmdExit_);
    hsbLevel_->setFocus(Qt::OtherFocusReason);
}

void FrmMain::createActions() {
    mnuRestart_ = makeAction("mnuRestart", "Restart Level", QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuExit_ = makeExitAction();
    mnuUndoMove_ = makeAction("mnuUndoMove", "Undo Move", QKeySequence(Qt::CTRL | Qt::Key_U));
    mnuUndoMove_->setEnabled(false);
    mnuDirections_ =
        makeAction("mnuDirections", "How to Play", QKeySequence(Qt::CTRL | Qt::Key_H));
    mnuAbout_ = makeAction("mnuAbout", "About", QKeySequence(Qt::CTRL | Qt::Key_A));

    connect(mnuRestart_, &QAction::triggered, this, &FrmMain::restartLevel);
    connect(mnuExit_, &QAction::triggered, this, &FrmMain::exitProgram);
    connect(mnuUndoMove_, &QAction::triggered, this, &FrmMain::undoMove);
    connect(mnuDirections_, &QAction::triggered, this, &FrmMain::directions);
    connect(mnuAbout_, &QAction::triggered, this, &FrmMain::about);
}

void FrmMain::createMenus() {
    QMenu* file = addMenu("mnuFile", "File");
    file->addAction(mnuRestart_);
    file->addAction(mnuExit_);
    addMenu("mnuEdit", "Edit")->addAction(mnuUndoMove_);
    QMenu* help = addMenu("mnuHelp", "Help");
    help->addAction(mnuDirections_);
    help->addAction(mnuAbout_);
}

void FrmMain::DisplayPuzzle(int16_t& level) {
    play_.DisplayPuzzle(level);
    syncFromState();
}

void FrmMain::setLevelScrollBarMaximum(int16_t maximum) {
    play_.setLevelScrollBarMaximum(maximum);
    syncFromState();
}

void FrmMain::tickMoveTimer() {
    const PlayWindowState& s = play_.state();
    if (!s.tmrMoveEnabled || !s.loaded || inTick_) {
        return;
    }
    inTick_ = true;
    play_.tickMoveTimer();
    inTick_ = false;
    syncFromState();
}

void FrmMain::setMoveTimerDrivenByCaller(bool drivenByCaller) {
    moveTimerDrivenByCaller_ = drivenByCaller;
    syncFromState();
}

void FrmMain::syncFromState() {
    const PlayWindowState& s = play_.state();
    const bool first = shown_.first;
    shown_.first = false;

    // Until a level is built the caption and labels keep their design values. An unknown par
    // is written out, in smaller type.
    const bool built = s.levelOnBoard > 0;
    const std::string number = std::to_string(s.levelOnBoard);
    const std::string caption = built ? "Dovrix -- Level " + number : "Dovrix";
    const std::string level = "Level:  " + (built ? number : "100");
    const bool parKnown = !built || s.levelPar >= 1;
    const std::string par = !built ? "0" : parKnown ? std::to_string(s.levelPar) : "Unknown";
    const double parPointSize = !built ? 20.25 : parKnown ? 20 : 14;
    const std::string moves = std::to_string(s.movesMade);
    if (first || caption != shown_.caption) {
        shown_.caption = caption;
        setWindowTitle(qt(caption));
    }
    if (first || level != shown_.level) {
        shown_.level = level;
        lblLevel_->setText(qt(level));
    }
    if (first || par != shown_.par || parPointSize != shown_.parPointSize) {
        shown_.par = par;
        shown_.parPointSize = parPointSize;
        lblParValue_->setFont(gameFont(parPointSize, true));
        lblParValue_->setText(qt(par));
    }
    if (first || moves != shown_.moves) {
        shown_.moves = moves;
        lblMoves_->setText(qt(moves));
    }
    if (first || s.hsbLevelMinimum != shown_.minimum || s.hsbLevelMaximum != shown_.maximum ||
        s.hsbLevelValue != shown_.value || hsbLevel_->value() != s.hsbLevelValue) {
        shown_.minimum = s.hsbLevelMinimum;
        shown_.maximum = s.hsbLevelMaximum;
        shown_.value = s.hsbLevelValue;
        const QSignalBlocker blocker(hsbLevel_);
        hsbLevel_->setRange(s.hsbLevelMinimum, s.hsbLevelMaximum);
        hsbLevel_->setValue(s.hsbLevelValue);
    }
    if (first || s.undoEnabled != shown_.undoEnabled) {
        shown_.undoEnabled = s.undoEnabled;
        cmdUndoMove_->setEnabled(s.undoEnabled);
        mnuUndoMove_->setEnabled(s.undoEnabled);
    }

    const bool run = s.tmrMoveEnabled && s.loaded && !moveTimerDrivenByCaller_;
    if (run && !tmrMove_->isActive()) {
        tmrMove_->start();
    } else if (!run && tmrMove_->isActive()) {
        tmrMove_->stop();
    }

    board_->syncFromBoard();
}

void FrmMain::restartLevel() {
    play_.restartLevel();
    syncFromState();
}

void FrmMain::undoMove() {
    play_.undoMove();
    syncFromState();
}

void FrmMain::directions() {
    ShowDirections(messages_, shared_.levelCount);
}

void FrmMain::about() {
    ShowAboutBox(messages_);
}

void FrmMain::exitProgram() {
    // The account request waits for its reply in an event loop of its own; no tick may run
    // meanwhile, as none could while the request blocked the game.
    tmrMove_->stop();
    play_.stopMoveTimer();
    services_.UpdateAccount();
    hide();
    services_.endProgram();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    play_.stopMoveTimer();
    play_.unload();
    tmrMove_->stop();
    services_.UpdateAccount();
    event->accept();
    if (!services_.endScreenShowing()) {
        services_.endProgram();
    }
}

void FrmMain::levelScrollBarMoved(int value) {
    // A change made while the level changes (a refusal box is open) is dropped; the scroll
    // bar is set back to the rules' value.
    if (changingLevel_) {
        syncFromState();
        return;
    }
    changingLevel_ = true;
    play_.setLevelScrollBarValue(static_cast<int16_t>(value));
    changingLevel_ = false;
    syncFromState();
}

void FrmMain::levelValueRequested(int value) {
    const PlayWindowState& s = play_.state();
    const int16_t clamped = static_cast<int16_t>(std::clamp(
        value, static_cast<int>(s.hsbLevelMinimum), static_cast<int>(s.hsbLevelMaximum)));
    changingLevel_ = true;
    play_.setLevelScrollBarValue(clamped);
    changingLevel_ = false;
    syncFromState();
}

void FrmMain::levelEndPressed(int shift) {
    int16_t keyCode = kKeyEnd;
    changingLevel_ = true;
    play_.levelScrollBarKeyDown(keyCode, shift);
    if (keyCode != 0) {
        // Alt+End alone: the scroll bar's own End, to its maximum.
        play_.setLevelScrollBarValue(play_.state().hsbLevelMaximum);
    }
    changingLevel_ = false;
    syncFromState();
}

void FrmMain::levelBeaten() {
    // The solved board, with its last step, stays on screen behind the boxes.
    syncFromState();
    if (CompleteLevel(play_, shared_, messages_, services_)) {
        closeAfterLastLevel();
    }
}

void FrmMain::closeAfterLastLevel() {
    // Inside the tick: the rules see the window gone at once, the window itself closes once
    // the tick has returned.
    play_.unload();
    QTimer::singleShot(0, this, [this] { close(); });
}

} // namespace dovrix
