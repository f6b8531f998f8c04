#include "parent_console.h"

#ifdef _WIN32
#include <windows.h>

#include <iostream>
#include <streambuf>
#endif

namespace dovrix {

#ifdef _WIN32

namespace {

// A handle the program was given for the stream: a file, a pipe or a console.
bool isGiven(DWORD stream) {
    const HANDLE handle = GetStdHandle(stream);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// std::cout or std::cerr written straight to the console. The C library's streams of a
// program started without them cannot be opened again everywhere (Wine's freopen refuses
// one that never was), and all the game prints goes through the C++ streams.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    std::streamsize xsputn(const char* text, std::streamsize size) override {
        DWORD written = 0;
        return WriteFile(console_, text, static_cast<DWORD>(size), &written, nullptr) ? written : 0;
    }
    int_type overflow(int_type character) override {
        if (traits_type::eq_int_type(character, traits_type::eof())) {
            return traits_type::not_eof(character);
        }
        const char text = traits_type::to_char_type(character);
        return xsputn(&text, 1) == 1 ? character : traits_type::eof();
    }

private:
    HANDLE console_;
};

} // namespace

void useParentConsole() {
    const bool output = isGiven(STD_OUTPUT_HANDLE);
    const bool errors = isGiven(STD_ERROR_HANDLE);
    if (output && errors) {
        return;
    }
    // Refused with ERROR_ACCESS_DENIED when the program has a console already (Wine gives a
    // graphical program its parent's): the streams are written to that one.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
        return;
    }
    const HANDLE console =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) {
        return;
    }
    static ConsoleBuffer buffer(console); // for the whole run
    if (!output) {
        std::cout.rdbuf(&buffer);
    }
    if (!errors) {
        std::cerr.rdbuf(&buffer);
    }
}

#else

void useParentConsole() {}

#endif

} // namespace dovrix
