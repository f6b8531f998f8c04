// dovrix-solve solve: a shortest solution by breadth-first search.

#include "catalogue_check.h"
#include "commands.h"
#include "difficulty.h"

#include <chrono>
#include <cstdio>
#include <iostream>

namespace dovrix::tool {

int runSolve(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return usageError("solve needs a level");
    }
    solver::SolveOptions options;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--max-states" && i + 1 < arguments.size()) {
            const auto budget = positiveCount(arguments[++i]);
            if (!budget) {
                return usageError("--max-states needs a positive number");
            }
            options.maxStates = *budget;
        } else {
            return usageError("unknown option '" + arguments[i] + "'");
        }
    }
    const auto level = resolveLevel(arguments[0]);
    if (!level) {
        return kExitUsage;
    }
    const auto started = std::chrono::steady_clock::now();
    // The cheapest sound method: the one-hole box search, or breadth-first search region by
    // region (the whole board where it is one region).
    const auto proof = solver::proveOptimum(level->description, options.maxStates);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!proof) {
        return usageError("cannot search this level: " + proof.error());
    }
    char timing[64];
    std::snprintf(timing, sizeof timing, "%.2f s", seconds);
    switch (proof->outcome) {
    case solver::Proof::Outcome::Proven:
        std::cout << "optimum: " << proof->optimum << " moves (proven by " << proof->method
                  << ")\nmoves:";
        for (const MoveNotation& move : proof->moves) {
            std::cout << ' ' << formatMove(move);
        }
        std::cout << "\nstates: " << proof->states << " in " << timing << '\n';
        // The player's side of it: traps and shortest solutions, against the level's par.
        if (const auto difficulty =
                solver::measureDifficulty(level->description, options.maxStates)) {
            std::cout << "traps: " << difficulty->traps << " of " << difficulty->firstMoves
                      << " first moves\nshortest solutions: " << difficulty->solutions
                      << (difficulty->solutions >= solver::kSolutionCap || !difficulty->allCounted
                              ? " or more"
                              : "")
                      << '\n';
        } else {
            std::cout << "traps and shortest solutions not measured: " << difficulty.error()
                      << '\n';
        }
        return kExitDone;
    case solver::Proof::Outcome::Unsolvable:
        std::cout << "no solution: all " << proof->states << " reachable positions searched ("
                  << proof->method << ") in " << timing << '\n';
        return kExitNoAnswer;
    case solver::Proof::Outcome::NotProven:
        std::cout << "the state budget of " << options.maxStates << " states ran out after "
                  << timing << " (" << proof->method << ")\n";
        return kExitNoAnswer;
    }
    return kExitNoAnswer;
}

} // namespace dovrix::tool
