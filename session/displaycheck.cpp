// SPDX-License-Identifier: MIT
#include "displaycheck.h"

#include <xcb/xcb.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A Wayland display is a socket: WAYLAND_DISPLAY itself when it is a path,
// else that name in XDG_RUNTIME_DIR.
bool waylandAnswers(const std::string& display)
{
    if (display.empty())
        return false;
    const std::string path = display.front() == '/' ? display : environment("XDG_RUNTIME_DIR") + "/" + display;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const int socketFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socketFd < 0)
        return false;
    const bool connected = connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(socketFd);
    return connected;
}

} // namespace

DisplayCheck::DisplayCheck()
{
    // Qt picks Wayland or X when no platform is named; the others (offscreen,
    // minimal, vnc, ...) draw without a display.
    const std::string platform = environment("QT_QPA_PLATFORM");
    const bool x = platform.empty() || platform.starts_with("xcb");
    const bool wayland = platform.empty() || platform.starts_with("wayland");
    if (!x && !wayland)
        return;

    const std::string xDisplay = environment("DISPLAY");
    const std::string waylandDisplay = environment("WAYLAND_DISPLAY");
    if ((wayland && waylandAnswers(waylandDisplay)) || (x && xServerAnswers(xDisplay)))
        return;

    std::string tried;
    if (x && !xDisplay.empty())
        tried = "DISPLAY=" + xDisplay;
    if (wayland && !waylandDisplay.empty())
        tried += (tried.empty() ? "" : ", ") + std::string("WAYLAND_DISPLAY=") + waylandDisplay;
    if (tried.empty())
        problem_ = x && wayland ? "no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set"
                                : std::string("no display to open the window on: ")
                                      + (x ? "DISPLAY" : "WAYLAND_DISPLAY") + " is not set";
    else
        problem_ = "cannot connect to the display (" + tried + ") to open the window on";
}

bool DisplayCheck::xServerAnswers(const std::string& display)
{
    if (display.empty())
        return false;
    connection_ = xcb_connect(display.c_str(), nullptr);
    return xcb_connection_has_error(connection_) == 0;
}

DisplayCheck::~DisplayCheck()
{
    if (connection_)
        xcb_disconnect(connection_);
}
