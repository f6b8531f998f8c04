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
           "A sliding-block puzzle: flick coloured blocks until every dot lies under a block\n"
           "of its colour. 100 levels, each with a par.\n"
           "\n"
           "Options:\n"
           "  --help     show this help and exit\n"
           "  --version  show the version and exit\n"
           "\n"
           "The game takes no other arguments. On the school network (USERDOMAIN is the\n"
           "district's domain and HOMEDRIVE its home drive) it knows the player by the\n"
           "log-on name; elsewhere the login window offers an online account, a school\n"
           "account or none.\n"
           "\n"
           "Settings:\n"
           "  ServerUrl, DOVRIX_SERVER_URL          the account server's base URL, http://\n"
           "                                        or https://\n"
           "                                        (built in: " +
           builtIn.serverUrl +
           ")\n"
           "  ProgressShare, DOVRIX_PROGRESS_SHARE  the full path of the folder that holds\n"
           "                                        Dovrix/, the players' progress files,\n"
           "                                        such as \\\\fs1\\dovrix$ on Windows\n"
           "                                        (built in: " +
           (builtIn.progressShare.empty() ? std::string("none") : builtIn.progressShare) +
           ")\n"
           "  CaFile, DOVRIX_CA_FILE                a PEM file of certificate authorities\n"
           "                                        trusted for https:// besides the\n"
           "                                        system's\n"
           "  DistrictDomain                        the school network's log-on domain,\n"
           "                                        USERDOMAIN there (built in: " +
           builtIn.districtDomain +
           ")\n"
           "  HomeDrive                             the school network's home drive,\n"
           "                                        HOMEDRIVE there (built in: " +
           builtIn.homeDrive +
           ")\n"
           "\n"
           "An administrator sets them once for every user of the computer: on Windows as\n"
           "string values of the registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\Dovrix\\Dovrix\n"
           "(where Group Policy and the installer write them), elsewhere as lines Name=value\n"
           "in /etc/xdg/Dovrix/Dovrix.conf (or Dovrix/Dovrix.conf in a folder named by\n"
           "XDG_CONFIG_DIRS). An environment variable beats the setting, the setting beats\n"
           "the built-in value, and an empty value counts as none. A value that cannot be\n"
           "used is reported when the game starts and nothing takes its place: the game then\n"
           "does without the server or the share it names.\n"
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
