#include "toolkit/combo_box.h"

namespace toolkit {

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner) {
    width_ = 145;
    height_ = 21;
    SetColor(clWindow);
    SetTabStop(true);
    items_.OnChange = [this](TStringList::Change change, int index) {
        itemsChanged(change, index);
    };
}

void TComboBox::SetItemIndex(int index) {
    if (IsLoading()) {
        // A description may give the index before the items: Loaded checks it.
        itemIndex_ = index;
        return;
    }
    if (index < 0 || index >= items_.Count()) {
        index = -1;
    }
    if (index == itemIndex_) {
        return;
    }
    itemIndex_ = index;
    if (Peer() != nullptr) {
        Peer()->setItemIndex(index);
    }
}

std::string TComboBox::Text() const {
    // While a description is applied the index may not have its item yet.
    return itemIndex_ >= 0 && itemIndex_ < items_.Count() ? items_[itemIndex_] : std::string();
}

void TComboBox::SetDropDownCount(int value) {
    value = value < 1 ? 1 : value;
    if (value == dropDownCount_) {
        return;
    }
    dropDownCount_ = value;
    if (Peer() != nullptr) {
        Peer()->setDropDownCount(value);
    }
}

void TComboBox::Loaded() {
    TWinControl::Loaded();
    int index = itemIndex_;
    itemIndex_ = -1;
    SetItemIndex(index);
}

void TComboBox::itemsChanged(TStringList::Change change, int index) {
    if (IsLoading()) {
        return;
    }
    // The selection stays on the same item where it can; it goes when its item goes.
    int selected = itemIndex_;
    switch (change) {
    case TStringList::Change::Inserted:
        if (selected >= index) {
            ++selected;
        }
        break;
    case TStringList::Change::Deleted:
        if (selected == index) {
            selected = -1;
        } else if (selected > index) {
            --selected;
        }
        break;
    case TStringList::Change::Cleared:
    case TStringList::Change::Assigned:
        selected = -1;
        break;
    case TStringList::Change::Added:
    case TStringList::Change::Changed:
        break;
    }
    itemIndex_ = selected;
    if (Peer() != nullptr) {
        Peer()->setItems(items_.Items());
        Peer()->setItemIndex(itemIndex_);
    }
}

void TComboBox::InitializePeer(WidgetPeer& peer) {
    peer.setItems(items_.Items());
    peer.setItemIndex(itemIndex_);
    peer.setDropDownCount(dropDownCount_);
}

void TComboBox::PeerIndexChosen(int index) {
    if (index < 0 || index >= items_.Count()) {
        return;
    }
    itemIndex_ = index;
    Change();
}

void TComboBox::Change() {
    OnChange(this);
}

} // namespace toolkit
