#include "help_and_version.h"

#include "deployment.h"
#include "dovrix_version.h"

#include <string>
#include <string_view>

namespace dovrix {

namespace {

std::string helpText() {
    const Deployment builtIn = Deployment::builtIn();
    return "Usage: dovrix [--help | --version]\n"
           "A sliding-block puzzle: flick coloured blocks until every dot lies under a block of\n"
           "its colour. 100 levels, each with a par.\n"
           "\n"
           "Options:\n"
           "  --help     show this help and exit\n"
           "  --version  show the version and exit\n"
           "\n"
           "The game takes no other arguments. On the school network (USERDOMAIN is the "
           "district's\n"
           "domain and HOMEDRIVE its home drive) it knows the player by the log-on name; "
           "elsewhere\n"
           "the login window offers an online account, a school account or none.\n"
           "\n"
           "Settings:\n"
           "  An administrator sets them once for every user of the computer: on Windows as\n"
           "  string values of the registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\Dovrix\\Dovrix\n"
           "  (where Group Policy and the installer write them), elsewhere as lines Name=value in\n"
           "  /etc/xdg/Dovrix/Dovrix.conf (or Dovrix/Dovrix.conf in a folder of XDG_CONFIG_DIRS).\n"
           "  An environment variable beats the setting, the setting beats the built-in value,\n"
           "  and an empty value counts as none. A value that cannot be used is reported when the\n"
           "  game starts and nothing takes its place: the game then does without the server or\n"
           "  the share it names.\n"
           "\n"
           "  ServerUrl, DOVRIX_SERVER_URL\n"
           "      the account server's base URL, http:// or https:// (built in: " +
           builtIn.serverUrl +
           ")\n"
           "  ProgressShare, DOVRIX_PROGRESS_SHARE\n"
           "      the full path of the folder that holds Dovrix/, the players' progress files,\n"
           "      such as \\\\fs1\\dovrix$ on Windows (built in: " +
           builtIn.progressShare +
           ")\n"
           "  CaFile, DOVRIX_CA_FILE\n"
           "      a PEM file of certificate authorities trusted for https:// besides the system's\n"
           "  DistrictDomain\n"
           "      the school network's log-on domain, USERDOMAIN there (built in: " +
           builtIn.districtDomain +
           ")\n"
           "  HomeDrive\n"
           "      the school network's home drive, HOMEDRIVE there (built in: " +
           builtIn.homeDrive +
           ")\n"
           "\n"
           "Exit status:\n"
           "  0  the game ended, or the help or version was shown\n"
           "  2  the command line held anything else\n";
}

} // namespace

std::optional<int> answerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err) {
    if (argc <= 1) {
        return std::nullopt;
    }
    const std::string_view argument = argv[1];
    if (argc == 2 && argument == "--help") {
        out << helpText();
        return 0;
    }
    if (argc == 2 && argument == "--version") {
        out << "dovrix " << kVersion << '\n';
        return 0;
    }
    err << "dovrix: unexpected argument '" << argument << "' (the game takes only --help or "
        << "--version)\n";
    return 2;
}

} // namespace dovrix
