#include "beeper.h"

#include <QApplication>

namespace dovrix {

void SystemBeeper::beep() {
    QApplication::beep();
}

} // namespace dovrix
