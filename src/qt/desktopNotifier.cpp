#include "qt/desktopNotifier.h"

#include "qt/icons.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace ovcache {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr int kPatience = 3000; // ms: a service that does not answer by then is not waited for

QDBusMessage Call(const char* method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

} // namespace

void DesktopNotifier::Notify(const std::string& title, const std::string& line)
{
    // The bus wants an application object; a command runs without one.
    static int argc = 1;
    static char name[] = "orvane-cache-importer";
    static char* argv[] = {name, nullptr};
    std::optional<QCoreApplication> application;
    if (!QCoreApplication::instance())
        application.emplace(argc, argv);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // A service that reads markup would take a map's "<" or "&" for it.
    const QDBusReply<QStringList> capabilities = bus.call(Call("GetCapabilities"), QDBus::Block, kPatience);
    if (!capabilities.isValid())
        return; // no notification service
    QString body = QString::fromStdString(line);
    if (capabilities.value().contains("body-markup"))
        body = body.toHtmlEscaped();
    QDBusMessage notify = Call("Notify");
    notify << QString::fromUtf8(name) << 0u << QString::fromUtf8(kAppId) << QString::fromStdString(title) << body
           << QStringList() << QVariantMap{{"desktop-entry", QString::fromUtf8(kAppId)}} << -1;
    bus.call(notify, QDBus::Block, kPatience);
}

} // namespace ovcache
