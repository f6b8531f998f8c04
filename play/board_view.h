#pragma once
// The play window's board: draws the pieces of the core's Board in their drawing order and
// turns mouse input on the blocks into the drag gesture. It repaints only the pieces that
// changed since the last sync.

#include "play_screen.h"
#include "twips.h"

#include <QPixmap>
#include <QWidget>

#include <array>
#include <optional>
#include <vector>

namespace dovrix {

class BoardView : public QWidget {
    Q_OBJECT
public:
    BoardView(PlayScreen& play, const TwipScale& scale, QWidget* parent = nullptr);

    // Schedules a repaint of every piece whose rectangle, visibility or place in the drawing
    // order changed since the last call; the whole board after a rebuild.
    void syncFromBoard();

    // The topmost visible block under a point of the widget, in pixels.
    std::optional<PieceRef> blockAt(QPointF position) const;

signals:
    // A press, pointer move or release was handed to the play rules.
    void gestureForwarded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Drawn {
        PieceRef ref;
        Rect rect;
        bool visible = false;
        bool operator==(const Drawn&) const = default;
    };

    void drawPiece(QPainter& painter, const PieceRef& ref, const QRect& pixels);
    // A picture at the widget's device pixel ratio, loaded into `loaded` on first use.
    const QPixmap& picture(QPixmap& loaded, const QString& path, int sizeTwips);
    const QPixmap& dotPixmap(Colour colour, QSize size);
    QPointF twipsRelativeTo(const PieceRef& block, QPointF position) const;

    PlayScreen& play_;
    TwipScale scale_;
    std::vector<Drawn> drawn_;
    uint32_t drawnGeneration_ = 0;

    // The block that took the press: pointer moves and the release go to it until every
    // button is up.
    std::optional<PieceRef> captured_;

    std::array<QPixmap, 4> arrows_;
    QPixmap pit_;
    QPixmap patch_;
    std::array<QPixmap, kColourCount> dots_;
};

} // namespace dovrix
