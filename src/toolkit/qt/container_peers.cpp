// The native widgets of containers: plain areas the toolkit paints, scroll boxes (a scroll
// area around a content widget that holds the children) and page controls (a tab row over the
// area where the pages lie).
#include "toolkit/qt/hooked_widget.h"
#include "toolkit/qt/peers.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabBar>

namespace toolkit::qt {
namespace {

class ContainerPeer : public QtPeer {
public:
    explicit ContainerPeer(TWinControl* control)
        : ContainerPeer(control, new Hooked<QWidget>(control, Painting::All)) {}

private:
    ContainerPeer(TWinControl* control, Hooked<QWidget>* w) : QtPeer(control, w, {w}) {
        w->setDrawsChildren(true);
    }
};

// A scroll bar as thick as the toolkit reckons with.
class ToolkitScrollBar : public QScrollBar {
public:
    explicit ToolkitScrollBar(Qt::Orientation orientation) : QScrollBar(orientation) {}
    QSize sizeHint() const override {
        QSize s = QScrollBar::sizeHint();
        if (orientation() == Qt::Horizontal) {
            s.setHeight(kScrollBarSize);
        } else {
            s.setWidth(kScrollBarSize);
        }
        return s;
    }
};

class ScrollBoxPeer : public QtPeer {
public:
    explicit ScrollBoxPeer(TWinControl* control)
        : ScrollBoxPeer(control, new Hooked<QScrollArea>(control, Painting::None),
                        new Hooked<QWidget>(control, Painting::All)) {}

    QWidget* container() const override { return content_; }

    void setScrollBars(const ScrollBarSpec& horizontal, const ScrollBarSpec& vertical) override {
        // The toolkit decides when a bar is shown: it has reckoned the client area with it.
        area_->setHorizontalScrollBarPolicy(horizontal.shown ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAlwaysOff);
        area_->setVerticalScrollBarPolicy(vertical.shown ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAlwaysOff);
        area_->horizontalScrollBar()->setSingleStep(std::max(horizontal.increment, 1));
        area_->verticalScrollBar()->setSingleStep(std::max(vertical.increment, 1));
    }

    void setContentExtent(int width, int height) override {
        QSize size(std::max(width, 0), std::max(height, 0));
        if (content_->size() != size) {
            content_->resize(size);
        }
    }

    void setBorder(bool single) override {
        area_->setFrameStyle(single ? (QFrame::WinPanel | QFrame::Sunken) : QFrame::NoFrame);
    }

    TPoint scrollPosition() const override {
        return {area_->horizontalScrollBar()->value(), area_->verticalScrollBar()->value()};
    }
    void setScrollPosition(TPoint p) override {
        area_->horizontalScrollBar()->setValue(p.X);
        area_->verticalScrollBar()->setValue(p.Y);
    }

    void setColor(TColor color) override { setBackground(area_, QPalette::Window, color); }
    void invalidateAll() override { content_->update(); }

private:
    ScrollBoxPeer(TWinControl* control, Hooked<QScrollArea>* area, Hooked<QWidget>* content)
        : QtPeer(control, area, {area, content}), area_(area), content_(content) {
        area->setHorizontalScrollBar(new ToolkitScrollBar(Qt::Horizontal));
        area->setVerticalScrollBar(new ToolkitScrollBar(Qt::Vertical));
        area->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
        area->setWidgetResizable(false);
        area->setWidget(content);
        area->setReportsMouse(false);
        area->setAutoFillBackground(false);
        content->setDrawsChildren(false);
    }
    Hooked<QScrollArea>* area_;
    Hooked<QWidget>* content_;
};

// A tab row whose tabs have the size the toolkit asks for.
class ToolkitTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;
    int tabWidth = 0;
    int tabHeight = 0;

protected:
    QSize tabSizeHint(int index) const override {
        QSize s = QTabBar::tabSizeHint(index);
        if (tabWidth > 0) {
            s.setWidth(tabWidth);
        }
        if (tabHeight > 0) {
            s.setHeight(tabHeight);
        }
        return s;
    }
};

class PageControlPeer : public QtPeer {
public:
    explicit PageControlPeer(TWinControl* control)
        : PageControlPeer(control, new Hooked<QWidget>(control, Painting::All)) {}

    void setBounds(const TRect& bounds) override {
        QtPeer::setBounds(bounds);
        placeTabs();
    }
    void setPages(const std::vector<std::string>& captions, int active) override {
        QSignalBlocker block(tabs_);
        if (captions != captions_) {
            captions_ = captions;
            rebuild();
        }
        if (active >= 0) {
            tabs_->setCurrentIndex(active);
        }
    }
    void setTabWidth(int width) override {
        tabs_->tabWidth = width;
        QSignalBlocker block(tabs_);
        rebuild();
    }
    void setTabHeight(int height) override {
        tabs_->tabHeight = height;
        QSignalBlocker block(tabs_);
        rebuild();
    }
    void setFont(const TFont& font) override {
        QtPeer::setFont(font);
        tabs_->setFont(toQFont(font));
    }

private:
    PageControlPeer(TWinControl* control, Hooked<QWidget>* w) : QtPeer(control, w, {w}) {
        tabs_ = new ToolkitTabBar(w);
        tabs_->setDrawBase(false);
        tabs_->setExpanding(false);
        tabs_->setUsesScrollButtons(true);
        QObject::connect(tabs_, &QTabBar::currentChanged, tabs_, [w](int index) {
            if (TWinControl* c = w->control(); c != nullptr && index >= 0) {
                Guard([c, index] { c->PeerIndexChosen(index); });
            }
        });
        // A click on the tab that is already current: the toolkit may have no active page.
        QTabBar* tabs = tabs_;
        QObject::connect(tabs_, &QTabBar::tabBarClicked, tabs_, [w, tabs](int index) {
            if (TWinControl* c = w->control();
                c != nullptr && index >= 0 && index == tabs->currentIndex()) {
                Guard([c, index] { c->PeerIndexChosen(index); });
            }
        });
    }

    void rebuild() {
        int current = tabs_->currentIndex();
        while (tabs_->count() > 0) {
            tabs_->removeTab(0);
        }
        for (const std::string& caption : captions_) {
            tabs_->addTab(toQString(caption));
        }
        if (current >= 0 && current < tabs_->count()) {
            tabs_->setCurrentIndex(current);
        }
        placeTabs();
    }

    void placeTabs() {
        int height = tabs_->tabHeight > 0 ? tabs_->tabHeight : tabs_->sizeHint().height();
        // The row starts two pixels in and may reach the right edge, as the classic control's
        // does: tabs that fill the width exactly need no scroll buttons.
        tabs_->setGeometry(2, 0, std::max(widget_->width() - 2, 0), height);
    }

    ToolkitTabBar* tabs_;
    std::vector<std::string> captions_;
};

} // namespace

std::unique_ptr<WidgetPeer> createContainerPeer(TWinControl* control) {
    return std::make_unique<ContainerPeer>(control);
}
std::unique_ptr<WidgetPeer> createScrollBoxPeer(TWinControl* control) {
    return std::make_unique<ScrollBoxPeer>(control);
}
std::unique_ptr<WidgetPeer> createPageControlPeer(TWinControl* control) {
    return std::make_unique<PageControlPeer>(control);
}

} // namespace toolkit::qt
