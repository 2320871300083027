// Popup menus and their items. An item carries a caption ("-" makes it a separator), an
// OnClick handler and its own sub-items, which it frees when it is freed. Every item has a
// command number that is never reused, by which the backend reports the choice.
#pragma once

#include "toolkit/component.h"
#include "toolkit/peer.h"

#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    // A separator line: the caption "-".
    bool IsLine() const { return caption_ == "-"; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }
    bool Checked() const { return checked_; }
    void SetChecked(bool value) { checked_ = value; }
    int Command() const { return command_; }

    // The item this one is a sub-item of.
    TMenuItem* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError for an index outside the sub-items.
    TMenuItem* Items(int index) const;
    TMenuItem* operator[](int index) const { return Items(index); }
    int IndexOf(const TMenuItem* item) const;
    // Takes a sub-item (moving it from another item); Add appends.
    void Add(TMenuItem* item) { Insert(Count(), item); }
    void Insert(int index, TMenuItem* item);
    // Takes a sub-item out without freeing it.
    void Remove(TMenuItem* item);
    void Delete(int index) { Remove(Items(index)); }
    // Frees every sub-item.
    void Clear();

    TNotifyEvent OnClick;
    // Runs OnClick (a copy of it: the handler may free the item).
    virtual void Click();

    // The live item with that command number, or nullptr.
    static TMenuItem* FindCommand(int command);

private:
    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
    int command_;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
};

// What a popup shows, as tests see it.
struct PopupMenuRecord {
    TPoint at;
    std::vector<MenuItemSpec> items;
    // The command of the first entry (also in submenus) with that caption, or 0.
    int CommandOf(const std::string& caption) const;
};
// Tests install a handler that is given every popup and returns the chosen command (0 for
// none) instead of showing it; an empty function restores real menus.
using PopupMenuHandler = std::function<int(const PopupMenuRecord&)>;
void SetPopupMenuHandler(PopupMenuHandler handler);

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);

    // The root item; the menu's entries are its sub-items.
    TMenuItem* Items() const { return items_; }
    // The screen point of the last popup.
    TPoint PopupPoint() const { return popupPoint_; }

    // Runs OnPopup, shows the visible items at a screen point and returns when the menu is
    // dismissed, after the chosen item's OnClick has run. An exception from OnClick goes to
    // the application's handler, not to the caller. The menu may be freed by that handler.
    void Popup(int x, int y);

    TNotifyEvent OnPopup;

private:
    TMenuItem* items_;
    TPoint popupPoint_;
};

} // namespace toolkit
