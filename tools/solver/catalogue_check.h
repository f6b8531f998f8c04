#pragma once
// Checks of the catalogue against its solutions file: every stored solution replayed through
// the tick engine, exactly as a player would make the moves, and proofs of the fewest moves.

#include "move_notation.h"
#include "solution_file.h"
#include "solver.h"

#include <optional>
#include <string>
#include <vector>

namespace dovrix::solver {

// The solutions file compiled into the program, beside the catalogue.
const SolutionBook& builtInSolutions();

struct ReplayCheck {
    bool beaten = false; // the level was beaten by the last move, and not before
    int counted = 0;     // moves the move counter counted
    std::string problem; // empty when beaten with every move counted
};

// Replays the moves on the level as a player makes them.
ReplayCheck replaySolution(const std::string& levelString, const std::vector<MoveNotation>& moves);

// How many moves a level's stored solution must take: its par, or its proven optimum where
// a player can beat the par.
int expectedSolutionLength(int par, std::optional<int16_t> provenOptimum);

struct Proof {
    enum class Outcome { Proven, NotProven, Unsolvable };
    Outcome outcome = Outcome::NotProven;
    int optimum = -1;
    uint64_t states = 0;
    std::string method;              // how it was proven, for the report
    std::vector<MoveNotation> moves; // one shortest solution when proven
};

// The fewest moves that beat a level, by the cheapest sound method: a search over the
// one-hole box where the level is one, else breadth-first search region by region.
Expected<Proof> proveOptimum(const LevelDescription& level, uint64_t maxStates);

} // namespace dovrix::solver
