// The puzzle core's costs: one tick of a slide, building a level, and the solver's rate.

#include "catalogue.h"
#include "headless_game.h"
#include "solver.h"

#include <benchmark/benchmark.h>

namespace dovrix {
namespace {

std::string level(int number) {
    return std::string(builtInLevelStrings()[number - 1]);
}

// One tick of level 56 (44 blocks) while a block slides into the box's one hole. Each
// iteration puts the block back at the start of its step, so every tick is a full pass:
// the step, the obstacle scan over every wall and block, and the win test.
void tickWithABlockSliding(benchmark::State& state) {
    HeadlessGame game(level(56));
    PlayScreen& play = game.play();
    PlayWindowState& s = play.state();
    // Green 1 at (6,10) lies right below the hole at (6,9).
    const PieceRef mover = s.board.ref(Family::GreenBlock, 21);
    Piece& block = *s.board.find(mover);
    const Rect start = block.rect;
    s.selectedBlock = mover;
    s.blockColor = Colour::Green;
    for (auto _ : state) {
        block.rect = start;
        s.moveDirection = Direction::Up;
        s.blockMoving = true;
        play.tickMoveTimer();
        benchmark::DoNotOptimize(block.rect.top);
    }
    if (block.rect.top != start.top - 150) {
        state.SkipWithError("the block did not slide");
    }
}
BENCHMARK(tickWithABlockSliding);

void displayPuzzle(benchmark::State& state) {
    HeadlessGame game(level(56));
    for (auto _ : state) {
        int16_t number = 1;
        game.play().DisplayPuzzle(number);
        benchmark::DoNotOptimize(game.play().state().board.count(Family::RedBlock));
    }
}
BENCHMARK(displayPuzzle);

// Every reachable position of a level, stored once: the solver's rate of new states.
void solverStatesPerSecond(benchmark::State& state) {
    const auto description = parseLevelString(level(static_cast<int>(state.range(0)))).value();
    solver::SolveOptions options;
    options.stopAtGoal = false;
    options.maxStates = 30'000'000;
    uint64_t stored = 0;
    for (auto _ : state) {
        const auto result = solver::solve(description, options);
        stored += result.value().statesStored;
    }
    state.counters["states"] =
        benchmark::Counter(static_cast<double>(stored) / static_cast<double>(state.iterations()));
    state.counters["states_per_second"] =
        benchmark::Counter(static_cast<double>(stored), benchmark::Counter::kIsRate);
}
BENCHMARK(solverStatesPerSecond)->Arg(1)->Arg(31)->Arg(87)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace dovrix

BENCHMARK_MAIN();
