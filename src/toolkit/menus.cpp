#include "toolkit/menus.h"

#include "toolkit/application.h"
#include "toolkit/exceptions.h"

#include <algorithm>
#include <unordered_map>

namespace toolkit {
namespace {

// Menu items live on the user-interface thread only.
struct Commands {
    std::unordered_map<int, TMenuItem*> items;
    int next = 1;
};

Commands& commands() {
    static auto* c = new Commands; // outlives items freed by static destructors
    return *c;
}

PopupMenuHandler& popupHandler() {
    static PopupMenuHandler handler;
    return handler;
}

std::vector<MenuItemSpec> entriesOf(const TMenuItem& parent) {
    std::vector<MenuItemSpec> entries;
    for (int i = 0; i < parent.Count(); ++i) {
        const TMenuItem* item = parent.Items(i);
        if (!item->Visible()) {
            continue;
        }
        MenuItemSpec entry;
        entry.command = item->Command();
        entry.caption = item->Caption();
        entry.separator = item->IsLine();
        entry.enabled = item->Enabled();
        entry.checked = item->Checked();
        entry.items = entriesOf(*item);
        entries.push_back(std::move(entry));
    }
    return entries;
}

int findCaption(const std::vector<MenuItemSpec>& items, const std::string& caption) {
    for (const MenuItemSpec& item : items) {
        if (!item.separator && item.caption == caption) {
            return item.command;
        }
        if (int command = findCaption(item.items, caption)) {
            return command;
        }
    }
    return 0;
}

} // namespace

// ---- TMenuItem -------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {
    Commands& c = commands();
    command_ = c.next++;
    c.items.emplace(command_, this);
}

TMenuItem::~TMenuItem() {
    Clear();
    if (parent_ != nullptr) {
        parent_->Remove(this);
    }
    commands().items.erase(command_);
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    return items_[static_cast<std::size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (item == nullptr) {
        return;
    }
    for (const TMenuItem* p = this; p != nullptr; p = p->parent_) {
        if (p == item) {
            throw EInvalidOperation("A menu item cannot be placed inside itself");
        }
    }
    if (index < 0 || index > Count() - (item->parent_ == this ? 1 : 0)) {
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    }
    if (item->parent_ != nullptr) {
        item->parent_->Remove(item);
    }
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end()) {
        items_.erase(it);
        item->parent_ = nullptr;
    }
}

void TMenuItem::Clear() {
    while (!items_.empty()) {
        TMenuItem* last = items_.back();
        Remove(last);
        last->Free();
    }
}

void TMenuItem::Click() {
    if (!enabled_) {
        return;
    }
    TNotifyEvent handler = OnClick;
    handler(this);
}

TMenuItem* TMenuItem::FindCommand(int command) {
    auto& items = commands().items;
    auto it = items.find(command);
    return it == items.end() ? nullptr : it->second;
}

// ---- TPopupMenu ------------------------------------------------------------------------------

int PopupMenuRecord::CommandOf(const std::string& caption) const {
    return findCaption(items, caption);
}

void SetPopupMenuHandler(PopupMenuHandler handler) {
    popupHandler() = std::move(handler);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

void TPopupMenu::Popup(int x, int y) {
    popupPoint_ = {x, y};
    OnPopup(this);
    PopupMenuRecord record{{x, y}, entriesOf(*items_)};
    int command = 0;
    if (popupHandler()) {
        command = popupHandler()(record);
    } else if (WindowingBackend* backend = GetWindowingBackend()) {
        command = backend->popupMenu(record.items, record.at);
    }
    // This menu may be gone by now (freed by a message handled while it was open): only the
    // command number leads to the item.
    if (TMenuItem* item = TMenuItem::FindCommand(command)) {
        Guard([item] { item->Click(); });
    }
}

} // namespace toolkit
