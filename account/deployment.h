#pragma once
// Where the account server and the progress share are, and how the school network is known.
// Each value comes from the first source that gives one: an environment variable
// (DOVRIX_SERVER_URL, DOVRIX_PROGRESS_SHARE, DOVRIX_CA_FILE), then the machine-wide setting
// an administrator made for every user of the computer (ServerUrl, ProgressShare, CaFile,
// DistrictDomain, HomeDrive), then the value built in at compile time. An empty value counts
// as none. A value that cannot be used is reported and leaves its part of the game without a
// value; it never falls through to the next source, so the game never quietly talks to a
// server or writes to a share that nobody chose.

#include "environment.h"
#include "message_box.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dovrix {

// The machine-wide settings as read from the system.
struct MachineSettings {
    // Where they live, as an administrator finds them: the registry key on Windows, the file
    // elsewhere.
    std::string location;
    // The settings that are set, by name ("ServerUrl", ...).
    std::map<std::string, std::string, std::less<>> values;
};

// What judging a setting needs from the system: its path rules and its files. Each answers
// why the value cannot be used, or nullopt when it can.
class SettingChecks {
public:
    virtual ~SettingChecks() = default;
    // The progress share: a full path on this system.
    virtual std::optional<std::string> folderProblem(const std::string& folder) const = 0;
    // Certificates to trust: a readable file that holds at least one.
    virtual std::optional<std::string> authorityFileProblem(const std::string& file) const = 0;
    // The account server's base URL: http:// or https://, a server name, a port from 1 to
    // 65535 if any, no user name or password, no query or fragment (the paths follow it).
    virtual std::optional<std::string> serverUrlProblem(const std::string& url) const = 0;
};

// A value that cannot be used, and where it came from.
struct SettingProblem {
    std::string name;   // "DOVRIX_SERVER_URL", "ServerUrl", ...
    std::string source; // "environment variable" or "machine setting, <location>"
    std::string value;
    std::string reason; // why it cannot be used, a clause ("the file does not exist")
};

struct Deployment {
    // Absolute, ends with '/'. Empty when the account server cannot be used: every request
    // then fails as a transfer that found no server.
    std::string serverUrl;
    std::string accountPath; // "dovrix/account" by default
    std::string parListPath; // "dovrix/pars" by default
    // The folder that holds Dovrix/ and Dovrix/NewPars/. Empty when it cannot be used: every
    // file on the share then fails to open.
    std::string progressShare;
    std::string districtDomain = "VORNA";
    std::string homeDrive = "H:";
    // A PEM file of authorities trusted for https:// besides the system's (a school's own,
    // or a test's); empty for the system's alone.
    std::string caFile;
    // The values that could not be used, in the order above.
    std::vector<SettingProblem> problems;

    // The values built in at compile time.
    static Deployment builtIn();
    // The environment's and the machine's settings over the built-in values.
    static Deployment resolve(const Environment& environment, const MachineSettings& machine,
                              const SettingChecks& checks);
};

// The report of the settings that cannot be used, for the player to pass on: a message box
// titled "Dovrix -- Settings Not Used", and the same as lines for the standard error.
MessageBox settingsReport(const Deployment& deployment);
std::string settingsReportForLog(const Deployment& deployment);

// The report at school when no progress share is set and none is built in (the Windows
// build has none: no folder means the same on every school's network): a box titled
// "Dovrix -- No Progress Share", and the same as lines for the standard error.
MessageBox missingShareReport();
std::string missingShareReportForLog();

} // namespace dovrix
