#include "move_notation.h"

#include <cctype>

namespace dovrix {

namespace {

constexpr std::string_view kDirectionLetters = "LRUD";

} // namespace

std::optional<MoveNotation> parseMove(std::string_view text) {
    if (text.size() < 3) {
        return std::nullopt;
    }
    const std::size_t letter = kDirectionLetters.find(text.back());
    if (letter == std::string_view::npos) {
        return std::nullopt;
    }
    text.remove_suffix(1);
    std::size_t digits = text.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(text[digits - 1]))) {
        --digits;
    }
    const std::string_view number = text.substr(digits);
    const auto colour = colourFromName(text.substr(0, digits));
    if (!colour || number.empty() || number.size() > 4 || number.front() == '0') {
        return std::nullopt;
    }
    int element = 0;
    for (char c : number) {
        element = element * 10 + (c - '0');
    }
    return MoveNotation{*colour, static_cast<int16_t>(element), kDirections[letter]};
}

std::string formatMove(const MoveNotation& move) {
    std::string text(colourName(move.colour));
    text += std::to_string(move.element);
    text += kDirectionLetters[directionIndex(move.direction)];
    return text;
}

std::optional<std::vector<MoveNotation>> parseMoveList(std::string_view text) {
    std::vector<MoveNotation> moves;
    std::size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) {
            ++end;
        }
        const auto move = parseMove(text.substr(i, end - i));
        if (!move) {
            return std::nullopt;
        }
        moves.push_back(*move);
        i = end;
    }
    return moves;
}

} // namespace dovrix
