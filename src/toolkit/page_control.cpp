#include "toolkit/page_control.h"

#include "toolkit/exceptions.h"

#include <algorithm>

namespace toolkit {

// ---- TTabSheet -------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    TControl::SetVisible(false);
}

TTabSheet::~TTabSheet() {
    if (pageControl_ != nullptr) {
        pageControl_->removePage(this);
    }
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    SetParent(pageControl);
}

void TTabSheet::SetParent(TWinControl* parent) {
    auto* target = dynamic_cast<TPageControl*>(parent);
    if (pageControl_ != nullptr && pageControl_ != target) {
        pageControl_->removePage(this);
    }
    TWinControl::SetParent(parent);
    if (target != nullptr && pageControl_ != target) {
        target->insertPage(this);
    }
}

int TTabSheet::PageIndex() const {
    if (pageControl_ == nullptr) {
        return -1;
    }
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
    if (pageControl_ != nullptr) {
        pageControl_->movePage(this, index);
    }
}

void TTabSheet::TextChanged() {
    TWinControl::TextChanged();
    if (pageControl_ != nullptr) {
        pageControl_->updatePages();
    }
}

// ---- TPageControl ----------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    width_ = 289;
    height_ = 193;
    SetTabStop(true);
}

TPageControl::~TPageControl() {
    for (TTabSheet* page : pages_) {
        page->pageControl_ = nullptr;
    }
    pages_.clear();
    activePage_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
    if (index < 0 || index >= PageCount()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return pages_[static_cast<std::size_t>(index)];
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page != nullptr && page->pageControl_ != this) {
        return;
    }
    if (page == activePage_) {
        return;
    }
    activePage_ = page;
    updatePages();
}

int TPageControl::ActivePageIndex() const {
    auto it = std::find(pages_.begin(), pages_.end(), activePage_);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)]
                                                    : nullptr);
}

void TPageControl::SetTabWidth(int value) {
    value = std::max(value, 0);
    if (value == tabWidth_) {
        return;
    }
    tabWidth_ = value;
    if (Peer() != nullptr) {
        Peer()->setTabWidth(value);
    }
}

void TPageControl::SetTabHeight(int value) {
    value = std::max(value, 0);
    if (value == tabHeight_) {
        return;
    }
    tabHeight_ = value;
    if (Peer() != nullptr) {
        Peer()->setTabHeight(tabRowHeight());
    }
    updatePages();
    Invalidate();
}

int TPageControl::tabRowHeight() const {
    if (tabHeight_ > 0) {
        return tabHeight_;
    }
    int text = 13;
    if (WindowingBackend* backend = GetWindowingBackend()) {
        text = backend->textExtent(Font(), "Ag", false).Y;
    }
    return text + 7;
}

TRect TPageControl::DisplayRect() const {
    // Under the tab row: a frame 2 pixels wide, then 2 pixels of room.
    int top = tabRowHeight() + 4;
    return {4, top, std::max(Width() - 4, 4), std::max(Height() - 4, top)};
}

void TPageControl::insertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->pageControl_ = this;
    if (activePage_ == nullptr) {
        activePage_ = page;
    }
    updatePages();
}

void TPageControl::removePage(TTabSheet* page) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) {
        return;
    }
    std::size_t index = static_cast<std::size_t>(it - pages_.begin());
    pages_.erase(it);
    page->pageControl_ = nullptr;
    if (activePage_ == page) {
        // The next page takes its place, or the one before when it was the last.
        activePage_ = pages_.empty() ? nullptr : pages_[std::min(index, pages_.size() - 1)];
    }
    if (!IsDestroying()) {
        updatePages();
    }
}

void TPageControl::movePage(TTabSheet* page, int index) {
    auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) {
        return;
    }
    pages_.erase(it);
    index = std::clamp(index, 0, PageCount());
    pages_.insert(pages_.begin() + index, page);
    updatePages();
}

void TPageControl::updatePages() {
    TRect display = DisplayRect();
    for (TTabSheet* page : pages_) {
        page->SetBounds(display.Left, display.Top, display.Width(), display.Height());
        page->SetVisible(page == activePage_);
    }
    if (Peer() != nullptr) {
        std::vector<std::string> captions;
        for (TTabSheet* page : pages_) {
            captions.push_back(page->Caption());
        }
        Peer()->setPages(captions, ActivePageIndex());
    }
}

void TPageControl::PeerIndexChosen(int index) {
    if (index < 0 || index >= PageCount()) {
        return;
    }
    TTabSheet* page = pages_[static_cast<std::size_t>(index)];
    if (page == activePage_) {
        return;
    }
    if (!CanChange()) {
        updatePages(); // the tabs show the page that stays
        return;
    }
    SetActivePage(page);
    Change();
}

bool TPageControl::CanChange() {
    bool allow = true;
    OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() {
    OnChange(this);
}

void TPageControl::Loaded() {
    TWinControl::Loaded();
    updatePages();
}

void TPageControl::InitializePeer(WidgetPeer& peer) {
    peer.setTabWidth(tabWidth_);
    peer.setTabHeight(tabRowHeight());
    updatePages();
}

void TPageControl::PaintWindow(TCanvas& canvas) {
    canvas.Brush.Color = ColorToRGB(Color());
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(ClientRect());
    // The raised frame around the display area.
    TRect frame{0, tabRowHeight(), Width(), Height()};
    canvas.Frame3D(frame, ColorToRGB(clBtnHighlight), ColorToRGB(cl3DDkShadow), 1);
    canvas.Frame3D(frame, ColorToRGB(cl3DLight), ColorToRGB(clBtnShadow), 1);
}

void TPageControl::BoundsChanged() {
    TWinControl::BoundsChanged();
    updatePages();
}

void TPageControl::FontChanged() {
    TWinControl::FontChanged();
    if (Peer() != nullptr) {
        Peer()->setTabHeight(tabRowHeight());
    }
    updatePages();
}

} // namespace toolkit
