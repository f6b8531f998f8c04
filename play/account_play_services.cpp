#include "account_play_services.h"

#include <QCoreApplication>
#include <QDateTime>

namespace dovrix {

AccountPlayServices::AccountPlayServices(Accounts& accounts, ShareFiles& share)
    : accounts_(accounts), share_(share) {}

void AccountPlayServices::setEndScreen(std::function<void()> show, std::function<bool()> showing) {
    showEndScreen_ = std::move(show);
    endScreenShowing_ = std::move(showing);
}

void AccountPlayServices::UpdateAccount() {
    accounts_.UpdateAccount();
}

void AccountPlayServices::SaveProgress() {
    accounts_.SaveProgress();
}

void AccountPlayServices::uploadPar(int16_t level, int32_t moves, int16_t oldPar) {
    accounts_.uploadPar(level, moves, oldPar);
}

void AccountPlayServices::writeRecordFile(const std::string& relativePath,
                                          const std::string& content) {
    // A share that cannot be written loses the record file; the game goes on.
    share_.write(relativePath, content);
}

LocalTime AccountPlayServices::localTime() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return LocalTime{date.year(), date.month(),  date.day(),
                     time.hour(), time.minute(), time.second()};
}

void AccountPlayServices::showEndScreen() {
    if (showEndScreen_) {
        showEndScreen_();
    }
}

bool AccountPlayServices::endScreenShowing() const {
    return endScreenShowing_ && endScreenShowing_();
}

void AccountPlayServices::endProgram() {
    QCoreApplication::exit(0);
}

} // namespace dovrix
