#pragma once
// A word-wrapped plain-text label for long texts in a fixed rectangle. It keeps its font; where
// the font's natural line spacing would push the last lines out of the rectangle, it draws the
// lines closer together, down to the height of the letters themselves, so that the whole text
// stays readable instead of being cut off.

#include <QLabel>

#include <memory>
#include <vector>

class QTextLayout;

namespace dovrix {

class FittingLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The distance between the tops of two lines as drawn at the label's present size.
    qreal linePitch() const;
    // The lines the text takes at the label's width.
    int lineCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The text's lines at the label's width, each paragraph (a line break ends one) wrapped at
    // blanks, laid out from the top.
    std::vector<std::unique_ptr<QTextLayout>> layOut(qreal pitch) const;
};

} // namespace dovrix
