#include "toolkit/qt/canvas.h"

#include "toolkit/picture.h"
#include "toolkit/qt/picture_impl.h"
#include "toolkit/qt/qt_util.h"

#include <QFontMetrics>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace toolkit::qt {

QFont toQFont(const TFont& font) {
    QFont f;
    f.setFamilies({toQString(font.Name()), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
    int h = font.Height();
    // Negative heights are character heights; positive ones cell heights, about 1/8 leading.
    int pixels = h < 0 ? -h : std::max(1, h * 7 / 8);
    f.setPixelSize(std::max(pixels, 1));
    f.setBold((font.Style() & fsBold) != 0);
    f.setItalic((font.Style() & fsItalic) != 0);
    f.setUnderline((font.Style() & fsUnderline) != 0);
    f.setStrikeOut((font.Style() & fsStrikeOut) != 0);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

std::optional<DirectPixels> DirectPixelsOf(QPaintDevice* device, QPoint redirectionOffset) {
    if (device == nullptr || device->devType() != QInternal::Image) {
        return std::nullopt;
    }
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32 &&
        format != QImage::Format_ARGB32_Premultiplied) {
        return std::nullopt;
    }
    const qreal ratio = image->devicePixelRatio();
    const int scale = qRound(ratio);
    if (scale < 1 || ratio != scale) {
        return std::nullopt;
    }
    return DirectPixels{image, -redirectionOffset, scale};
}

QtCanvas::QtCanvas(QPainter& painter, const TRect& clip)
    : painter_(&painter), clip_(clip), painterClip_(clip) {
    painter_->setRenderHint(QPainter::Antialiasing, false);
}

QtCanvas::QtCanvas(QWidget& widget, const TRect& clip, const std::optional<DirectPixels>& direct)
    : widget_(&widget), direct_(direct), clip_(clip), painterClip_(clip) {}

QPainter& QtCanvas::painter() {
    if (painter_ == nullptr) {
        painter_ = &own_.emplace(widget_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
    }
    return *painter_;
}

QRect QtCanvas::device(const TRect& r) const {
    return toQRect(r.Offset(origin_.X, origin_.Y));
}

void QtCanvas::applyClip() {
    TRect clip = clip_.Offset(origin_.X, origin_.Y);
    if (!(clip == painterClip_)) {
        painter().setClipRect(toQRect(clip));
        painterClip_ = clip;
    }
}

void QtCanvas::fill(const TRect& r, TColor color) {
    TRect visible = r.Intersected(clip_);
    if (visible.IsEmpty()) {
        return;
    }
    TRect onDevice = visible.Offset(origin_.X, origin_.Y);
    if (direct_) {
        // Opaque pixels are 0xffRRGGBB in every format taken.
        const QRgb pixel = toQColor(color).rgb();
        const int scale = direct_->scale;
        QImage& image = *direct_->image;
        const QRect target = QRect((onDevice.Left + direct_->offset.x()) * scale,
                                   (onDevice.Top + direct_->offset.y()) * scale,
                                   onDevice.Width() * scale, onDevice.Height() * scale)
                                 .intersected(image.rect());
        if (target.isEmpty()) {
            return;
        }
        uchar* bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        for (int y = target.top(); y <= target.bottom(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride) + target.left();
            std::fill(row, row + target.width(), pixel);
        }
        return;
    }
    // The painter may still be limited to a narrower clip, set for text or an image of a
    // child painted before.
    if (!(onDevice.Intersected(painterClip_) == onDevice)) {
        applyClip();
    }
    painter().fillRect(toQRect(onDevice), toQColor(color));
}

void QtCanvas::pixelLine(TPoint from, TPoint to, TColor color) {
    int dx = to.X - from.X;
    int dy = to.Y - from.Y;
    if (dy == 0) {
        if (dx > 0) {
            fill({from.X, from.Y, to.X, from.Y + 1}, color);
        } else if (dx < 0) {
            fill({to.X + 1, from.Y, from.X + 1, from.Y + 1}, color);
        }
        return;
    }
    if (dx == 0) {
        if (dy > 0) {
            fill({from.X, from.Y, from.X + 1, to.Y}, color);
        } else {
            fill({from.X, to.Y + 1, from.X + 1, from.Y + 1}, color);
        }
        return;
    }
    // Slanted: one pixel per step along the longer axis, the end point left out.
    int steps = std::max(std::abs(dx), std::abs(dy));
    for (int i = 0; i < steps; ++i) {
        int x = from.X + static_cast<int>(std::lround(static_cast<double>(i) * dx / steps));
        int y = from.Y + static_cast<int>(std::lround(static_cast<double>(i) * dy / steps));
        fill({x, y, x + 1, y + 1}, color);
    }
}

void QtCanvas::applyPen() {
    if (Pen.Style == TPenStyle::psClear) {
        painter().setPen(Qt::NoPen);
        return;
    }
    QPen pen(toQColor(Pen.Color));
    pen.setWidth(std::max(Pen.Width, 0));
    pen.setCosmetic(Pen.Width <= 1);
    pen.setStyle(Pen.Style == TPenStyle::psDash  ? Qt::DashLine
                 : Pen.Style == TPenStyle::psDot ? Qt::DotLine
                                                 : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter().setPen(pen);
}

void QtCanvas::applyBrush() {
    if (Brush.Style == TBrushStyle::bsClear) {
        painter().setBrush(Qt::NoBrush);
    } else {
        painter().setBrush(toQColor(Brush.Color));
    }
}

void QtCanvas::applyFont() {
    painter().setFont(toQFont(Font));
    painter().setPen(toQColor(Font.Color()));
}

void QtCanvas::Rectangle(const TRect& r) {
    if (r.IsEmpty()) {
        return;
    }
    bool outline = Pen.Style != TPenStyle::psClear && Pen.Width > 0;
    if (outline && Pen.Style == TPenStyle::psSolid && Pen.Width == 1) {
        // Filled: the whole rectangle in the pen's colour, then the inside in the brush's (two
        // fills instead of five; one where the clip leaves only the inside, as when a box changes
        // colour). Otherwise the outline as four one-pixel edges. What lies outside the clip is
        // not drawn at all.
        if (Brush.Style != TBrushStyle::bsClear) {
            const TRect inside{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
            const TRect shown = r.Intersected(clip_);
            if (!(shown.Intersected(inside) == shown)) {
                fill(r, Pen.Color);
            }
            fill(inside, Brush.Color);
            return;
        }
        fill({r.Left, r.Top, r.Right, r.Top + 1}, Pen.Color);
        fill({r.Left, r.Bottom - 1, r.Right, r.Bottom}, Pen.Color);
        fill({r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1}, Pen.Color);
        fill({r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1}, Pen.Color);
        return;
    }
    if (Brush.Style != TBrushStyle::bsClear) {
        fill(r, Brush.Color);
    }
    if (outline) {
        applyClip();
        applyPen();
        painter().setBrush(Qt::NoBrush);
        int inset = Pen.Width / 2;
        painter().drawRect(
            device({r.Left + inset, r.Top + inset, r.Right - 1 - inset, r.Bottom - 1 - inset}));
    }
}

void QtCanvas::FillRect(const TRect& r) {
    if (Brush.Style != TBrushStyle::bsClear) {
        fill(r, Brush.Color);
    }
}

void QtCanvas::MoveTo(int x, int y) {
    pos_ = {x, y};
}

void QtCanvas::LineTo(int x, int y) {
    // The end point itself is not drawn, so that a polyline draws each corner once.
    if (Pen.Style == TPenStyle::psSolid && Pen.Width <= 1) {
        pixelLine(pos_, {x, y}, Pen.Color);
    } else if (Pen.Style != TPenStyle::psClear) {
        applyClip();
        applyPen();
        painter().drawLine(pos_.X + origin_.X, pos_.Y + origin_.Y, x + origin_.X, y + origin_.Y);
    }
    pos_ = {x, y};
}

void QtCanvas::Ellipse(const TRect& r) {
    applyClip();
    applyPen();
    applyBrush();
    QRect d = device(r);
    painter().drawEllipse(QRect(d.x(), d.y(), d.width() - 1, d.height() - 1));
}

void QtCanvas::TextOut(int x, int y, const std::string& text) {
    QFont f = toQFont(Font);
    QFontMetrics fm(f);
    QString s = toQString(text);
    if (Brush.Style == TBrushStyle::bsSolid) {
        fill(Bounds(x, y, fm.horizontalAdvance(s), fm.height()), Brush.Color);
    }
    applyClip();
    applyFont();
    painter().drawText(x + origin_.X, y + origin_.Y + fm.ascent(), s);
}

void QtCanvas::TextRect(const TRect& r, const std::string& text, TAlignment alignment,
                        bool showPrefix, bool wordWrap, bool verticalCentre) {
    applyFont();
    int flags = alignment == TAlignment::taCenter         ? Qt::AlignHCenter
                : alignment == TAlignment::taRightJustify ? Qt::AlignRight
                                                          : Qt::AlignLeft;
    flags |= verticalCentre ? Qt::AlignVCenter : Qt::AlignTop;
    if (showPrefix) {
        flags |= Qt::TextShowMnemonic;
    }
    if (wordWrap) {
        flags |= Qt::TextWordWrap;
    }
    applyClip();
    painter().drawText(device(r), flags, toQString(text));
}

int QtCanvas::TextWidth(const std::string& text) {
    return QFontMetrics(toQFont(Font)).horizontalAdvance(toQString(text));
}

int QtCanvas::TextHeight(const std::string&) {
    return QFontMetrics(toQFont(Font)).height();
}

void QtCanvas::Draw(int x, int y, const TPicture& picture) {
    if (!picture.Empty()) {
        applyClip();
        painter().drawImage(QPoint(x + origin_.X, y + origin_.Y), ImageOf(picture));
    }
}

void QtCanvas::StretchDraw(const TRect& r, const TPicture& picture) {
    if (!picture.Empty()) {
        applyClip();
        painter().drawImage(device(r), ImageOf(picture));
    }
}

void QtCanvas::Save(int dx, int dy, const TRect& clip) {
    stack_.push_back({clip_, origin_, pos_});
    origin_ = {origin_.X + dx, origin_.Y + dy};
    clip_ = clip_.Offset(-dx, -dy).Intersected(clip);
}

void QtCanvas::Restore() {
    if (stack_.empty()) {
        return;
    }
    clip_ = stack_.back().clip;
    origin_ = stack_.back().origin;
    pos_ = stack_.back().pos;
    stack_.pop_back();
}

} // namespace toolkit::qt
