#include "system_environment.h"

#include <QDir>
#include <QString>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

#include <vector>

namespace dovrix {

std::string SystemEnvironment::variable(const std::string& name) const {
    return qEnvironmentVariable(name.c_str()).toStdString();
}

bool SystemEnvironment::exists(const std::string& name) const {
    return qEnvironmentVariableIsSet(name.c_str());
}

std::string SystemEnvironment::systemUserName() const {
#ifdef Q_OS_WIN
    // The name the user logged on with, without the domain.
    std::vector<wchar_t> buffer(257); // the longest user name, UNLEN, and the final null
    DWORD size = static_cast<DWORD>(buffer.size());
    if (GetUserNameW(buffer.data(), &size) && size > 1) {
        return QString::fromWCharArray(buffer.data(), static_cast<int>(size - 1)).toStdString();
    }
#else
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name) {
        return found->pw_name;
    }
#endif
    return QDir::home().dirName().toStdString();
}

} // namespace dovrix
