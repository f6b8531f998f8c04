#pragma once
// The test's side of shifted_clock.cpp: a program started with environment() reads its
// monotonic clock moved ahead by what setTo() says, so a test can let ten minutes pass in a
// moment. The test's own clock is the system's.

#include <QProcessEnvironment>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace dovrix::testing {

class ShiftedClock {
public:
    using Clock = std::chrono::steady_clock;

    explicit ShiftedClock(std::filesystem::path file) : file_(std::move(file)) {
        std::ofstream(file_, std::ios::binary); // made before any program reads it
        write();
    }

    // The environment of a program whose clock this shifts: the library preloaded, and, in a
    // sanitizer build, AddressSanitizer told that it need not come first.
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LD_PRELOAD", DOVRIX_SHIFTED_CLOCK_LIBRARY);
        environment.insert("DOVRIX_CLOCK_SHIFT_FILE", QString::fromStdString(file_.string()));
        const QString asan = environment.value("ASAN_OPTIONS");
        environment.insert("ASAN_OPTIONS",
                           (asan.isEmpty() ? "" : asan + ":") + "verify_asan_link_order=0");
        return environment;
    }

    // From now on the program's clock reads `moment` of the test's clock, and runs on from it.
    void setTo(Clock::time_point moment) {
        shift_ = moment - Clock::now();
        write();
    }

private:
    // Overwritten in place, never emptied: a program reading meanwhile sees the old shift or
    // the new one, not none.
    void write() const {
        const int64_t nanoseconds = std::chrono::nanoseconds(shift_).count();
        std::ofstream out(file_, std::ios::binary | std::ios::in | std::ios::out);
        if (!out.write(reinterpret_cast<const char*>(&nanoseconds), sizeof nanoseconds).flush()) {
            throw std::runtime_error("cannot write " + file_.string());
        }
    }

    std::filesystem::path file_;
    Clock::duration shift_{};
};

} // namespace dovrix::testing
