#pragma once

#include <QBrush>
#include <QColor>
#include <QLinearGradient>

namespace app {

// How a searched keyword is marked: the "Silver" style's yellow to orange, top to bottom of the
// marked characters, with its dark text, so that a mark reads the same in the plain look and under
// the style. On a selected cell and under the detail box's selection, whose background is the
// style's yellow already, the deeper orange of a pressed button.
inline QBrush keywordMarkBrush(bool onSelection) {
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0, onSelection ? QColor(0xffad3a) : QColor(0xffe38a));
    gradient.setColorAt(1, onSelection ? QColor(0xf08a12) : QColor(0xffc24f));
    return QBrush(gradient);
}

inline QColor keywordMarkText() {
    return QColor(0x1c1d1f);
}

} // namespace app
