#pragma once
// The environment of the logged-on user.

#include <string>

namespace dovrix {

class Environment {
public:
    virtual ~Environment() = default;
    // The variable's value; empty when it does not exist.
    virtual std::string variable(const std::string& name) const = 0;
    // Whether the variable exists at all, even with an empty value. The default suits
    // environments that cannot tell an empty variable from a missing one.
    virtual bool exists(const std::string& name) const { return !variable(name).empty(); }
    // The operating system's user name, the same on every run: the log-on name on systems
    // without NWUSERNAME, LOGIN and USERNAME.
    virtual std::string systemUserName() const = 0;
};

} // namespace dovrix
