#pragma once
// The windows' typeface: Arial, or its metric twin Liberation Sans where Arial is absent.

#include <QFont>
#include <QString>

namespace dovrix {

QString gameFontFamily();
QFont gameFont(double pointSize, bool bold = false, bool underline = false);

} // namespace dovrix
