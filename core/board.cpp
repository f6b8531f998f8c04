#include "board.h"

#include <algorithm>

namespace dovrix {

namespace {

Rect templateRect(Family family) {
    using namespace twips;
    switch (family) {
    case Family::Pit:
        return {kBoardOrigin, kTemplateTop, kPitSize, kPitSize};
    case Family::Patch:
        return {kBoardOrigin, kTemplateTop, kPatchSize, kPatchSize};
    default:
        break;
    }
    if (isDotFamily(family)) {
        return {kBoardOrigin + kDotInset, kDotTemplateTop, kDotSize, kDotSize};
    }
    return {kBoardOrigin, kTemplateTop, kBlockSize, kBlockSize}; // walls and blocks
}

} // namespace

Board::Board() {
    for (int f = 0; f < kArrayFamilyCount; ++f) {
        arrays_[f].push_back(Piece{templateRect(static_cast<Family>(f)), false});
    }
    for (int i = 0; i < 4; ++i) {
        sides_[i] = Piece{twips::kSides[i], false};
        arrows_[i] = Piece{
            Rect{twips::kBoardOrigin, twips::kBoardOrigin, twips::kBlockSize, twips::kBlockSize},
            false};
    }
    frame_ = Piece{twips::kFrame, true};
    blank_ = Piece{twips::kBlank, false};
    drawingOrder_.push_back({Family::Frame, 0, 0});
    for (Direction d : kDirections) {
        drawingOrder_.push_back(arrow(d));
    }
}

const Piece* Board::find(const PieceRef& ref) const {
    return const_cast<Board*>(this)->find(ref);
}

Piece* Board::find(const PieceRef& ref) {
    if (isArrayFamily(ref.family)) {
        auto& array = arrays_[static_cast<int>(ref.family)];
        if (ref.index < 0 || ref.index >= static_cast<int>(array.size())) {
            return nullptr;
        }
        if (ref.index > 0 && ref.generation != generation_) {
            return nullptr;
        }
        return &array[ref.index];
    }
    switch (ref.family) {
    case Family::Side:
        return ref.index >= 0 && ref.index < 4 ? &sides_[ref.index] : nullptr;
    case Family::Arrow:
        return ref.index >= 0 && ref.index < 4 ? &arrows_[ref.index] : nullptr;
    case Family::Frame:
        return &frame_;
    case Family::Blank:
        return &blank_;
    default:
        return nullptr;
    }
}

PieceRef Board::create(Family family) {
    auto& array = arrays_[static_cast<int>(family)];
    Piece piece = array.front();
    piece.visible = false;
    array.push_back(piece);
    const PieceRef created = ref(family, static_cast<int16_t>(array.size() - 1));
    drawingOrder_.push_back(created);
    return created;
}

void Board::clear() {
    for (auto& array : arrays_) {
        array.resize(1);
    }
    std::erase_if(drawingOrder_, [](const PieceRef& r) { return isArrayFamily(r.family); });
    ++generation_;
}

void Board::bringToFront(const PieceRef& ref) {
    auto it = std::find(drawingOrder_.begin(), drawingOrder_.end(), ref);
    if (it != drawingOrder_.end()) {
        std::rotate(it, it + 1, drawingOrder_.end());
    }
}

void Board::sendToBack(const PieceRef& ref) {
    auto it = std::find(drawingOrder_.begin(), drawingOrder_.end(), ref);
    if (it != drawingOrder_.end()) {
        std::rotate(drawingOrder_.begin(), it, it + 1);
    }
}

} // namespace dovrix
