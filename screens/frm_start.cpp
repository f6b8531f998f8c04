#include "frm_start.h"

#include "catalogue.h"
#include "fitting_label.h"
#include "fonts.h"
#include "help_boxes.h"
#include "title_window.h"
#include "window_controls.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace dovrix {

namespace {

constexpr int kLoadDelayMs = 1;
constexpr int kStartAtLatestMs = 10000;

QString rulesText(int16_t levelCount) {
    return QStringLiteral(
               "The goal of Dovrix is to move blocks so that every dot is over a block of the "
               "same color.  To move a block, press and hold a mouse button on the block to be "
               "moved, drag the mouse off the block in the desired direction, and then release "
               "the mouse button.  The block will move until it hits a wall or another block (or "
               "a patch or a pit).  Only one block can be moved at a time.\r\n\r\n"
               "Some of the game levels contain special squares known as patches and pits.  If "
               "you move a block onto a patch, it will stop moving until you move it off the "
               "patch.  But if a block runs into a pit, it will disappear forever.  Once you have "
               "successfully completed a level, the next level will appear, and every time you "
               "play the game, the computer will always remember which levels you have "
               "previously beaten.  There are ") +
           QString::number(levelCount) + QStringLiteral(" levels.  Good luck!");
}

} // namespace

FrmStart::FrmStart(SharedState& shared, Accounts& accounts, MessageBoxService& messages,
                   StartHost& host, QWidget* parent)
    : GameWindow(parent), shared_(shared), accounts_(accounts), messages_(messages), host_(host) {
    setObjectName(QStringLiteral("frmStart"));
    setWindowTitle(QStringLiteral("Dovrix"));
    createControls();
    createActions();

    // Both timers run once; the loading tick also waits for replies in nested event loops, where
    // a repeating timer would start the sequence again.
    tmrLoad_ = new QTimer(this);
    tmrLoad_->setObjectName(QStringLiteral("tmrLoad"));
    tmrLoad_->setInterval(kLoadDelayMs);
    tmrLoad_->setSingleShot(true);
    connect(tmrLoad_, &QTimer::timeout, this, &FrmStart::loadingTick);
    tmrStart_ = new QTimer(this);
    tmrStart_->setObjectName(QStringLiteral("tmrStart"));
    tmrStart_->setInterval(kStartAtLatestMs);
    tmrStart_->setSingleShot(true);
    connect(tmrStart_, &QTimer::timeout, this, &FrmStart::startTick);
}

FrmStart::~FrmStart() = default;

void FrmStart::createControls() {
    QWidget* client = makeClientArea(*this, scale_, kTitleWindowWidth, kTitleWindowHeight);

    lblTitle_ = makeTitleLabel(client, scale_);
    lblMe_ =
        makeLabel(client, scale_, "lblMe", QStringLiteral("By: Maelor Pelvaro"),
                  {1320, 1455, 7215, 885}, gameFont(32.25, true), Qt::AlignHCenter | Qt::AlignTop);
    setLabelFill(*lblMe_, QColor(255, 255, 128));
    // The rules fill their rectangle; with some fonts the last line needs the lines closer.
    lblInstructions_ = new FittingLabel(client);
    lblInstructions_->setObjectName(QStringLiteral("lblInstructions"));
    lblInstructions_->setTextFormat(Qt::PlainText);
    lblInstructions_->setWordWrap(true);
    lblInstructions_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblInstructions_->setFont(gameFont(15.75));
    placeControl(*lblInstructions_, scale_, 540, 2610, 8880, 5100);
    setTextColour(*lblInstructions_, QColor(128, 0, 0));
    lblLoading_ = makeLabel(client, scale_, "lblLoading", QString(), {1440, 7920, 6975, 1335},
                            gameFont(27.75, true), Qt::AlignCenter);
    setLabelFill(*lblLoading_, QColor(192, 0, 0));

    // The start button takes the notice's place once loading is done.
    cmdStart_ = makeButton(client, scale_, "cmdStart", QStringLiteral("START  DOVRIXING!"),
                           {1440, 7920, 6975, 1335}, gameFont(36, true), QColor(0, 192, 0));
    cmdStart_->hide();
    connect(cmdStart_, &QPushButton::clicked, this, &FrmStart::startClicked);
}

void FrmStart::createActions() {
    mnuExit_ = makeExitAction();
    connect(mnuExit_, &QAction::triggered, this, &FrmStart::exitChosen);
    mnuAbout_ = makeAction("mnuAbout", "About", QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(mnuAbout_, &QAction::triggered, this, [this] { ShowAboutBox(messages_); });
    addMenu("mnuFile", "File")->addAction(mnuExit_);
    addMenu("mnuHelp", "Help")->addAction(mnuAbout_);
}

void FrmStart::load() {
    host_.hideLoginWindow();
    shared_.startScreenShown = true;
    lblInstructions_->setText(rulesText(shared_.levelCount));
    lblLoading_->setText(QStringLiteral("Loading Level Data\r\nPlease Wait..."));
    tmrLoad_->start();
    tmrStart_->start();
}

void FrmStart::loadingTick() {
    // Each step reports its own failures; the sequence goes on regardless.
    accounts_.GetPlayerName();
    LoadLevelTable(shared_);
    if (shared_.atSchool) {
        accounts_.LoadProgress();
    }
    accounts_.DownloadPars();
    offerStartButton();
    tmrLoad_->stop();
}

void FrmStart::startTick() {
    offerStartButton();
    tmrStart_->stop();
}

void FrmStart::offerStartButton() {
    // Once play has begun, neither timer touches the window any more.
    if (host_.playWindowVisible()) {
        return;
    }
    cmdStart_->show();
    lblLoading_->hide();
    cmdStart_->setFocus(Qt::OtherFocusReason);
}

void FrmStart::startClicked() {
    if (shared_.levelReached < 1 || shared_.currentLevel < 1) {
        shared_.levelReached = 1;
        shared_.currentLevel = 1;
    }
    host_.DisplayPuzzle(shared_.currentLevel);
    host_.showPlayWindow();
    hide();
}

void FrmStart::exitChosen() {
    host_.hideLoginWindow();
    hide();
    host_.endProgram();
}

void FrmStart::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!host_.playWindowVisible()) {
        host_.endProgram();
    }
}

} // namespace dovrix
