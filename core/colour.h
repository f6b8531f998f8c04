#pragma once
// The six colours of blocks and dots, with their codes in level strings and their names.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace dovrix {

// Values are the colour codes of level strings; their order is the order in which the slide
// engine and the win test walk the colours.
enum class Colour : uint8_t { Blue = 1, Red = 2, Green = 3, Pink = 4, Orange = 5, LBlue = 6 };

inline constexpr int kColourCount = 6;
inline constexpr std::array<Colour, kColourCount> kColoursInCodeOrder = {
    Colour::Blue, Colour::Red, Colour::Green, Colour::Pink, Colour::Orange, Colour::LBlue};

struct Rgb {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// 0 for Blue up to 5 for LBlue: the colour's place in code order.
constexpr int colourIndex(Colour colour) {
    return static_cast<int>(colour) - 1;
}

// "Blue", "Red", "Green", "Pink", "Orange" or "LBlue".
std::string_view colourName(Colour colour);
std::optional<Colour> colourFromName(std::string_view name);
std::optional<Colour> colourFromCode(int code);
Rgb colourRgb(Colour colour);

} // namespace dovrix
