// dovrix-solve: replays moves through the game's own tick engine, finds shortest solutions,
// prints the catalogue and verifies its stored solutions and pars. Level designers and the
// tests use it.

#include "commands.h"
#include "dovrix_version.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: dovrix-solve replay LEVEL MOVE...\n"
    "       dovrix-solve solve LEVEL [--max-states N]\n"
    "       dovrix-solve catalogue\n"
    "       dovrix-solve verify [--prove] [--levels LIST] [--max-states N]\n"
    "                           [--optima FILE] [--report FILE]\n"
    "       dovrix-solve --help | --version\n"
    "Plays moves through Dovrix's own rules, finds shortest solutions and checks the\n"
    "level catalogue.\n"
    "\n"
    "Commands:\n"
    "  replay     play the moves as a player makes them; print the result as JSON\n"
    "  solve      a shortest solution, and the proof that none is shorter\n"
    "  catalogue  the catalogue's level strings, level 1 first\n"
    "  verify     replay every stored solution; with --prove, prove every par\n"
    "\n"
    "LEVEL is a catalogue number or a level string; a MOVE is a colour, an element number\n"
    "and a direction letter (L, R, U, D), as in Blue1U or LBlue12R.\n"
    "\n"
    "Options:\n"
    "  --max-states N  stop searching after N states\n"
    "  --levels LIST   the levels to verify, as in 2,5-9 (default all)\n"
    "  --optima FILE   write the proven fewest moves of each level to FILE\n"
    "  --report FILE   write the proof table to FILE\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  no answer: unsolved, the state budget spent, or a check failed\n"
    "  2  bad arguments\n";

} // namespace

int main(int argc, char** argv) {
    using namespace dovrix::tool;
    if (argc < 2) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "replay") {
        return runReplay(arguments);
    }
    if (command == "solve") {
        return runSolve(arguments);
    }
    if (command == "catalogue") {
        return runCatalogue(arguments);
    }
    if (command == "verify") {
        return runVerify(arguments);
    }
    if (command == "--help" || command == "-h") {
        std::cout << kUsage;
        return kExitDone;
    }
    if (command == "--version") {
        std::cout << "dovrix-solve " << dovrix::kVersion << '\n';
        return kExitDone;
    }
    return usageError("unknown command '" + command + "' (try --help)");
}
