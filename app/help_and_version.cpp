#include "help_and_version.h"

#include "dovrix_version.h"

#include <string_view>

namespace dovrix {

namespace {

constexpr std::string_view kHelp =
    "Usage: dovrix [--help | --version]\n"
    "A sliding-block puzzle: flick coloured blocks until every dot lies under a block of\n"
    "its colour. 100 levels, each with a par.\n"
    "\n"
    "Options:\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "\n"
    "The game takes no other arguments. On the school network (USERDOMAIN is the district's\n"
    "domain and HOMEDRIVE is H:) it knows the player by the log-on name; elsewhere the login\n"
    "window offers an online account, a school account or none.\n"
    "\n"
    "Environment:\n"
    "  DOVRIX_SERVER_URL      the account server's base URL, instead of the built-in one\n"
    "  DOVRIX_PROGRESS_SHARE  the folder holding the school's Dovrix/ progress files\n"
    "\n"
    "Exit status:\n"
    "  0  the game ended, or the help or version was shown\n"
    "  2  the command line held anything else\n";

} // namespace

std::optional<int> answerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err) {
    if (argc <= 1) {
        return std::nullopt;
    }
    const std::string_view argument = argv[1];
    if (argc == 2 && argument == "--help") {
        out << kHelp;
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
