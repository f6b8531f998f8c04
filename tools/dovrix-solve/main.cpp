// dovrix-solve: replays moves through the game's own tick engine, finds shortest solutions,
// prints the catalogue and verifies its stored solutions and pars. Level designers and the
// tests use it.

#include "commands.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: dovrix-solve replay LEVEL MOVE...\n"
    "       dovrix-solve solve LEVEL [--max-states N]\n"
    "       dovrix-solve catalogue\n"
    "       dovrix-solve verify [--prove] [--levels LIST] [--max-states N]\n"
    "                           [--optima FILE] [--report FILE]\n"
    "LEVEL is a catalogue number or a level string; a MOVE is a colour, an element number\n"
    "and a direction letter (L, R, U, D), as in Blue1U or LBlue12R.\n";

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
    return usageError("unknown command '" + command + "' (try --help)");
}
