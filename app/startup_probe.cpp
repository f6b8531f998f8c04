#include "startup_probe.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>

namespace dovrix {

void StartupProbe::installIfAsked() {
    if (qEnvironmentVariableIsEmpty("DOVRIX_STARTUP_PROBE")) {
        return;
    }
    auto* probe = new StartupProbe;
    probe->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(probe);
}

bool StartupProbe::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Expose || reported_) {
        return false;
    }
    auto* window = qobject_cast<QWindow*>(watched);
    if (window == nullptr || !window->isExposed()) {
        return false;
    }
    reported_ = true;
    // The expose paints the window; the reading is taken once that has happened.
    const QString name = window->objectName().chopped(
        window->objectName().endsWith(QStringLiteral("Window")) ? 6 : 0);
    QTimer::singleShot(0, this, [name] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("%s shown %lld\n", qPrintable(name),
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    return false;
}

} // namespace dovrix
