#include "catalogue_check.h"

#include "headless_game.h"
#include "hole_search.h"
#include "move_replay.h"
#include "regions.h"

namespace dovrix {
// Generated at build time from levels/solutions.txt.
extern const std::string_view kBuiltInSolutionsData;
} // namespace dovrix

namespace dovrix::solver {

const SolutionBook& builtInSolutions() {
    static const SolutionBook book = [] {
        auto read = readSolutions(kBuiltInSolutionsData);
        return read ? *read : SolutionBook{};
    }();
    return book;
}

ReplayCheck replaySolution(const std::string& levelString, const std::vector<MoveNotation>& moves) {
    ReplayCheck check;
    HeadlessGame game(levelString);
    if (!game.built()) {
        check.problem = "the level does not build";
        return check;
    }
    PlayScreen& play = game.play();
    for (std::size_t i = 0; i < moves.size(); ++i) {
        if (game.host().levelsBeaten > 0) {
            check.problem = "beaten already before move " + std::to_string(i + 1);
            break;
        }
        const auto block = findBlock(play.state().board, moves[i]);
        if (!block) {
            check.problem =
                "move " + std::to_string(i + 1) + ", " + formatMove(moves[i]) + ", names no block";
            break;
        }
        if (!playMove(play, *block, moves[i].direction).counted) {
            check.problem =
                "move " + std::to_string(i + 1) + ", " + formatMove(moves[i]) + ", moves nothing";
            break;
        }
    }
    check.counted = play.state().movesMade;
    check.beaten = check.problem.empty() && game.host().levelsBeaten == 1;
    if (check.problem.empty() && !check.beaten) {
        check.problem = "not beaten after the last move";
    }
    return check;
}

int expectedSolutionLength(int par, std::optional<int16_t> provenOptimum) {
    return provenOptimum && *provenOptimum < par ? *provenOptimum : par;
}

Expected<Proof> proveOptimum(const LevelDescription& level, uint64_t maxStates) {
    if (const auto box = solveOneHoleBox(level, maxStates)) {
        Proof proof;
        proof.states = box->statesStored;
        proof.method = "iterative-deepening A* over the one-hole box";
        if (box->status == SolveResult::Status::Solved) {
            proof.outcome = Proof::Outcome::Proven;
            proof.optimum = box->optimum;
            proof.moves = box->moves;
        } else {
            proof.outcome = box->status == SolveResult::Status::Unsolvable
                                ? Proof::Outcome::Unsolvable
                                : Proof::Outcome::NotProven;
            proof.method +=
                ", no solution in " + std::to_string(box->depthCompleted) + " moves or fewer";
        }
        return proof;
    }
    SolveOptions options;
    options.maxStates = maxStates;
    const auto result = solveByRegions(level, options);
    if (!result) {
        return Error{result.error()};
    }
    Proof proof;
    proof.states = result->total.statesStored;
    if (result->regions.size() <= 1) {
        proof.method = "breadth-first search";
    } else {
        proof.method = "breadth-first search in " + std::to_string(result->regions.size()) +
                       " separate regions (";
        for (std::size_t i = 0; i < result->regions.size(); ++i) {
            const auto& part = result->regions[i];
            proof.method += i > 0 ? "+" : "";
            proof.method +=
                part.status == SolveResult::Status::Solved ? std::to_string(part.optimum) : "?";
        }
        proof.method += ")";
    }
    switch (result->total.status) {
    case SolveResult::Status::Solved:
        proof.outcome = Proof::Outcome::Proven;
        proof.optimum = result->total.optimum;
        proof.moves = result->total.moves;
        break;
    case SolveResult::Status::Unsolvable:
        proof.outcome = Proof::Outcome::Unsolvable;
        break;
    case SolveResult::Status::BudgetExhausted:
        proof.outcome = Proof::Outcome::NotProven;
        break;
    }
    return proof;
}

} // namespace dovrix::solver
