// Conversions between the toolkit's values and Qt's. Only the Qt backend includes this.
#pragma once

#include "toolkit/graphics.h"
#include "toolkit/types.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

namespace toolkit::qt {

inline QColor toQColor(TColor color) {
    TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

inline QRect toQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}
inline TRect fromQRect(const QRect& r) {
    return Bounds(r.x(), r.y(), r.width(), r.height());
}

inline QString toQString(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string fromQString(const QString& s) {
    return s.toUtf8().toStdString();
}

QFont toQFont(const TFont& font);

} // namespace toolkit::qt
