#pragma once
// For start-up measurements: when DOVRIX_STARTUP_PROBE is set, the program prints one line
// once its first window has been exposed and painted,
//     <object name> shown <steady clock in nanoseconds>
// and then ends. The steady clock is the system's monotonic clock, so the program that
// started the game can subtract its own reading taken just before.

#include <QObject>

namespace dovrix {

class StartupProbe : public QObject {
    Q_OBJECT
public:
    // Watches the application's windows when the environment asks for it; otherwise does
    // nothing.
    static void installIfAsked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool reported_ = false;
};

} // namespace dovrix
