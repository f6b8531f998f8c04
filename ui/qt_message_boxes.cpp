#include "qt_message_boxes.h"

#include <QApplication>

namespace dovrix {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void setUpMessageBox(QMessageBox& dialog, const MessageBox& box) {
    dialog.setWindowTitle(QString::fromStdString(box.title));
    dialog.setTextFormat(Qt::PlainText);
    dialog.setText(QString::fromStdString(box.text()));
    dialog.setIcon(qtIcon(box.icon));
    if (box.buttons == MessageButtons::YesNo) {
        dialog.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        dialog.setDefaultButton(QMessageBox::Yes);
    } else {
        dialog.setStandardButtons(QMessageBox::Ok);
    }
}

MessageAnswer QtMessageBoxes::show(const MessageBox& box) {
    QWidget* parent = QApplication::activeModalWidget();
    if (parent == nullptr) {
        parent = QApplication::activeWindow();
    }
    QMessageBox dialog(parent);
    setUpMessageBox(dialog, box);
    const int result = dialog.exec();
    switch (result) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        break;
    }
    // A question closed without an answer (Escape, close box) counts as No.
    return box.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

} // namespace dovrix
