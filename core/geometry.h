#pragma once
// Board geometry in twips (1/1440 inch, 15 to a pixel at 96 dpi), measured from the top-left
// corner of the play window's client area.

#include <array>
#include <cstdint>

namespace dovrix {

struct Rect {
    int16_t left = 0;
    int16_t top = 0;
    int16_t width = 0;
    int16_t height = 0;

    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const Rect&) const = default;
};

// Strict overlap: rectangles that only touch along an edge do not overlap.
constexpr bool Overlaps(const Rect& a, const Rect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

namespace twips {

inline constexpr int kPerPixel = 15;
inline constexpr int kCellPitch = 600;   // distance between neighbouring cells
inline constexpr int kBoardOrigin = 150; // left and top of cell (0, 0) without offsets
inline constexpr int kBlockSize = 495;
inline constexpr int kGap = 105;  // between the squares of neighbouring cells
inline constexpr int kStep = 150; // how far a sliding block moves in one tick
inline constexpr int kDotInset = 120;
inline constexpr int kDotSize = 255;
inline constexpr int kPitSize = 510;
inline constexpr int kPatchSize = 480;

inline constexpr int kClientWidth = 12495;
inline constexpr int kClientHeight = 9210;

inline constexpr Rect kFrame{15, 15, 9165, 9165};
inline constexpr int kFrameBorderPixels = 3;

// What the frame encloses inside its border (3 pixels of 15 twips): a level's pieces must lie
// between these two lines in both directions to be drawn on the board.
inline constexpr int kInsideFirst = 15 + kFrameBorderPixels * kPerPixel;
inline constexpr int kInsideLast = 15 + 9165 - kFrameBorderPixels * kPerPixel;

// The board's outer walls: hidden strips along the four inner edges of the frame.
inline constexpr std::array<Rect, 4> kSides = {Rect{30, 0, 15, 9105}, Rect{0, 30, 9105, 15},
                                               Rect{9150, 0, 15, 9105}, Rect{0, 9150, 9105, 15}};

// The hidden label that stands for "no block selected".
inline constexpr Rect kBlank{150, 150, 135, 135};

// Templates lie below the client area.
inline constexpr int kTemplateTop = 10200;
inline constexpr int kDotTemplateTop = 10920;

// Left (or top) of the square of cell x (or y) of a level with the given offset.
constexpr int cellOrigin(int cell, int offset) {
    return kBoardOrigin + kCellPitch * cell + offset;
}

// A wall covering `cells` cells: the cells and the gaps between them. 0 keeps one cell's size.
constexpr int wallExtent(int cells) {
    return cells == 0 ? kBlockSize : kCellPitch * cells - kGap;
}

} // namespace twips

} // namespace dovrix
