#include "Monitors.h"

#include "Failure.h"
#include "Units.h"

namespace tk {
namespace {

TwipsEdges Twips(const RECT& pixels) {
    return {static_cast<float>(pixels.left) * TwipsPerPixelX(), static_cast<float>(pixels.top) * TwipsPerPixelY(),
            static_cast<float>(pixels.right) * TwipsPerPixelX(),
            static_cast<float>(pixels.bottom) * TwipsPerPixelY()};
}

}  // namespace

MonitorArea MonitorNearest(const RECT& pixels) {
    MONITORINFO info{.cbSize = sizeof(MONITORINFO)};
    if (!GetMonitorInfoW(MonitorFromRect(&pixels, MONITOR_DEFAULTTONEAREST), &info))
        throw Failure(HRESULT_FROM_WIN32(GetLastError()), L"The monitor's size cannot be read");
    return {Twips(info.rcMonitor), Twips(info.rcWork)};
}

bool OnSomeMonitor(const RECT& pixels) { return MonitorFromRect(&pixels, MONITOR_DEFAULTTONULL) != nullptr; }

TwipsEdges PrimaryWorkArea() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return Twips(work);
}

}  // namespace tk
