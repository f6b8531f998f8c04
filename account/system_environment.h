#pragma once
// The environment of the process and the operating system's user.

#include "environment.h"

namespace dovrix {

class SystemEnvironment : public Environment {
public:
    std::string variable(const std::string& name) const override;
    bool exists(const std::string& name) const override;
    // The login name of the process's user in the system's user database; the home folder's
    // name if the database has no entry.
    std::string systemUserName() const override;
};

} // namespace dovrix
