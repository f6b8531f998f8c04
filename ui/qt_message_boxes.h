#pragma once
// The message boxes on screen: a modal QMessageBox over the active window, with the box's
// title, its lines joined by carriage return + line feed, its icon and its buttons.

#include "message_box.h"

#include <QMessageBox>

namespace dovrix {

class QtMessageBoxes : public MessageBoxService {
public:
    MessageAnswer show(const MessageBox& box) override;
};

// The QMessageBox for a box, not yet shown.
void setUpMessageBox(QMessageBox& dialog, const MessageBox& box);

} // namespace dovrix
