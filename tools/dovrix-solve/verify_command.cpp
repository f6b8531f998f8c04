// dovrix-solve verify: replays every stored solution through the tick engine and, with
// --prove, proves each level's fewest moves and writes the proven optima and a report.

#include "catalogue.h"
#include "catalogue_check.h"
#include "commands.h"
#include "difficulty.h"
#include "level_list.h"
#include "rank_correlation.h"
#include "text_file.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <thread>

namespace dovrix::tool {

namespace {

constexpr uint64_t kMeasureBudget = 20'000'000;

struct VerifyOptions {
    bool prove = false;
    std::set<int> levels;
    uint64_t maxStates = 150'000'000;
    std::string optimaPath;
    std::string reportPath;
};

struct Row {
    int level = 0;
    int par = 0;
    int stored = -1;    // moves of the stored solution, -1 when there is none
    std::string replay; // empty when the replay passed
    solver::Proof proof;
    std::optional<solver::Difficulty> difficulty; // measured with the proof
    std::string unmeasured;                       // why not, when it was not
    double seconds = 0;
};

std::string fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string optimumText(const Row& row) {
    switch (row.proof.outcome) {
    case solver::Proof::Outcome::Proven:
        return std::to_string(row.proof.optimum);
    case solver::Proof::Outcome::Unsolvable:
        return "unsolvable";
    case solver::Proof::Outcome::NotProven:
        break;
    }
    return "not proven";
}

std::string trapsText(const Row& row) {
    return row.difficulty ? std::to_string(row.difficulty->traps) + " of " +
                                std::to_string(row.difficulty->firstMoves)
                          : "?";
}

std::string solutionsText(const Row& row) {
    if (!row.difficulty) {
        return "?";
    }
    const uint64_t n = row.difficulty->solutions;
    if (!row.difficulty->allCounted) {
        return std::to_string(n) + "+ (not all counted)";
    }
    return n >= solver::kSolutionCap ? std::to_string(solver::kSolutionCap) + "+"
                                     : std::to_string(n);
}

std::string machineDescription() {
    std::ifstream cpu("/proc/cpuinfo");
    std::string line;
    std::string model;
    while (std::getline(cpu, line)) {
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::string text = std::to_string(std::thread::hardware_concurrency()) + " cores";
    return model.empty() ? text : model + ", " + text;
}

std::string optimaText(const std::vector<Row>& rows) {
    // Entries proven before and not searched now are kept.
    std::vector<std::optional<int16_t>> optima(kCatalogueSize + 1);
    for (int level = 1; level <= kCatalogueSize; ++level) {
        optima[level] = provenOptimum(level);
    }
    for (const Row& row : rows) {
        if (row.proof.outcome == solver::Proof::Outcome::Proven) {
            optima[row.level] = static_cast<int16_t>(row.proof.optimum);
        }
    }
    std::string text =
        "# The fewest moves that beat each level, proven by search: no solution is\n"
        "# shorter. Written by dovrix-solve verify --prove (scripts/prove-levels).\n";
    for (int level = 1; level <= kCatalogueSize; ++level) {
        if (optima[level]) {
            text += std::to_string(level) + " " + std::to_string(*optima[level]) + "\n";
        }
    }
    return text;
}

std::string reportText(const std::vector<Row>& rows, double totalSeconds, uint64_t maxStates) {
    int proven = 0;
    uint64_t states = 0;
    for (const Row& row : rows) {
        proven += row.proof.outcome == solver::Proof::Outcome::Proven;
        states += row.proof.states;
    }
    std::string text =
        "# Proofs of the pars\n\n"
        "Every level's fewest moves, proven by search: a stored solution reaches it, and the\n"
        "search shows that nothing shorter exists. Regenerate this file with\n"
        "`scripts/prove-levels`, which runs\n"
        "`dovrix-solve verify --prove --optima levels/optima.txt --report levels/PROOFS.md`.\n\n"
        "Breadth-first search works on whole slides over canonical states (blocks of one colour\n"
        "are interchangeable). A level whose blocks are walled or pitted into separate regions,\n"
        "none able to reach or touch another, is searched region by region and the fewest moves\n"
        "add up; the split is computed from the board and checked, never assumed. A box full of\n"
        "blocks but for one hole is searched by iterative-deepening A* under a lower bound that\n"
        "never overestimates.\n\n";
    text += "Beside the states its proof searched, each level is measured by two signs a player\n"
            "feels. Traps are the first moves after which the par can no longer be met, out of\n"
            "all first moves that change the board. Shortest solutions are the distinct move\n"
            "sequences of the fewest moves, counted up to " +
            std::to_string(solver::kSolutionCap) +
            ". Both come from a breadth-first search that completes the layer of the first goal\n"
            "(region by region; for the one-hole box, the hole search run after each first move\n"
            "and counting under the bound of the fewest moves). The rank correlation is\n"
            "Spearman's, of level number and states searched, ties ranked by their mean place.\n\n";
    std::vector<double> numbers;
    std::vector<double> searched;
    std::string under10k;
    std::string under50k;
    for (const Row& row : rows) {
        numbers.push_back(row.level);
        searched.push_back(static_cast<double>(row.proof.states));
        if (row.level > 20 && row.proof.states < 10'000) {
            under10k += (under10k.empty() ? "" : ", ") + std::to_string(row.level);
        }
        if (row.level > 50 && row.proof.states < 50'000) {
            under50k += (under50k.empty() ? "" : ", ") + std::to_string(row.level);
        }
    }
    text += "- Levels proven: " + std::to_string(proven) + " of " + std::to_string(rows.size()) +
            "\n- States searched: " + std::to_string(states) +
            "\n- Rank correlation of level number and states searched: " +
            fixed(solver::rankCorrelation(numbers, searched), 2) +
            "\n- Levels past 20 under 10,000 states: " + (under10k.empty() ? "none" : under10k) +
            "\n- Levels past 50 under 50,000 states: " + (under50k.empty() ? "none" : under50k) +
            "\n- Time: " + fixed(totalSeconds, 1) +
            " s in all, proofs and measurements\n- State budget per search: " +
            std::to_string(maxStates) + "\n- Machine: " + machineDescription() + "\n\n";
    text += "| Level | Par | Fewest moves | States searched | Traps | Shortest solutions | "
            "Time (s) | Proof |\n"
            "|---:|---:|---:|---:|---:|---:|---:|---|\n";
    for (const Row& row : rows) {
        std::string note = row.proof.method;
        if (row.proof.outcome == solver::Proof::Outcome::Proven && row.proof.optimum < row.par) {
            note += "; a player can beat the par by " + std::to_string(row.par - row.proof.optimum);
        }
        if (!row.unmeasured.empty()) {
            note += "; not measured: " + row.unmeasured;
        }
        text += "| " + std::to_string(row.level) + " | " + std::to_string(row.par) + " | " +
                optimumText(row) + " | " + std::to_string(row.proof.states) + " | " +
                trapsText(row) + " | " + solutionsText(row) + " | " + fixed(row.seconds, 2) +
                " | " + note + " |\n";
    }
    return text;
}

} // namespace

int runVerify(const std::vector<std::string>& arguments) {
    const auto& strings = builtInLevelStrings();
    VerifyOptions options;
    for (int level = 1; level <= static_cast<int>(strings.size()); ++level) {
        options.levels.insert(level);
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (a == "--prove") {
            options.prove = true;
        } else if (a == "--levels" && hasValue) {
            const auto levels =
                solver::parseLevelList(arguments[++i], static_cast<int>(strings.size()));
            if (!levels) {
                return usageError("--levels needs catalogue levels such as 2,5-9");
            }
            options.levels = *levels;
        } else if (a == "--max-states" && hasValue) {
            const auto budget = positiveCount(arguments[++i]);
            if (!budget) {
                return usageError("--max-states needs a positive number");
            }
            options.maxStates = *budget;
        } else if (a == "--optima" && hasValue) {
            options.optimaPath = arguments[++i];
        } else if (a == "--report" && hasValue) {
            options.reportPath = arguments[++i];
        } else {
            return usageError("unknown option '" + a + "'");
        }
    }
    if (!options.prove && (!options.optimaPath.empty() || !options.reportPath.empty())) {
        return usageError("--optima and --report need --prove");
    }

    const auto& solutions = solver::builtInSolutions();
    const auto started = std::chrono::steady_clock::now();
    std::vector<Row> rows;
    int failures = 0;
    std::cout
        << (options.prove
                ? "level   par  stored  optimum       states     traps  solutions    time  proof\n"
                : "level   par  stored  replay\n");
    for (int level : options.levels) {
        const std::string text(strings[level - 1]);
        const auto parsed = parseLevelString(text);
        Row row;
        row.level = level;
        row.par = parsed ? parsed->par : 0;
        const auto solution = solutions.find(level);
        if (parsed && solution != solutions.end()) {
            row.stored = static_cast<int>(solution->second.size());
        }
        if (options.prove && parsed) {
            const auto proofStarted = std::chrono::steady_clock::now();
            const auto proof = solver::proveOptimum(*parsed, options.maxStates);
            row.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - proofStarted)
                    .count();
            if (proof) {
                row.proof = *proof;
            } else {
                row.proof.method = proof.error();
            }
            if (row.proof.outcome == solver::Proof::Outcome::Proven) {
                // The measurement holds every state of the layers it searches, with their
                // paths: it gets a smaller budget than the proof, and a level it cannot
                // measure is still proven.
                auto measured = solver::measureDifficulty(
                    *parsed, std::min<uint64_t>(options.maxStates, kMeasureBudget));
                if (measured) {
                    row.difficulty = *measured;
                } else {
                    row.unmeasured = measured.error();
                }
            }
            row.seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - proofStarted)
                    .count();
        }
        const bool proven = row.proof.outcome == solver::Proof::Outcome::Proven;
        // The optimum proven now, or the one compiled in: a stored solution beats the par
        // where a player can.
        const auto optimum = proven
                                 ? std::optional<int16_t>(static_cast<int16_t>(row.proof.optimum))
                                 : provenOptimum(level);
        if (!parsed) {
            row.replay = "the level string cannot be read: " + parsed.error();
        } else if (solution == solutions.end()) {
            row.replay = "no stored solution";
        } else {
            const solver::ReplayCheck check = solver::replaySolution(text, solution->second);
            const int expected = solver::expectedSolutionLength(row.par, optimum);
            if (!check.problem.empty()) {
                row.replay = check.problem;
            } else if (check.counted != expected) {
                row.replay = "beaten after " + std::to_string(check.counted) + " moves, not " +
                             std::to_string(expected);
            }
        }
        // With proofs, the stored solution must be a shortest one, and no par may promise
        // fewer moves than the proven optimum.
        const bool failed =
            !row.replay.empty() || (options.prove && (!proven || row.proof.optimum != row.stored ||
                                                      row.proof.optimum > row.par));
        failures += failed;
        char line[128];
        if (options.prove) {
            std::snprintf(line, sizeof line, "%5d %5d %7d %8s %12llu %9s %10s %7s  ", level,
                          row.par, row.stored, optimumText(row).c_str(),
                          static_cast<unsigned long long>(row.proof.states), trapsText(row).c_str(),
                          solutionsText(row).c_str(), fixed(row.seconds, 2).c_str());
            std::cout << line << row.proof.method
                      << (row.replay.empty() ? "" : "; replay: " + row.replay) << '\n';
        } else {
            std::snprintf(line, sizeof line, "%5d %5d %7d  ", level, row.par, row.stored);
            std::cout << line << (row.replay.empty() ? "ok" : row.replay) << '\n';
        }
        std::cout.flush();
        rows.push_back(std::move(row));
    }
    const double total =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << rows.size() - failures << " of " << rows.size() << " levels pass"
              << (options.prove ? " (every par proven)" : "") << "; " << fixed(total, 1) << " s\n";
    if (!options.optimaPath.empty() &&
        !solver::replaceTextFile(options.optimaPath, optimaText(rows))) {
        std::cerr << "dovrix-solve: cannot write " << options.optimaPath << '\n';
        return kExitNoAnswer;
    }
    if (!options.reportPath.empty() &&
        !solver::replaceTextFile(options.reportPath, reportText(rows, total, options.maxStates))) {
        std::cerr << "dovrix-solve: cannot write " << options.reportPath << '\n';
        return kExitNoAnswer;
    }
    return failures == 0 ? kExitDone : kExitNoAnswer;
}

} // namespace dovrix::tool
