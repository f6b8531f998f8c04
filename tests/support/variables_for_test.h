#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace dovrix::testing {

// Sets or removes environment variables for the life of the object, then puts back the old
// values.
class VariablesForTest {
public:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.try_emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? setenv(name, value, 1) : unsetenv(name);
    }
    ~VariablesForTest() {
        for (const auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace dovrix::testing
