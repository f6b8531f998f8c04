#include "fitting_label.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace dovrix {

namespace {

QStringList paragraphs(QString text) {
    text.remove(QLatin1Char('\r'));
    return text.split(QLatin1Char('\n'));
}

} // namespace

std::vector<std::unique_ptr<QTextLayout>> FittingLabel::layOut(qreal pitch) const {
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    qreal top = 0;
    for (const QString& paragraph : paragraphs(text())) {
        auto layout = std::make_unique<QTextLayout>(paragraph, font());
        QTextOption option(alignment());
        option.setWrapMode(QTextOption::WordWrap);
        layout->setTextOption(option);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width());
            line.setPosition(QPointF(0, top));
            top += pitch;
        }
        layout->endLayout();
        layouts.push_back(std::move(layout));
    }
    return layouts;
}

int FittingLabel::lineCount() const {
    int lines = 0;
    for (const auto& layout : layOut(0)) {
        lines += layout->lineCount();
    }
    return lines;
}

qreal FittingLabel::linePitch() const {
    const QFontMetricsF metrics(font());
    const int lines = std::max(1, lineCount());
    if (lines * metrics.lineSpacing() <= height()) {
        return metrics.lineSpacing();
    }
    // The last line's letters end at the bottom edge; lines never come closer than the height
    // of capitals and descenders together.
    const qreal closest = metrics.capHeight() + metrics.descent();
    const qreal lineHeight = metrics.ascent() + metrics.descent();
    return std::max(closest, (height() - lineHeight) / std::max(1, lines - 1));
}

void FittingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.setClipRect(rect());
    for (const auto& layout : layOut(linePitch())) {
        layout->draw(&painter, QPointF(0, 0));
    }
}

} // namespace dovrix
