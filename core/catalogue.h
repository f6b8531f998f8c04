#pragma once
// The level catalogue built into the program.

#include "shared_state.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace dovrix {

// The catalogue's level strings, level 1 first, as compiled into the program.
const std::vector<std::string_view>& builtInLevelStrings();

// Stores the built-in level strings into levelStrings entries 1 to 100, replacing what was
// there.
void LoadLevelTable(SharedState& state);

// Rewrites the par of one catalogue level: the new par's text, trimmed, followed by the old
// string from its first comma on. Levels outside the catalogue are left alone.
void rewriteCataloguePar(SharedState& state, int level, std::string_view newParText);

// The fewest moves that beat a catalogue level, where a search has proved it; nullopt for
// levels without a proof. No result, by anyone, can be below it.
std::optional<int16_t> provenOptimum(int level);

// Reads proven optima text: "<level> <moves>" per line, '#' comments. Lines that do not read
// as two numbers are skipped.
std::vector<std::optional<int16_t>> readOptima(std::string_view text);

// Splits level data text into level strings: one per line; blank lines and lines starting
// with '#' are skipped; blanks and a carriage return at either end of a line are dropped.
std::vector<std::string_view> levelLines(std::string_view text);

} // namespace dovrix
