#pragma once
// The environment of the process and the operating system's user.

#include "environment.h"

namespace dovrix {

class SystemEnvironment : public Environment {
public:
    std::string variable(const std::string& name) const override;
    bool exists(const std::string& name) const override;
    // The name the process's user logged on with: on Windows from the system (GetUserNameW),
    // elsewhere from the user database; the home folder's name if neither gives one.
    std::string systemUserName() const override;
};

} // namespace dovrix
