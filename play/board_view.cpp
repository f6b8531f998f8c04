#include "board_view.h"

#include "pictures.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <cmath>

namespace dovrix {

namespace {

QColor qtColour(Colour colour) {
    const Rgb rgb = colourRgb(colour);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

} // namespace

BoardView::BoardView(PlayScreen& play, const TwipScale& scale, QWidget* parent)
    : QWidget(parent), play_(play), scale_(scale) {
    setObjectName(QStringLiteral("board"));
    // The board paints its own background, and every mouse button reaches it: the right
    // button moves blocks too, so it opens no context menu.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::PreventContextMenu);
}

void BoardView::syncFromBoard() {
    const Board& board = play_.state().board;
    const std::vector<PieceRef>& order = board.drawingOrder();
    auto current = [&board](const PieceRef& ref) {
        const Piece* piece = board.find(ref);
        return piece != nullptr ? Drawn{ref, piece->rect, piece->visible} : Drawn{ref, {}, false};
    };

    if (board.generation() != drawnGeneration_ || order.size() != drawn_.size()) {
        drawn_.clear();
        for (const PieceRef& ref : order) {
            drawn_.push_back(current(ref));
        }
        drawnGeneration_ = board.generation();
        update();
        return;
    }

    QRegion dirty;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Drawn now = current(order[i]);
        Drawn& before = drawn_[i];
        if (now == before) {
            continue;
        }
        if (before.visible) {
            dirty += scale_.rect(before.rect);
        }
        if (now.visible) {
            dirty += scale_.rect(now.rect);
        }
        before = now;
    }
    if (!dirty.isEmpty()) {
        update(dirty);
    }
}

std::optional<PieceRef> BoardView::blockAt(QPointF position) const {
    const Board& board = play_.state().board;
    const QPoint pixel(static_cast<int>(std::floor(position.x())),
                       static_cast<int>(std::floor(position.y())));
    const std::vector<PieceRef>& order = board.drawingOrder();
    // Dots, arrows and the other pieces take no presses: the block beneath them does.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (!isBlockFamily(it->family) || it->index < 1) {
            continue;
        }
        const Piece* piece = board.find(*it);
        if (piece != nullptr && piece->visible && scale_.rect(piece->rect).contains(pixel)) {
            return *it;
        }
    }
    return std::nullopt;
}

QPointF BoardView::twipsRelativeTo(const PieceRef& block, QPointF position) const {
    const Piece* piece = play_.state().board.find(block);
    const QPointF twips = scale_.twips(position);
    return piece != nullptr ? twips - QPointF(piece->rect.left, piece->rect.top) : twips;
}

void BoardView::mousePressEvent(QMouseEvent* event) {
    // While a block holds the pointer every press goes to it, wherever the pointer is.
    if (!captured_) {
        captured_ = blockAt(event->position());
    }
    if (!captured_) {
        event->ignore();
        return;
    }
    play_.pressBlock(*captured_);
    emit gestureForwarded();
}

void BoardView::mouseMoveEvent(QMouseEvent* event) {
    if (!captured_ || play_.state().board.find(*captured_) == nullptr) {
        return; // no press on a block, or its level has been replaced meanwhile
    }
    const QPointF relative = twipsRelativeTo(*captured_, event->position());
    play_.moveOverBlock(*captured_, static_cast<float>(relative.x()),
                        static_cast<float>(relative.y()));
    emit gestureForwarded();
}

void BoardView::mouseReleaseEvent(QMouseEvent* event) {
    if (!captured_) {
        return;
    }
    play_.releaseBlock();
    if (event->buttons() == Qt::NoButton) {
        captured_.reset();
    }
    emit gestureForwarded();
}

const QPixmap& BoardView::picture(QPixmap& loaded, const QString& path, int sizeTwips) {
    // Loaded again when the window has moved to a screen of another device pixel ratio.
    const qreal ratio = devicePixelRatioF();
    if (loaded.isNull() || loaded.devicePixelRatio() != ratio) {
        loaded = pictures::fitted(path, scale_.rect(0, 0, sizeTwips, sizeTwips).size(), ratio);
    }
    return loaded;
}

const QPixmap& BoardView::dotPixmap(Colour colour, QSize size) {
    QPixmap& dot = dots_[colourIndex(colour)];
    const qreal ratio = devicePixelRatioF();
    if (dot.isNull() || dot.deviceIndependentSize().toSize() != size ||
        dot.devicePixelRatio() != ratio) {
        dot = QPixmap(size * ratio);
        dot.setDevicePixelRatio(ratio);
        dot.fill(Qt::transparent);
        QPainter painter(&dot);
        painter.setRenderHint(QPainter::Antialiasing);
        // A thin black rim keeps a dot visible on a block of its own colour.
        painter.setPen(QPen(Qt::black, 1.0));
        painter.setBrush(qtColour(colour));
        painter.drawEllipse(QRectF(0.5, 0.5, size.width() - 1.0, size.height() - 1.0));
    }
    return dot;
}

void BoardView::drawPiece(QPainter& painter, const PieceRef& ref, const QRect& pixels) {
    switch (ref.family) {
    case Family::Frame: {
        const int border = std::max(1, scale_.pixels(twips::kFrameBorderPixels * twips::kPerPixel));
        const QRect r = pixels;
        painter.fillRect(QRect(r.left(), r.top(), r.width(), border), Qt::black);
        painter.fillRect(QRect(r.left(), r.bottom() - border + 1, r.width(), border), Qt::black);
        painter.fillRect(QRect(r.left(), r.top(), border, r.height()), Qt::black);
        painter.fillRect(QRect(r.right() - border + 1, r.top(), border, r.height()), Qt::black);
        return;
    }
    case Family::Wall:
        painter.fillRect(pixels, Qt::black);
        return;
    case Family::Pit:
        painter.drawPixmap(pixels, picture(pit_, pictures::kPit, twips::kPitSize));
        return;
    case Family::Patch:
        painter.drawPixmap(pixels, picture(patch_, pictures::kPatch, twips::kPatchSize));
        return;
    case Family::Arrow: {
        const Direction direction = kDirections[static_cast<std::size_t>(ref.index)];
        painter.drawPixmap(pixels, picture(arrows_[static_cast<std::size_t>(ref.index)],
                                           pictures::arrow(direction), twips::kBlockSize));
        return;
    }
    case Family::Side:
    case Family::Blank:
        return; // the boundary strips and the placeholder are never drawn
    default:
        break;
    }
    if (isBlockFamily(ref.family)) {
        painter.fillRect(pixels, qtColour(familyColour(ref.family)));
    } else if (isDotFamily(ref.family)) {
        painter.drawPixmap(pixels.topLeft(), dotPixmap(familyColour(ref.family), pixels.size()));
    }
}

void BoardView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, palette().window());
    const Board& board = play_.state().board;
    for (const PieceRef& ref : board.drawingOrder()) {
        const Piece* piece = board.find(ref);
        if (piece == nullptr || !piece->visible) {
            continue;
        }
        const QRect pixels = scale_.rect(piece->rect);
        if (pixels.intersects(area)) {
            drawPiece(painter, ref, pixels);
        }
    }
}

} // namespace dovrix
