#include "toolkit/qt/canvas.h"

#include "toolkit/picture.h"
#include "toolkit/qt/picture_impl.h"
#include "toolkit/qt/qt_util.h"

#include <QFontMetrics>

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

QtCanvas::QtCanvas(QPainter& painter, const TRect& clip) : painter_(painter), clip_(clip) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setClipRect(toQRect(clip));
}

void QtCanvas::applyPen() {
    if (Pen.Style == TPenStyle::psClear) {
        painter_.setPen(Qt::NoPen);
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
    painter_.setPen(pen);
}

void QtCanvas::applyBrush() {
    if (Brush.Style == TBrushStyle::bsClear) {
        painter_.setBrush(Qt::NoBrush);
    } else {
        painter_.setBrush(toQColor(Brush.Color));
    }
}

void QtCanvas::applyFont() {
    painter_.setFont(toQFont(Font));
    painter_.setPen(toQColor(Font.Color()));
}

void QtCanvas::Rectangle(const TRect& r) {
    if (r.IsEmpty()) {
        return;
    }
    if (Brush.Style != TBrushStyle::bsClear) {
        painter_.fillRect(toQRect(r), toQColor(Brush.Color));
    }
    if (Pen.Style != TPenStyle::psClear && Pen.Width > 0) {
        applyPen();
        painter_.setBrush(Qt::NoBrush);
        int inset = Pen.Width / 2;
        painter_.drawRect(QRect(r.Left + inset, r.Top + inset, r.Width() - 1 - 2 * inset,
                                r.Height() - 1 - 2 * inset));
    }
}

void QtCanvas::FillRect(const TRect& r) {
    if (!r.IsEmpty() && Brush.Style != TBrushStyle::bsClear) {
        painter_.fillRect(toQRect(r), toQColor(Brush.Color));
    }
}

void QtCanvas::MoveTo(int x, int y) {
    pos_ = {x, y};
}

void QtCanvas::LineTo(int x, int y) {
    if (Pen.Style != TPenStyle::psClear) {
        applyPen();
        // The end point itself is not drawn.
        int ex = x;
        int ey = y;
        if (ex > pos_.X) {
            --ex;
        } else if (ex < pos_.X) {
            ++ex;
        }
        if (ey > pos_.Y) {
            --ey;
        } else if (ey < pos_.Y) {
            ++ey;
        }
        if (ex != x || ey != y) {
            painter_.drawLine(pos_.X, pos_.Y, ex, ey);
        }
    }
    pos_ = {x, y};
}

void QtCanvas::Ellipse(const TRect& r) {
    applyPen();
    applyBrush();
    painter_.drawEllipse(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
}

void QtCanvas::TextOut(int x, int y, const std::string& text) {
    QFont f = toQFont(Font);
    QFontMetrics fm(f);
    QString s = toQString(text);
    if (Brush.Style == TBrushStyle::bsSolid) {
        painter_.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), toQColor(Brush.Color));
    }
    applyFont();
    painter_.drawText(x, y + fm.ascent(), s);
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
    painter_.drawText(toQRect(r), flags, toQString(text));
}

int QtCanvas::TextWidth(const std::string& text) {
    return QFontMetrics(toQFont(Font)).horizontalAdvance(toQString(text));
}

int QtCanvas::TextHeight(const std::string&) {
    return QFontMetrics(toQFont(Font)).height();
}

void QtCanvas::Draw(int x, int y, const TPicture& picture) {
    if (!picture.Empty()) {
        painter_.drawImage(QPoint(x, y), ImageOf(picture));
    }
}

void QtCanvas::StretchDraw(const TRect& r, const TPicture& picture) {
    if (!picture.Empty()) {
        painter_.drawImage(toQRect(r), ImageOf(picture));
    }
}

void QtCanvas::Save(int dx, int dy, const TRect& clip) {
    stack_.push_back({clip_, pos_});
    painter_.save();
    painter_.translate(dx, dy);
    clip_ = clip_.Offset(-dx, -dy).Intersected(clip);
    painter_.setClipRect(toQRect(clip_));
}

void QtCanvas::Restore() {
    if (stack_.empty()) {
        return;
    }
    painter_.restore();
    clip_ = stack_.back().clip;
    pos_ = stack_.back().pos;
    stack_.pop_back();
}

} // namespace toolkit::qt
