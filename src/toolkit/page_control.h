// Page controls with their tab sheets. A tab sheet becomes a page of a page control when its
// PageControl (or its Parent) is set to it; the pages fill the display area under the tabs
// and only the active page is visible. ActivePage written by code fires nothing; when the
// user picks a tab, OnChanging may refuse the change and OnChange follows it. A page control
// may have no active page (ActivePage nullptr) until one is set.
#pragma once

#include "toolkit/win_control.h"

#include <vector>

namespace toolkit {

class TPageControl;
using TTabChangingEvent = TEvent<TObject*, bool&>;

class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* pageControl);
    // The sheet's place among its page control's pages (-1 without one).
    int PageIndex() const;
    void SetPageIndex(int index);

    void SetParent(TWinControl* parent) override;

protected:
    PeerKind GetPeerKind() const override { return PeerKind::TabSheet; }
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
};

class TPageControl : public TWinControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(pages_.size()); }
    // Raises EListError for an index outside the pages.
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const { return activePage_; }
    // A sheet that is not one of the pages is ignored; nullptr leaves no page active.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // The width of every tab; 0 sizes each tab to its caption.
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int value);
    // The height of the tab row; 0 follows the font.
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int value);
    // The area the pages fill, in client coordinates.
    TRect DisplayRect() const;

    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

    void PeerIndexChosen(int index) override;
    void Loaded() override;

protected:
    virtual bool CanChange();
    virtual void Change();
    PeerKind GetPeerKind() const override { return PeerKind::PageControl; }
    void InitializePeer(WidgetPeer& peer) override;
    void PaintWindow(TCanvas& canvas) override;
    void BoundsChanged() override;
    void FontChanged() override;

private:
    friend class TTabSheet;
    void insertPage(TTabSheet* page);
    void removePage(TTabSheet* page);
    void movePage(TTabSheet* page, int index);
    // Places the pages in the display area, shows only the active one and tells the peer.
    void updatePages();
    int tabRowHeight() const;

    std::vector<TTabSheet*> pages_;
    TTabSheet* activePage_ = nullptr;
    int tabWidth_ = 0;
    int tabHeight_ = 0;
};

} // namespace toolkit
