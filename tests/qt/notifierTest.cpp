// The line a run ends with, as the desktop's notification service hears it:
// run on a session bus of its own (dbus-run-session), where the test itself
// is the service.
#include "qt/desktopNotifier.h"
#include "qt/notificationService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QStringList>
#include <gtest/gtest.h>

namespace ovcache {
namespace {

TEST(DesktopNotifier, theLineIsToldAsTheServiceReadsIt)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.isConnected()) << "run under dbus-run-session";
    test::Notifications service;
    ASSERT_TRUE(bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService("org.freedesktop.Notifications"));

    DesktopNotifier notifier;
    service.capabilities = {"body"};
    notifier.Notify("Orvane Cache Importer", "1 map imported; see <DM-A&B.kmx>");
    // A service that reads markup gets a map's "<" and "&" as text.
    service.capabilities = {"body", "body-markup"};
    notifier.Notify("Orvane Cache Importer", "<DM-A&B.kmx>");
    EXPECT_EQ(service.heard, QStringList({"orvane-cache-importer", "org.orvane.CacheImporter", "Orvane Cache Importer",
                                          "1 map imported; see <DM-A&B.kmx>", "org.orvane.CacheImporter",
                                          "orvane-cache-importer", "org.orvane.CacheImporter", "Orvane Cache Importer",
                                          "&lt;DM-A&amp;B.kmx&gt;", "org.orvane.CacheImporter"}));

    // Without the service nothing is shown, and nothing waits.
    bus.unregisterService("org.freedesktop.Notifications");
    notifier.Notify("Orvane Cache Importer", "unheard");
    EXPECT_EQ(service.heard.size(), 10);
}

} // namespace
} // namespace ovcache

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
