#include "toolkit/application.h"
#include "toolkit/message_queue.h"
#include "toolkit/peer.h"
#include "toolkit/qt/classic_style.h"
#include "toolkit/qt/icons.h"
#include "toolkit/qt/peers.h"
#include "toolkit/qt/picture_impl.h"
#include "toolkit/qt/posted_message_wake.h"
#include "toolkit/qt/qt_util.h"
#include "toolkit/qt/session.h"
#include "toolkit/qt/surfaces.h"
#include "toolkit/win_ui.h"
#include "toolkit/windowing.h"

#include <QApplication>
#include <QBackingStore>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace toolkit {
namespace qt {
namespace {

class QtBackend : public WindowingBackend {
public:
    std::unique_ptr<WidgetPeer> createPeer(TWinControl* control, PeerKind kind) override {
        return qt::createPeer(control, kind);
    }
    bool isUserInterfaceThread() const override {
        return QCoreApplication::instance() == nullptr ||
               QThread::currentThread() == QCoreApplication::instance()->thread();
    }
    void flushRepaints(bool paintNow) override { FlushRepaintAreas(paintNow); }
    void processEvents(bool wait) override {
        FlushRepaintAreas();
        QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents
                                             : QEventLoop::AllEvents);
        FlushDeferredDeletes();
    }
    TPoint textExtent(const TFont& font, const std::string& text, bool showPrefix) const override {
        QFontMetrics metrics(toQFont(font));
        QRect r = metrics.boundingRect(QRect(0, 0, 100000, 100000),
                                       showPrefix ? Qt::TextShowMnemonic : 0, toQString(text));
        return {r.width(), std::max(r.height(), metrics.height())};
    }
    int popupMenu(const std::vector<MenuItemSpec>& items, TPoint at) override {
        return qt::execPopupMenu(items, at);
    }
    TRect screenRect() const override {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen != nullptr ? fromQRect(screen->availableGeometry()) : TRect{0, 0, 1280, 800};
    }
    std::vector<TRect> screenRects() const override {
        std::vector<TRect> rects;
        for (QScreen* screen : QGuiApplication::screens()) {
            rects.push_back(fromQRect(screen->availableGeometry()));
        }
        if (rects.empty()) {
            rects.push_back(screenRect());
        }
        return rects;
    }
    int messageBox(const MessageBoxRecord& box, TWinControl* owner) override {
        return ShowMessageBox(box, owner);
    }
    void beep() override { QApplication::beep(); }
    TPoint cursorPos() const override {
        QPoint p = QCursor::pos();
        return {p.x(), p.y()};
    }
    std::shared_ptr<const TPicture::Impl> decodeXpm(const char* const* xpm) override {
        return DecodeXpm(xpm);
    }
    std::shared_ptr<const TPicture::Impl> decodeImageFile(const std::string& path) override {
        return DecodeImageFile(path);
    }
};

std::function<void(const std::string&)>& warningHandler() {
    static std::function<void(const std::string&)> handler;
    return handler;
}

// Platform plugins without a window system (offscreen, minimal) say so for every request
// they cannot carry out (raising a window, size hints); that is what they are, not a fault.
bool isPlatformLimitNote(const QString& text) {
    return text.startsWith(QStringLiteral("This plugin does not support"));
}

void messageHandler(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg && isPlatformLimitNote(text)) {
        return;
    }
    std::string message = text.toStdString();
    if ((type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) && warningHandler()) {
        warningHandler()(message);
        return;
    }
    if (type != QtDebugMsg && type != QtInfoMsg) {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
}

} // namespace
} // namespace qt

void InitializeWindowing(const std::string& programName) {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    qInstallMessageHandler(qt::messageHandler);
    if (QCoreApplication::instance() == nullptr) {
        static std::string name;
        name = programName;
        if (name.empty()) {
            std::error_code ec;
            name = std::filesystem::read_symlink("/proc/self/exe", ec).filename().string();
        }
        static int argc = 1;
        static char* argv[] = {name.data(), nullptr};
        new QApplication(argc, argv); // lives for the rest of the process
    }
    QApplication::setQuitOnLastWindowClosed(false);
    qt::InstallClassicMetrics();
    static qt::QtBackend backend;
    SetWindowingBackend(&backend);
    qt::InstallPostedMessageWake();
    qt::InstallSessionWatch();
    if (Application == nullptr) {
        Application = new TApplication;
    }
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp,
                     [](Qt::ApplicationState state) {
                         if (Application != nullptr) {
                             bool active = state == Qt::ApplicationActive;
                             Guard([active] { Application->SetActive(active); });
                         }
                     });
}

void FlushDeferredDeletes() {
    // Inside a guarded call the widget whose event led here may be among the released ones
    // (a button whose click freed its form, then handled messages): its widget goes once the
    // event is done, when the loop that runs outside every event flushes again.
    if (QCoreApplication::instance() != nullptr && !InsideGuard()) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TColor Snapshot::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return clNone;
    }
    const auto row = static_cast<std::size_t>(width) * static_cast<std::size_t>(scale);
    std::uint32_t p =
        pixels[static_cast<std::size_t>(y * scale) * row + static_cast<std::size_t>(x * scale)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

namespace {
Snapshot snapshotOf(const QImage& grabbed) {
    Snapshot shot;
    QImage image = grabbed.convertToFormat(QImage::Format_RGB32);
    shot.scale = std::max(1, qRound(image.devicePixelRatio()));
    shot.width = image.width() / shot.scale;
    shot.height = image.height() / shot.scale;
    const int columns = shot.width * shot.scale;
    const int rows = shot.height * shot.scale;
    shot.pixels.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    for (int y = 0; y < rows; ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < columns; ++x) {
            shot.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) +
                        static_cast<std::size_t>(x)] = line[x] & 0xFFFFFF;
        }
    }
    return shot;
}
} // namespace

Snapshot GrabControl(TWinControl* control) {
    control->HandleNeeded();
    QWidget* w = qt::widgetOf(control);
    return w != nullptr ? snapshotOf(w->grab().toImage()) : Snapshot{};
}

Snapshot GrabOnScreen(TWinControl* control) {
    control->HandleNeeded();
    QWidget* w = qt::widgetOf(control);
    QWidget* window = w != nullptr ? w->window() : nullptr;
    if (window == nullptr || window->screen() == nullptr) {
        return {};
    }
    QImage shown = window->screen()->grabWindow(window->winId()).toImage();
    // The offscreen platform's grab of a window scaled above 1 holds only its top-left part;
    // there the window's image is what the screen shows. (Elsewhere a window's image may exist
    // only while it paints.)
    if (shown.devicePixelRatio() > 1 &&
        QGuiApplication::platformName() == QLatin1String("offscreen")) {
        if (QBackingStore* store = window->backingStore();
            store != nullptr && store->paintDevice() != nullptr &&
            store->paintDevice()->devType() == QInternal::Image) {
            shown = *static_cast<QImage*>(store->paintDevice());
        }
    }
    const int scale = std::max(1, qRound(shown.devicePixelRatio()));
    QImage part = shown.copy(QRect(w->mapTo(window, QPoint(0, 0)) * scale, w->size() * scale));
    part.setDevicePixelRatio(shown.devicePixelRatio());
    return snapshotOf(part);
}

bool SaveSnapshot(TWinControl* control, const std::string& pngPath) {
    control->HandleNeeded();
    QWidget* w = qt::widgetOf(control);
    return w != nullptr && w->grab().save(QString::fromStdString(pngPath), "PNG");
}

void SetApplicationIcon(HICON icon) {
    if (QGuiApplication::instance() != nullptr) {
        QGuiApplication::setWindowIcon(qt::IconOf(icon));
    }
}

void SetWarningHandler(std::function<void(const std::string&)> handler) {
    qt::warningHandler() = std::move(handler);
}

} // namespace toolkit
