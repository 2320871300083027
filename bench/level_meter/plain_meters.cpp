#include "plain_meters.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace bench {

namespace {

const QColor kDark(128, 128, 128);
const QColor kBackground(192, 192, 192);

} // namespace

PlainMeter::PlainMeter(QWidget* parent, int holdTicks) : QWidget(parent), holdTicks_(holdTicks) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int i = 0; i < kLamps; ++i) {
        colour_[static_cast<std::size_t>(i)] = i == kLamps - 1 ? QColor(255, 0, 0)
                                               : i >= 27       ? QColor(255, 128, 0)
                                                               : QColor(0, 255, 0);
    }
}

void PlainMeter::setLamp(int lamp, bool on) {
    if (lamp < 0 || lamp >= kLamps || lit_[static_cast<std::size_t>(lamp)] == on) {
        return;
    }
    lit_[static_cast<std::size_t>(lamp)] = on;
    update(lampRect(lamp));
}

void PlainMeter::setLevel(int raw) {
    int mapped = raw;
    if (raw > 0) {
        // 0 ... 32767 onto 0 ... 511, logarithmically; rint rounds halves to even.
        mapped = static_cast<int>(
            std::rint(std::log10(raw / (32767 / 25.0) + 1) * (511 / std::log10(26.0))));
    }
    if (mapped <= 511) {
        int top = static_cast<int>(std::rint(mapped / 511.0 * (kLamps - 1)));
        if (top > top_) {
            for (int i = top_; i <= top; ++i) {
                setLamp(i, true);
            }
            top_ = top;
        }
    }
    if (top_ >= peak_) {
        peak_ = top_;
        hold_ = holdTicks_;
    }
}

void PlainMeter::tick() {
    if (top_ > 0) {
        setLamp(peak_ != 0 && peak_ <= top_ ? top_ - 1 : top_, false);
        --top_;
    } else {
        setLamp(0, false);
    }
    if (hold_ > 0 && --hold_ == 0) {
        setLamp(peak_, false);
        peak_ = 0;
    }
}

void PlainMeter::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    if (!QRect(1, 0, 15, height()).contains(area)) {
        painter.fillRect(area, kBackground);
    }
    for (int i = 0; i < kLamps; ++i) {
        QRect r = lampRect(i);
        if (r.intersects(area)) {
            painter.fillRect(r, lit_[static_cast<std::size_t>(i)]
                                    ? colour_[static_cast<std::size_t>(i)]
                                    : kDark);
        }
    }
}

PlainMeterWindow::PlainMeterWindow(int count, int holdTicks, int top) : window_(new QWidget) {
    window_->setWindowTitle(QStringLiteral("plain Qt meters"));
    window_->setGeometry(0, top, 22 * count + 20, 220);
    for (int i = 0; i < count; ++i) {
        auto* meter = new PlainMeter(window_, holdTicks);
        meter->setGeometry(6 + 22 * i, 6, 18, 163);
        meters_.push_back(meter);
    }
    window_->show();
    QCoreApplication::processEvents();
}

PlainMeterWindow::~PlainMeterWindow() {
    delete window_;
}

void PlainMeterWindow::paint() {
    QCoreApplication::sendPostedEvents(window_, QEvent::UpdateRequest);
}

} // namespace bench
