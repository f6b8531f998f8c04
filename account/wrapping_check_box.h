#pragma once
// A check box whose caption wraps over several lines at the control's width, beside the box
// and centred on it vertically. The whole control takes clicks, caption included.

#include <QCheckBox>

namespace dovrix {

class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
};

} // namespace dovrix
