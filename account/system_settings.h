#pragma once
// The machine-wide settings as the system keeps them, read through QSettings (organisation and
// application "Dovrix", system scope): on Windows the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Dovrix\Dovrix, where Group Policy and the installer write them;
// elsewhere the file Dovrix/Dovrix.conf in the system's configuration folders
// (XDG_CONFIG_DIRS, /etc/xdg when unset). And the checks of a setting that need the system.

#include "deployment.h"

namespace dovrix {

// The five settings the game reads; those not set (or set empty) are left out.
MachineSettings readMachineSettings();

class SystemSettingChecks : public SettingChecks {
public:
    std::optional<std::string> folderProblem(const std::string& folder) const override;
    std::optional<std::string> authorityFileProblem(const std::string& file) const override;
    std::optional<std::string> serverUrlProblem(const std::string& url) const override;
};

} // namespace dovrix
