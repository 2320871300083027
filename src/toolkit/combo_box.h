// Combo boxes in the drop-down list style: the user picks one of Items. Writing ItemIndex by
// code fires nothing; OnChange fires only when the user picks an item. An ItemIndex outside
// the items clears the selection (-1), as the classic control does; it raises nothing. A
// description may set ItemIndex before it fills Items.
#pragma once

#include "toolkit/string_list.h"
#include "toolkit/win_control.h"

namespace toolkit {

class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* owner);

    TStringList& Items() { return items_; }
    const TStringList& Items() const { return items_; }
    void SetItems(const std::vector<std::string>& items) { items_.Assign(items); }

    // The selected item's index, or -1 when none is selected.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    // The selected item's text (empty without a selection).
    std::string Text() const;
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value);

    TNotifyEvent OnChange;

    void PeerIndexChosen(int index) override;
    void Loaded() override;

protected:
    virtual void Change();
    PeerKind GetPeerKind() const override { return PeerKind::ComboBox; }
    void InitializePeer(WidgetPeer& peer) override;

private:
    void itemsChanged(TStringList::Change change, int index);
    TStringList items_;
    int itemIndex_ = -1;
    int dropDownCount_ = 8;
};

} // namespace toolkit
