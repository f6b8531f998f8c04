#include "frm_end.h"

#include "fonts.h"
#include "pictures.h"
#include "title_window.h"
#include "window_controls.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

namespace dovrix {

namespace {

constexpr int kBeepIntervalMs = 200;
constexpr int16_t kBeeps = 10;

QString messageText(int16_t levelCount) {
    const QString count = QString::number(levelCount);
    return QStringLiteral("Excellent work!!!  You have beaten all ") + count +
           QStringLiteral(" Dovrix levels!\r\n\r\n"
                          "Hello.  I am Maelor Pelvaro, the creator\r\n"
                          "of Dovrix.\r\n\r\n"
                          "As you know, Dovrix is a difficult game, and you have done very well "
                          "to complete all ") +
           count + QStringLiteral(" levels.\r\n\r\nCongratulations!!!");
}

} // namespace

FrmEnd::FrmEnd(const SharedState& shared, EndHost& host, Beeper& beeper, QWidget* parent)
    : GameWindow(parent), shared_(shared), host_(host), beeper_(beeper) {
    setObjectName(QStringLiteral("frmEnd"));
    setWindowTitle(QStringLiteral("Dovrix"));
    createControls();
    createActions();

    tmrBeep_ = new QTimer(this);
    tmrBeep_->setObjectName(QStringLiteral("tmrBeep"));
    tmrBeep_->setInterval(kBeepIntervalMs);
    connect(tmrBeep_, &QTimer::timeout, this, &FrmEnd::beepTick);
}

FrmEnd::~FrmEnd() = default;

void FrmEnd::createControls() {
    QWidget* client = makeClientArea(*this, scale_, kTitleWindowWidth, kTitleWindowHeight);

    lblTitle_ = makeTitleLabel(client, scale_);
    lblMessage_ =
        makeLabel(client, scale_, "lblMessage",
                  QStringLiteral("Congratulations!!  You have beaten all 100 Dovrix levels!"),
                  {480, 1425, 4335, 6075}, gameFont(18, true));

    imgMaelor_ = new QLabel(client);
    imgMaelor_->setObjectName(QStringLiteral("imgMaelor"));
    imgMaelor_->setPixmap(pictures::load(pictures::kEndPicture, devicePixelRatioF()));
    imgMaelor_->setScaledContents(true);
    placeControl(*imgMaelor_, scale_, 5160, 1515, 4200, 5955);

    cmdEnd_ = makeButton(client, scale_, "cmdEnd", QStringLiteral("Exit Program"),
                         {1440, 7920, 6975, 1335}, gameFont(36, true), QColor(192, 0, 0));
    connect(cmdEnd_, &QPushButton::clicked, this, &FrmEnd::exitChosen);
}

void FrmEnd::createActions() {
    mnuExit_ = makeExitAction();
    connect(mnuExit_, &QAction::triggered, this, &FrmEnd::exitChosen);
    addMenu("mnuFile", "File")->addAction(mnuExit_);
}

void FrmEnd::load() {
    lblMessage_->setText(messageText(shared_.levelCount));
    beepCount_ = 0;
    tmrBeep_->start();
}

void FrmEnd::beepTick() {
    beeper_.beep();
    ++beepCount_;
    if (beepCount_ >= kBeeps) {
        tmrBeep_->stop();
    }
}

void FrmEnd::exitChosen() {
    hide();
    host_.endProgram();
}

void FrmEnd::closeEvent(QCloseEvent* event) {
    event->accept();
    host_.endProgram();
}

} // namespace dovrix
