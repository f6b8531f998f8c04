// The play window's move timer and board repaints during real slides: a block flicked across
// 14 cells again and again with mouse events, the window's own 15 ms tmrMove driving it.
// Prints a table of tick intervals and repaint times and exits with 1 when a target is missed.
//
//   dovrix-play-window-bench [slides]      (default 20; QT_QPA_PLATFORM picks the platform)

#include "bench_support.h"
#include "catalogue.h"
#include "frm_main.h"
#include "message_box.h"

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

namespace dovrix {
namespace {

using bench::percentile;

using Clock = std::chrono::steady_clock;

// The block starts in column 0 and slides to column 14 and back: 56 steps and the tick that
// finds the board's edge, each way. The red dot keeps the level from ever being solved.
const char* const kSlideLevel = "0,0,0,0,0,0,1,0,7,1,1,14,0,2,";

class NoBoxes : public MessageBoxService {
public:
    MessageAnswer show(const MessageBox&) override { return MessageAnswer::Ok; }
};

class NoServices : public PlayServices {
public:
    void UpdateAccount() override {}
    void SaveProgress() override {}
    void uploadPar(int16_t, int32_t, int16_t) override {}
    void writeRecordFile(const std::string&, const std::string&) override {}
    LocalTime localTime() override { return {}; }
    void showEndScreen() override {}
    bool endScreenShowing() const override { return false; }
    void endProgram() override {}
};

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Watches tmrMove's timer events and the board's paint events, running each itself to time it.
class Watcher : public QObject {
public:
    Watcher(FrmMain& window, QObject* timer, QWidget* board)
        : window_(window), timer_(timer), board_(board) {}

    bool eventFilter(QObject* object, QEvent* event) override {
        if (object == timer_ && event->type() == QEvent::Timer) {
            const Clock::time_point start = Clock::now();
            timer_->removeEventFilter(this);
            QCoreApplication::sendEvent(timer_, event);
            timer_->installEventFilter(this);
            const bool moving = window_.play().state().blockMoving;
            if (sliding) {
                intervals.push_back(milliseconds(start - lastTick_));
            }
            lastTick_ = start;
            // The slide runs from the tick that starts the block to the tick that stops it.
            if (moving && !sliding) {
                sliding = true;
            } else if (!moving && sliding) {
                sliding = false;
                loop.quit();
            }
            return true;
        }
        if (object == board_ && event->type() == QEvent::Paint && sliding) {
            const Clock::time_point start = Clock::now();
            board_->removeEventFilter(this);
            QCoreApplication::sendEvent(board_, event);
            board_->installEventFilter(this);
            repaints.push_back(milliseconds(Clock::now() - start));
            return true;
        }
        return false;
    }

    bool sliding = false;
    QEventLoop loop;
    std::vector<double> intervals;
    std::vector<double> repaints;

private:
    FrmMain& window_;
    QObject* timer_;
    QWidget* board_;
    Clock::time_point lastTick_;
};

// The machine's load over the last minute, which the tick intervals depend on.
std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string oneMinute;
    file >> oneMinute;
    return oneMinute.empty() ? "unknown" : oneMinute;
}

double mean(const std::vector<double>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0) / values.size();
}

int run(int slides) {
    SharedState shared;
    shared.levelCount = kCatalogueSize;
    LoadLevelTable(shared);
    shared.levelStrings[1] = kSlideLevel;
    shared.levelReached = 1;
    NoBoxes boxes;
    NoServices services;
    FrmMain window(shared, boxes, services);
    int16_t level = 1;
    window.DisplayPuzzle(level);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the play window was not shown\n");
        return 2;
    }

    auto* timer = window.findChild<QTimer*>("tmrMove");
    auto* board = window.findChild<QWidget*>("board");
    Watcher watcher(window, timer, board);
    timer->installEventFilter(&watcher);
    board->installEventFilter(&watcher);

    const TwipScale scale = TwipScale::forScreen(window.screen());
    const PieceRef block = window.play().state().board.ref(Family::BlueBlock, 1);
    QTimer stuck; // a slide that does not end stops the run
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, &watcher.loop, &QEventLoop::quit);
    for (int i = 0; i < slides; ++i) {
        const QRect r = scale.rect(window.play().state().board.find(block)->rect);
        const bool right = i % 2 == 0;
        const QPoint beyond(right ? r.right() + 10 : r.left() - 10, r.center().y());
        QTest::mousePress(board, Qt::LeftButton, {}, r.center());
        QTest::mouseMove(board, beyond);
        QTest::mouseRelease(board, Qt::LeftButton, {}, beyond);
        stuck.start(5000);
        watcher.loop.exec();
        const int left = window.play().state().board.find(block)->rect.left;
        if (left != (right ? 8550 : 150)) {
            std::fprintf(stderr, "slide %d stopped at %d twips\n", i + 1, left);
            return 2;
        }
    }
    if (watcher.intervals.empty() || watcher.repaints.empty()) {
        std::fprintf(stderr, "no ticks or no repaints were seen\n");
        return 2;
    }

    const double meanInterval = mean(watcher.intervals);
    const double p99 = percentile(watcher.intervals, 0.99);
    const double longest = *std::max_element(watcher.intervals.begin(), watcher.intervals.end());
    const double meanPaint = mean(watcher.repaints);
    const double p99Paint = percentile(watcher.repaints, 0.99);
    const double longestPaint = *std::max_element(watcher.repaints.begin(), watcher.repaints.end());

    struct Row {
        const char* measure;
        double value;
        const char* target;
        bool met;
    };
    const Row rows[] = {
        {"tick interval, mean", meanInterval, "15 +- 0.5 ms",
         meanInterval >= 14.5 && meanInterval <= 15.5},
        {"tick interval, 99th percentile", p99, "< 20 ms", p99 < 20},
        {"tick interval, longest", longest, "< 30 ms", longest < 30},
        {"repaint while sliding, mean", meanPaint, "< 1 ms", meanPaint < 1},
        {"repaint while sliding, 99th percentile", p99Paint, "", true},
        {"repaint while sliding, longest", longestPaint, "", true},
    };
    std::printf("Play window, %d slides of 14 cells: %zu tick intervals, %zu repaints "
                "(platform %s, load average %s)\n\n",
                slides, watcher.intervals.size(), watcher.repaints.size(),
                qPrintable(QGuiApplication::platformName()), loadAverage().c_str());
    std::printf("| Measure | Result | Target |\n|---|---|---|\n");
    bool allMet = true;
    for (const Row& row : rows) {
        std::printf("| %s | %.3f ms | %s%s |\n", row.measure, row.value, row.target,
                    row.met ? "" : " (missed)");
        allMet = allMet && row.met;
    }
    return allMet ? 0 : 1;
}

} // namespace
} // namespace dovrix

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int slides = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    return dovrix::run(slides);
}
