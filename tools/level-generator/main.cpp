// dovrix-levelgen: designs the catalogue's levels to their pars and writes the level data and
// the solutions beside it. The same seed always writes the same catalogue.
//
//   dovrix-levelgen [--seed N] [--levels LIST] [--data DIR]
//
// LIST names levels and ranges ("2,5-9"); by default all 100. A designed level is designed
// afresh; a level whose string is fixed keeps it and gets a shortest solution from the solver.
// DIR holds levels.txt and solutions.txt (default: levels). Levels not named are kept as they
// are.

#include "catalogue.h"
#include "catalogue_check.h"
#include "dovrix_version.h"
#include "level_design.h"
#include "level_list.h"
#include "level_plan.h"
#include "solution_file.h"
#include "text_file.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace dovrix;
using namespace dovrix::levelgen;

constexpr uint64_t kDefaultSeed = 20240607;
constexpr uint64_t kProofBudget = 100'000'000;

constexpr const char* kLevelsHeader =
    "# Dovrix level catalogue: one level string per line, level 1 first.\n"
    "# Format and how to regenerate and verify: README.md in this folder.\n";

constexpr const char* kUsage = "Usage: dovrix-levelgen [--seed N] [--levels LIST] [--data DIR]\n";

constexpr const char* kHelp =
    "Designs the catalogue's levels to their pars and writes levels.txt and solutions.txt.\n"
    "The same seed always writes the same catalogue.\n"
    "\n"
    "Options:\n"
    "  --seed N       the design seed (default 20240607)\n"
    "  --levels LIST  the levels to design, as in 2,5-9 (default all 100)\n"
    "  --data DIR     the folder holding levels.txt and solutions.txt (default levels)\n"
    "  --help         show this help and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  every level named was designed\n"
    "  1  a level could not be designed, or the files could not be written\n"
    "  2  bad arguments or unreadable level files\n";

int usage(const std::string& message) {
    std::cerr << "dovrix-levelgen: " << message << "\n" << kUsage;
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    uint64_t seed = kDefaultSeed;
    std::string dataDir = "levels";
    std::set<int> chosen;
    for (int level = 1; level <= 100; ++level) {
        chosen.insert(level);
    }
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help") {
            std::cout << kUsage << kHelp;
            return 0;
        }
        if (argument == "--version") {
            std::cout << "dovrix-levelgen " << kVersion << '\n';
            return 0;
        }
        if (i + 1 >= argc) {
            return usage("'" + argument + "' needs a value");
        }
        const std::string value = argv[++i];
        if (argument == "--seed") {
            try {
                seed = std::stoull(value);
            } catch (const std::exception&) {
                return usage("--seed needs a number");
            }
        } else if (argument == "--levels") {
            const auto levels = solver::parseLevelList(value, 100);
            if (!levels) {
                return usage("--levels needs levels from 1 to 100, such as 2,5-9");
            }
            chosen = *levels;
        } else if (argument == "--data") {
            dataDir = value;
        } else {
            return usage("unknown option '" + argument + "'");
        }
    }

    const std::string levelsPath = dataDir + "/levels.txt";
    const std::string solutionsPath = dataDir + "/solutions.txt";
    const auto levelsText = solver::readTextFile(levelsPath);
    if (!levelsText) {
        return usage("cannot read " + levelsPath);
    }
    std::vector<std::string> strings;
    for (std::string_view line : levelLines(*levelsText)) {
        strings.emplace_back(line);
    }
    if (strings.size() != 100) {
        return usage(levelsPath + " must hold 100 levels");
    }
    solver::SolutionBook solutions;
    if (const auto solutionsText = solver::readTextFile(solutionsPath)) {
        auto book = solver::readSolutions(*solutionsText);
        if (!book) {
            return usage(solutionsPath + ": " + book.error());
        }
        solutions = *book;
    }

    int failures = 0;
    for (int level : chosen) {
        const auto plan = planFor(level);
        if (!plan) {
            const auto fixed = parseLevelString(strings[level - 1]);
            const auto proof = fixed ? solver::proveOptimum(*fixed, kProofBudget)
                                     : Expected<solver::Proof>(Error{fixed.error()});
            if (!proof || proof->outcome != solver::Proof::Outcome::Proven) {
                std::cout << "level " << level << ": NO SHORTEST SOLUTION FOUND"
                          << (proof ? "" : ": " + proof.error()) << '\n';
                ++failures;
                continue;
            }
            solutions[level] = proof->moves;
            std::cout << "level " << level << ": string kept, fewest moves " << proof->optimum
                      << " (par " << fixed->par << ")\n";
        } else {
            // Rooms too small to be as hard as asked get more dots, and blocks for them.
            auto designed = designLevel(*plan, seed, std::cout);
            for (int moreDots = 1; moreDots <= 1 && !designed; ++moreDots) {
                std::cout << "level " << level << ": again with " << moreDots
                          << " more dots a room\n";
                designed = designLevel(*planFor(level, moreDots), seed, std::cout);
            }
            if (!designed) {
                std::cout << "level " << level << ": NOT DESIGNED\n";
                ++failures;
                continue;
            }
            strings[level - 1] = formatLevelString(designed->level);
            solutions[level] = designed->solution;
            std::cout << "level " << level << ": proof of " << designed->statesSearched
                      << " states: " << strings[level - 1] << '\n'
                      << std::flush;
        }
        // Saved after every level, so a long run can be stopped and resumed.
        std::string text = kLevelsHeader;
        for (const std::string& s : strings) {
            text += s + '\n';
        }
        if (!solver::replaceTextFile(levelsPath, text) ||
            !solver::replaceTextFile(solutionsPath, solver::formatSolutions(solutions))) {
            std::cerr << "dovrix-levelgen: cannot write " << dataDir << '\n';
            return 1;
        }
    }
    if (failures > 0) {
        std::cout << failures << " levels could not be designed\n";
        return 1;
    }
    return 0;
}
