// A library preloaded into a program under test (LD_PRELOAD) that moves its monotonic clock
// ahead by what the test writes into a file: eight bytes, the shift in nanoseconds. The
// program is the shipped one, unchanged; only the clock it reads runs ahead, as though the
// minutes had passed. Without DOVRIX_CLOCK_SHIFT_FILE the clock is the system's.

#include <fcntl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace {

int shiftFile() {
    static const int file = [] {
        const char* path = std::getenv("DOVRIX_CLOCK_SHIFT_FILE");
        return path ? ::open(path, O_RDONLY | O_CLOEXEC) : -1;
    }();
    return file;
}

int64_t shiftNanoseconds() {
    int64_t shift = 0;
    if (shiftFile() < 0 || ::pread(shiftFile(), &shift, sizeof shift, 0) != sizeof shift) {
        return 0;
    }
    return shift;
}

} // namespace

extern "C" int clock_gettime(clockid_t clock, timespec* time) {
    // The system call itself, not the C library's entry, which this one replaces.
    const long result = ::syscall(SYS_clock_gettime, clock, time);
    if (result != 0 || (clock != CLOCK_MONOTONIC && clock != CLOCK_MONOTONIC_RAW &&
                        clock != CLOCK_MONOTONIC_COARSE && clock != CLOCK_BOOTTIME)) {
        return static_cast<int>(result);
    }
    constexpr int64_t kSecond = 1000000000;
    const int64_t nanoseconds = time->tv_nsec + shiftNanoseconds();
    time->tv_sec += static_cast<time_t>(nanoseconds / kSecond);
    time->tv_nsec = static_cast<long>(nanoseconds % kSecond);
    if (time->tv_nsec < 0) {
        time->tv_nsec += kSecond;
        time->tv_sec -= 1;
    }
    return 0;
}
