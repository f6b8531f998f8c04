#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace dovrix::testing {

// Sets or removes environment variables for the life of the object, then puts back the old
// values. (On Windows an empty value removes the variable.)
class VariablesForTest {
public:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
        put(name, value);
    }
    ~VariablesForTest() {
        for (const auto& [name, value] : saved_) {
            put(name.c_str(), value ? value->c_str() : nullptr);
        }
    }

private:
    static void put(const char* name, const char* value) {
#ifdef _WIN32
        _putenv_s(name, value ? value : "");
#else
        value ? setenv(name, value, 1) : unsetenv(name);
#endif
    }

    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace dovrix::testing
