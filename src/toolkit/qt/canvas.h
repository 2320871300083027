// The toolkit's canvas on a QPainter.
#pragma once

#include "toolkit/graphics.h"

#include <QPainter>
#include <vector>

namespace toolkit::qt {

class QtCanvas : public TCanvas {
public:
    QtCanvas(QPainter& painter, const TRect& clip);

    TRect ClipRect() const override { return clip_; }
    void Rectangle(const TRect& r) override;
    void FillRect(const TRect& r) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Ellipse(const TRect& r) override;
    void TextOut(int x, int y, const std::string& text) override;
    void TextRect(const TRect& r, const std::string& text, TAlignment alignment, bool showPrefix,
                  bool wordWrap, bool verticalCentre) override;
    int TextWidth(const std::string& text) override;
    int TextHeight(const std::string& text) override;
    void Draw(int x, int y, const TPicture& picture) override;
    void StretchDraw(const TRect& r, const TPicture& picture) override;
    void Save(int dx, int dy, const TRect& clip) override;
    void Restore() override;

private:
    void applyPen();
    void applyBrush();
    void applyFont();

    QPainter& painter_;
    TRect clip_;
    TPoint pos_;
    struct Saved {
        TRect clip;
        TPoint pos;
    };
    std::vector<Saved> stack_;
};

} // namespace toolkit::qt
