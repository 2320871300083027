#include "toolkit/qt/classic_style.h"

#include <QApplication>
#include <QProxyStyle>

namespace toolkit::qt {
namespace {

constexpr int kIndicator = 13; // the check box and radio button pictures are 13 x 13
constexpr int kCaptionGap = 4; // the caption starts 4 pixels after the picture

class ClassicMetrics : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight:
            return kIndicator;
        case PM_CheckBoxLabelSpacing:
        case PM_RadioButtonLabelSpacing:
            return kCaptionGap;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

} // namespace

void InstallClassicMetrics() {
    // The proxy takes the application's present style as its base and owns it from now on.
    QApplication::setStyle(new ClassicMetrics(QApplication::style()->name()));
}

} // namespace toolkit::qt
