// Popup menus on QMenu: built from the toolkit's entries, shown at a screen point, and the
// chosen entry's command returned when the menu closes.
#include "toolkit/qt/peers.h"
#include "toolkit/qt/qt_util.h"

#include <QAction>
#include <QMenu>

namespace toolkit::qt {
namespace {

void fill(QMenu& menu, const std::vector<MenuItemSpec>& items) {
    for (const MenuItemSpec& item : items) {
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        if (!item.items.empty()) {
            QMenu* sub = menu.addMenu(toQString(item.caption));
            sub->setEnabled(item.enabled);
            fill(*sub, item.items);
            continue;
        }
        QAction* action = menu.addAction(toQString(item.caption));
        action->setData(item.command);
        action->setEnabled(item.enabled);
        if (item.checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
}

} // namespace

int execPopupMenu(const std::vector<MenuItemSpec>& items, TPoint at) {
    QMenu menu;
    fill(menu, items);
    if (menu.isEmpty()) {
        return 0;
    }
    QAction* chosen = menu.exec(QPoint(at.X, at.Y));
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

} // namespace toolkit::qt
