// A small StatusNotifierWatcher for the tests: it takes the items' registrations on a private
// session bus and says that a host is there, so that the program shows its icon as a
// StatusNotifierItem, as it does on KDE Plasma or GNOME with the AppIndicator extension.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStringList>

namespace orv_test {

class StatusNotifierWatcher : public QDBusVirtualObject {
public:
    static constexpr const char* kService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kPath = "/StatusNotifierWatcher";

    // Registers the watcher on the bus at address; ok() tells whether that worked.
    explicit StatusNotifierWatcher(const QString& address)
        : bus_(QDBusConnection::connectToBus(address, "orvane-test-watcher")) {
        ok_ = bus_.isConnected() && bus_.registerVirtualObject(kPath, this) &&
              bus_.registerService(kService);
    }
    ~StatusNotifierWatcher() override {
        bus_.unregisterService(kService);
        bus_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus("orvane-test-watcher");
    }
    bool ok() const { return ok_; }
    QDBusConnection& bus() { return bus_; }
    // The registered items, as "service" (the item's bus name).
    const QStringList& items() const { return items_; }

    QString introspect(const QString&) const override {
        return R"(<interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface>
)";
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        const QList<QVariant> args = message.arguments();
        if (member == "RegisterStatusNotifierItem" && args.size() == 1) {
            // An item names its bus name, or only its object path on the caller's name.
            QString service = args[0].toString();
            if (service.startsWith('/')) {
                service = message.service();
            }
            items_.append(service);
            connection.send(message.createReply());
            QDBusMessage signal =
                QDBusMessage::createSignal(kPath, kService, "StatusNotifierItemRegistered");
            signal << service;
            connection.send(signal);
            return true;
        }
        if (member == "RegisterStatusNotifierHost") {
            connection.send(message.createReply());
            return true;
        }
        if (member == "Get" && args.size() == 2) {
            connection.send(message.createReply(
                QVariant::fromValue(QDBusVariant(property(args[1].toString())))));
            return true;
        }
        if (member == "GetAll") {
            QVariantMap all;
            for (const char* name : {"RegisteredStatusNotifierItems",
                                     "IsStatusNotifierHostRegistered", "ProtocolVersion"}) {
                all.insert(name, property(name));
            }
            connection.send(message.createReply(all));
            return true;
        }
        return false;
    }

private:
    QVariant property(const QString& name) const {
        if (name == "IsStatusNotifierHostRegistered") {
            return true;
        }
        if (name == "RegisteredStatusNotifierItems") {
            return items_;
        }
        if (name == "ProtocolVersion") {
            return 0;
        }
        return {};
    }

    QDBusConnection bus_;
    bool ok_ = false;
    QStringList items_;
};

} // namespace orv_test
