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
           "An administrator sets them once for every user of the computer: on Windows as string\n"
           "values of the registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\Dovrix\\Dovrix (the "
           "installer's\n"
           "SERVERURL, PROGRESSSHARE, CAFILE, DISTRICTDOMAIN and HOMEDRIVE write them), elsewhere\n"
           "as lines Name=value in /etc/xdg/Dovrix/Dovrix.conf (found through XDG_CONFIG_DIRS).\n"
           "An environment variable beats the setting, which beats the built-in value; an empty\n"
           "value counts as none. A value that cannot be used is reported when the game starts,\n"
           "and its part of the game then works without it.\n"
           "  ServerUrl       DOVRIX_SERVER_URL      the account server's base URL, http:// or\n"
           "                                         https:// (built in: " +
           builtIn.serverUrl +
           ")\n"
           "  ProgressShare   DOVRIX_PROGRESS_SHARE  the folder holding Dovrix/ with the players'\n"
           "                                         progress files, a full path such as\n"
           "                                         \\\\fs1\\dovrix$ (built in: " +
           builtIn.progressShare +
           ")\n"
           "  CaFile          DOVRIX_CA_FILE         a PEM file of certificate authorities "
           "trusted\n"
           "                                         for https:// besides the system's\n"
           "  DistrictDomain                         the school network's log-on domain (built\n"
           "                                         in: " +
           builtIn.districtDomain +
           ")\n"
           "  HomeDrive                              the school network's home drive (built in: " +
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
