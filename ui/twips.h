#pragma once
// Twips to pixels: the windows are laid out in twips (1/1440 inch), 15 to a pixel on a screen
// of 96 dots per inch, and scaled with the screen's logical resolution.

#include "geometry.h"

#include <QPointF>
#include <QRect>

class QScreen;
class QWidget;

namespace dovrix {

class TwipScale {
public:
    explicit TwipScale(double dotsPerInch = 96.0);
    // The scale of a screen's logical resolution; the primary screen's when screen is null.
    static TwipScale forScreen(const QScreen* screen);

    double dotsPerInch() const { return dotsPerInch_; }
    // A length or a position in twips, rounded to whole pixels.
    int pixels(int twips) const;
    // A rectangle whose edges are rounded one by one, so pieces that touch in twips touch in
    // pixels too.
    QRect rect(int left, int top, int width, int height) const;
    QRect rect(const Rect& twips) const {
        return rect(twips.left, twips.top, twips.width, twips.height);
    }
    // A position in pixels as twips.
    QPointF twips(QPointF pixels) const;

private:
    double dotsPerInch_;
};

// Places a control at its twip rectangle inside its parent.
void placeControl(QWidget& control, const TwipScale& scale, int left, int top, int width,
                  int height);

// Moves a top-level window to the centre of its screen's available area.
void placeInScreenCentre(QWidget& window);

} // namespace dovrix
