#include "MessageBoxes.h"

#include <cstdlib>
#include <cstring>

bool CanShowMessageBox()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && (std::strstr(platform, "offscreen") || std::strstr(platform, "minimal")))
        return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}
