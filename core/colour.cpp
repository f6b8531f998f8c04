#include "colour.h"

namespace dovrix {

namespace {

constexpr std::array<std::string_view, kColourCount> kNames = {"Blue", "Red",    "Green",
                                                               "Pink", "Orange", "LBlue"};
constexpr std::array<Rgb, kColourCount> kRgb = {Rgb{0, 0, 255},   Rgb{255, 0, 0},
                                                Rgb{0, 192, 0},   Rgb{255, 0, 255},
                                                Rgb{255, 128, 0}, Rgb{0, 192, 192}};

} // namespace

std::string_view colourName(Colour colour) {
    return kNames[colourIndex(colour)];
}

std::optional<Colour> colourFromName(std::string_view name) {
    for (Colour colour : kColoursInCodeOrder) {
        if (colourName(colour) == name) {
            return colour;
        }
    }
    return std::nullopt;
}

std::optional<Colour> colourFromCode(int code) {
    if (code < 1 || code > kColourCount) {
        return std::nullopt;
    }
    return static_cast<Colour>(code);
}

Rgb colourRgb(Colour colour) {
    return kRgb[colourIndex(colour)];
}

} // namespace dovrix
