#pragma once
// The desktop's notifications, for the line a run without a window ends with:
// org.freedesktop.Notifications on the session bus. Without a session bus or
// a notification service nothing is shown, and nothing waits long for one.
#include "console/consoleRun.h"

namespace ovcache {

class DesktopNotifier final : public console::Notifier {
public:
    void Notify(const std::string& title, const std::string& line) override;
};

} // namespace ovcache
