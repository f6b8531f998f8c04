#include "system_environment.h"

#include <QDir>
#include <QtGlobal>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace dovrix {

std::string SystemEnvironment::variable(const std::string& name) const {
    return qEnvironmentVariable(name.c_str()).toStdString();
}

bool SystemEnvironment::exists(const std::string& name) const {
    return qEnvironmentVariableIsSet(name.c_str());
}

std::string SystemEnvironment::systemUserName() const {
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name) {
        return found->pw_name;
    }
    return QDir::home().dirName().toStdString();
}

} // namespace dovrix
