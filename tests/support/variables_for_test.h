#pragma once

#include <cstdlib>
#ifdef _WIN32
#include <winsock2.h> // before windows.h, for the tests that also serve HTTP

#include <windows.h>
// windows.h names MessageBoxW by a macro MessageBox, which would rename the game's own.
#undef MessageBox
#endif
#include <map>
#include <optional>
#include <string>

namespace dovrix::testing {

// Sets or removes environment variables for the life of the object, then puts back the old
// values. (On Windows an empty value removes the variable.)
class VariablesForTest {
public:
    void set(const char* name, const char* value) {
#ifdef _WIN32
        const wchar_t* old = _wgetenv(wide(name).c_str());
        saved_.try_emplace(name, old ? std::optional<std::string>(utf8(old)) : std::nullopt);
#else
        const char* old = std::getenv(name);
        saved_.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
#endif
        put(name, value);
    }
    ~VariablesForTest() {
        for (const auto& [name, value] : saved_) {
            put(name.c_str(), value ? value->c_str() : nullptr);
        }
    }

private:
#ifdef _WIN32
    static std::wstring wide(const std::string& text) {
        std::wstring result(text.size(), L'\0');
        result.resize(static_cast<std::size_t>(
            MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                result.data(), static_cast<int>(result.size()))));
        return result;
    }
    static std::string utf8(const std::wstring& text) {
        std::string result(text.size() * 3, '\0');
        result.resize(static_cast<std::size_t>(
            WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                result.data(), static_cast<int>(result.size()), nullptr, nullptr)));
        return result;
    }
#endif
    static void put(const char* name, const char* value) {
#ifdef _WIN32
        // Windows keeps the variables in UTF-16; the narrow functions would take the bytes in
        // the ANSI code page.
        _wputenv_s(wide(name).c_str(), wide(value ? value : "").c_str());
#else
        value ? setenv(name, value, 1) : unsetenv(name);
#endif
    }

    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace dovrix::testing
