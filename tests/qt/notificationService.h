#pragma once
// A stand-in for the desktop's notification service, which records what it
// is told.
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace ovcache::test {

class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities;
    QStringList heard; // app, icon, summary, body and the desktop entry, each notification
public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& app, uint /*replaces*/, const QString& icon, const QString& summary, const QString& body,
                const QStringList& /*actions*/, const QVariantMap& hints, int /*timeout*/)
    {
        heard << app << icon << summary << body << hints.value("desktop-entry").toString();
        return static_cast<uint>(heard.size());
    }
};

} // namespace ovcache::test
