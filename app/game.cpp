#include "game.h"

#include "system_settings.h"

#include <QCoreApplication>
#include <QTimer>

#include <iostream>

namespace dovrix {

Game::Game(SharedState& shared, MessageBoxService& messages, Beeper& beeper)
    : shared_(shared), messages_(messages), beeper_(beeper),
      deployment_(Deployment::resolve(environment_, readMachineSettings(), SystemSettingChecks())),
      share_(deployment_.progressShare),
      accounts_(shared_, deployment_, http_, share_, messages_, environment_),
      playServices_(accounts_, share_) {
    if (!deployment_.caFile.empty()) {
        http_.trustAuthoritiesFrom(deployment_.caFile);
    }
    playServices_.setEndScreen([this] { frmEnd().show(); },
                               [this] { return end_ != nullptr && end_->isVisible(); });
}

Game::~Game() {
    delete main_.data();
}

void Game::start() {
    FrmLogin& login = frmLogin();
    if (!shared_.startScreenShown) {
        login.show();
    }
    // At school without a share the progress files fail to open like those of a share out of
    // reach, but nobody chose that: it is reported. The settings report says so itself.
    const bool noShareAtSchool = shared_.atSchool && deployment_.progressShare.empty();
    if (deployment_.problems.empty() && !noShareAtSchool) {
        return;
    }
    // Once per run, for whoever looks after the computer: on the standard error for the
    // administrator, and in a box over the first window for the player, who may be the only
    // one to see it. The game goes on behind the box (at school the loading sequence runs).
    const bool settingsNotUsed = !deployment_.problems.empty();
    std::cerr << (settingsNotUsed ? settingsReportForLog(deployment_) : missingShareReportForLog())
              << std::flush;
    QTimer::singleShot(0, &login, [this, settingsNotUsed] {
        messages_.show(settingsNotUsed ? settingsReport(deployment_) : missingShareReport());
    });
}

FrmLogin& Game::frmLogin() {
    if (!login_) {
        login_ = std::make_unique<FrmLogin>(shared_, accounts_, messages_, *this);
        login_->load();
    }
    return *login_;
}

FrmStart& Game::frmStart() {
    if (!start_) {
        start_ = std::make_unique<FrmStart>(shared_, accounts_, messages_, *this);
        start_->load();
    }
    return *start_;
}

FrmMain& Game::frmMain() {
    if (main_.isNull()) {
        main_ = new FrmMain(shared_, messages_, playServices_);
        // Closing the play window unloads it: after the last level it is gone for good.
        main_->setAttribute(Qt::WA_DeleteOnClose);
    }
    return *main_;
}

FrmEnd& Game::frmEnd() {
    if (!end_) {
        end_ = std::make_unique<FrmEnd>(shared_, *this, beeper_);
        end_->load();
    }
    return *end_;
}

void Game::setLevelScrollBarMaximum(int16_t maximum) {
    frmMain().setLevelScrollBarMaximum(maximum);
}

void Game::showStartWindow() {
    frmStart().show();
}

void Game::hideLoginWindow() {
    // The login window is always the first one; the start window is never without it.
    if (login_) {
        login_->hide();
    }
}

bool Game::playWindowVisible() const {
    return !main_.isNull() && main_->isVisible();
}

void Game::DisplayPuzzle(int16_t& level) {
    frmMain().DisplayPuzzle(level);
}

void Game::showPlayWindow() {
    frmMain().show();
}

void Game::endProgram() {
    QCoreApplication::exit(0);
}

} // namespace dovrix
