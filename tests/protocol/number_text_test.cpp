#include "number_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

namespace dovrix {
namespace {

TEST(NumberText, FieldValuesReadLeadingBlanksSignAndDigits) {
    const std::vector<std::pair<const char*, int16_t>> numbers = {
        {"12", 12},   {"   7", 7}, {"-3", -3},       {"+4", 4},          {"", 0},    {"abc", 0},
        {"12ab", 12}, {" -", 0},   {"32767", 32767}, {"-32768", -32768}, {"007", 7}, {"1 2", 1}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(fieldValue(text), value) << '"' << text << '"';
    }
    for (const char* text : {"32768", "-32769", "99999999999999999999"}) {
        EXPECT_EQ(fieldValue(text), std::nullopt) << text;
    }
}

TEST(NumberText, ServerNumbersReadDecimalsAndRoundHalvesToEven) {
    const std::pair<const char*, double> numbers[] = {{"57", 57.0},
                                                      {"  12.75xyz", 12.75},
                                                      {"<html>500</html>", 0.0},
                                                      {"-4", -4.0},
                                                      {"1e5", 1.0},
                                                      {"+.5", 0.5}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(leadingNumber(text), value) << text;
    }
    const std::pair<double, std::optional<int16_t>> rounded[] = {
        {2.5, 2}, {3.5, 4}, {-1.5, -2}, {32767.4, 32767}, {32767.5, {}}, {-40000, {}}};
    for (const auto& [number, value] : rounded) {
        EXPECT_EQ(roundToInt16(number), value) << number;
    }
    EXPECT_EQ(trimBlanks("  9 "), "9");
    EXPECT_EQ(trimBlanks("   "), "");
}

// A number that must be the whole text: the progress file's level, and the whole numbers of
// a request (a level, a move count, a port) as the game writes them.
TEST(NumberText, WholeTextsReadAsNumbersOrNotAtAll) {
    const std::vector<std::pair<const char*, std::optional<double>>> entire = {
        {"12", 12.0}, {"-3", -3.0}, {"+4", 4.0},     {"4.5", 4.5},     {".5", 0.5},
        {"7.", 7.0},  {"", {}},     {"+", {}},       {"-.", {}},       {"12a", {}},
        {"1 ", {}},   {"1e3", {}},  {"1.2.3", {}}};
    for (const auto& [text, value] : entire) {
        EXPECT_EQ(entireNumber(text), value) << '"' << text << '"';
    }
    const std::vector<std::pair<const char*, std::optional<int32_t>>> whole = {
        {"57", 57},     {"-3", -3},  {"007", 7},         {"0", 0},     {"999999999", 999999999},
        {"-999999999", -999999999},  {"1000000000", {}}, {"", {}},     {"-", {}},
        {"+5", {}},     {" 5", {}},  {"5 ", {}},         {"5.0", {}},  {"1e3", {}},
        {"--5", {}},    {"5-", {}},  {"0x10", {}}};
    for (const auto& [text, value] : whole) {
        EXPECT_EQ(wholeNumber(text), value) << '"' << text << '"';
    }
}

} // namespace
} // namespace dovrix
