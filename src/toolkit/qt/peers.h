// The native widgets behind the toolkit's windowed controls.
#pragma once

#include "toolkit/peer.h"
#include "toolkit/qt/surfaces.h"

#include <QPointer>
#include <QWidget>
#include <initializer_list>
#include <memory>
#include <vector>

namespace toolkit::qt {

class Detachable;

class QtPeer : public WidgetPeer {
public:
    // The peer owns the widget; hooks are the widget's parts that report to the control.
    QtPeer(TWinControl* control, QWidget* widget, std::initializer_list<Detachable*> hooks);
    ~QtPeer() override;

    QWidget* widget() const { return widget_; }
    // Where child controls' widgets go.
    virtual QWidget* container() const { return widget_; }

    void setParent(WidgetPeer* parent) override;
    void setBounds(const TRect& bounds) override;
    void setVisible(bool visible) override;
    void setEnabled(bool enabled) override;
    void setColor(TColor) override {}
    void setFont(const TFont& font) override;
    void setText(const std::string&) override {}
    void setHint(const std::string& hint, bool show) override;
    void setCursor(TCursor cursor) override;
    void invalidate(const TRect& rect) override;
    void invalidateAll() override;
    void update() override;
    void setFocus() override;
    bool hasFocus() const override;
    void bringToFront() override;
    void sendToBack() override;
    TPoint clientToScreen(TPoint p) const override;
    TPoint screenToClient(TPoint p) const override;

protected:
    // Drawn by its parent's surface (see surfaces.h).
    bool drawnByParent() const;
    // Repaints the place of a widget drawn by its parent that it is about to leave.
    void leaveArea();

    // Where invalidate's requests for the container went, while the layout stands.
    RepaintTarget repaintTarget_;
    TWinControl* control_;
    QPointer<QWidget> widget_;
    std::vector<Detachable*> hooks_;
};

std::unique_ptr<WidgetPeer> createPeer(TWinControl* control, PeerKind kind);
// The peers of each kind, made by createPeer.
std::unique_ptr<WidgetPeer> createFormPeer(TWinControl* control);
std::unique_ptr<WidgetPeer> createContainerPeer(TWinControl* control);
std::unique_ptr<WidgetPeer> createScrollBoxPeer(TWinControl* control);
std::unique_ptr<WidgetPeer> createPageControlPeer(TWinControl* control);
std::unique_ptr<WidgetPeer> createEditPeer(TWinControl* control);
std::unique_ptr<WidgetPeer> createComboBoxPeer(TWinControl* control);
std::unique_ptr<WidgetPeer> createTrackBarPeer(TWinControl* control);

// Shows a popup menu and returns the chosen command (0 for none).
int execPopupMenu(const std::vector<MenuItemSpec>& items, TPoint at);
// Shows a message box and returns the id of the button chosen.
int ShowMessageBox(const MessageBoxRecord& record, TWinControl* owner);

// Sets one colour of a widget's palette.
void setBackground(QWidget* w, QPalette::ColorRole role, TColor color);

// The widget of a control, for the backend's own use (snapshots, message box owners).
QWidget* widgetOf(TWinControl* control);

} // namespace toolkit::qt
