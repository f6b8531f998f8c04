// console_launcher PROGRAM [ARGUMENT...]: starts a program as cmd.exe starts a graphical one
// on Windows, in the console it runs in but with no standard input, output or error of its
// own, waits for it and exits with its exit code. (Wine's cmd.exe hands a graphical program
// its console's handles, so under Wine cmd.exe alone cannot show what Windows does.)

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// One argument as CommandLineToArgvW reads it back: quoted, with its quotes and the
// backslashes before them escaped.
std::wstring quoted(const wchar_t* argument) {
    std::wstring result = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t* c = argument; *c != L'\0'; ++c) {
        if (*c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(*c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        result.push_back(*c);
    }
    result.append(2 * backslashes, L'\\');
    return result + L"\"";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: console_launcher PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    std::wstring commandLine;
    for (int i = 1; i < argc; ++i) {
        commandLine += (i > 1 ? L" " : L"") + quoted(argv[i]);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // and every handle null
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "console_launcher: cannot start the program (error %lu)\n",
                     GetLastError());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
