#pragma once
// The line a run without a window ends with, as a balloon from the
// notification area (a toast on Windows 10 and later).
#include "console/consoleRun.h"

namespace ovcache::win32 {

class BalloonNotifier final : public console::Notifier {
public:
    // Shows the balloon and waits until it is gone, a few seconds at most:
    // the notification area takes it away with the program's icon.
    void Notify(const std::string& title, const std::string& line) override;
};

} // namespace ovcache::win32
