// dovrix-solve solve: a shortest solution by breadth-first search.

#include "commands.h"
#include "solver.h"

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
            const std::string& text = arguments[++i];
            if (text.empty() || text.size() > 12 ||
                text.find_first_not_of("0123456789") != std::string::npos ||
                std::stoull(text) == 0) {
                return usageError("--max-states needs a positive number");
            }
            options.maxStates = std::stoull(text);
        } else {
            return usageError("unknown option '" + arguments[i] + "'");
        }
    }
    const auto level = resolveLevel(arguments[0]);
    if (!level) {
        return kExitUsage;
    }
    const auto parsed = parseLevelString(level->levelString);
    if (!parsed) {
        return usageError("the level string cannot be read: " + parsed.error());
    }
    const auto started = std::chrono::steady_clock::now();
    const auto result = solver::solve(*parsed, options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!result) {
        return usageError("cannot search this level: " + result.error());
    }
    char timing[64];
    std::snprintf(timing, sizeof timing, "%.2f s", seconds);
    switch (result->status) {
    case solver::SolveResult::Status::Solved: {
        std::cout << "optimum: " << result->optimum << " moves (proven by breadth-first search)\n"
                  << "moves:";
        for (const MoveNotation& move : result->moves) {
            std::cout << ' ' << formatMove(move);
        }
        std::cout << "\nstates: " << result->statesStored << " in " << timing << '\n';
        return kExitDone;
    }
    case solver::SolveResult::Status::Unsolvable:
        std::cout << "no solution: all " << result->statesStored
                  << " reachable positions searched in " << timing << '\n';
        return kExitNoAnswer;
    case solver::SolveResult::Status::BudgetExhausted:
        std::cout << "the state budget of " << options.maxStates << " states ran out after "
                  << timing << ": no solution has " << result->depthCompleted
                  << " moves or fewer\n";
        return kExitNoAnswer;
    }
    return kExitNoAnswer;
}

} // namespace dovrix::tool
