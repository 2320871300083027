// Message boxes as Qt shows them.
#include "toolkit/qt/peers.h"
#include "toolkit/qt/qt_util.h"
#include "toolkit/win_ui.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>

namespace toolkit::qt {

int ShowMessageBox(const MessageBoxRecord& record, TWinControl* ownerControl) {
    const UINT uType = record.style;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (uType & 0xF0) {
    case MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONWARNING:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QWidget* owner = ownerControl != nullptr ? widgetOf(ownerControl) : nullptr;
    // On the heap and watched: messages handled while the box is open may free the owner's
    // form, and the owner's widget takes the box with it when it goes.
    QPointer<QMessageBox> box = new QMessageBox(
        icon, toQString(record.caption), toQString(record.text), QMessageBox::NoButton, owner);
    switch (uType & 0x0F) {
    case MB_OKCANCEL:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box->setStandardButtons(QMessageBox::Ok);
        break;
    }
    box->setWindowModality(owner != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    box->exec();
    QAbstractButton* clicked = box ? box->clickedButton() : nullptr;
    int result = IDOK;
    switch (clicked != nullptr ? box->standardButton(clicked) : QMessageBox::NoButton) {
    case QMessageBox::Cancel:
        result = IDCANCEL;
        break;
    case QMessageBox::Yes:
        result = IDYES;
        break;
    case QMessageBox::No:
        result = IDNO;
        break;
    default:
        result = (uType & 0x0F) == MB_OKCANCEL && clicked == nullptr ? IDCANCEL : IDOK;
        break;
    }
    delete box;
    return result;
}

} // namespace toolkit::qt
