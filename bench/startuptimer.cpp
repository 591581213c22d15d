// SPDX-License-Identifier: MIT
// startup-timer [--settle MS] PROGRAM [ARGUMENTS...]
//
// Starts PROGRAM on the X display of $DISPLAY, waits for the X server to map
// its first top-level window, and prints the milliseconds from launch to that
// moment and the program's resident memory in KiB, read MS milliseconds later
// (500 unless told), when the first paint is done. Then it ends the program.
// The map is seen as an X event, not by polling, so the time is exact.
#include "residentmemory.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto kTimeout = std::chrono::seconds(30);

// The process ID a window's owner put in _NET_WM_PID, or -1.
long windowPid(Display* display, Window window, Atom netWmPid)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data)
            == Success
        && data && format == 32 && items == 1)
        pid = *reinterpret_cast<long*>(data);
    if (data)
        XFree(data);
    return pid;
}

int fail(const char* message, pid_t child = 0)
{
    std::fprintf(stderr, "startup-timer: %s\n", message);
    if (child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    int settleMs = 500;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--settle") == 0) {
        settleMs = std::atoi(argv[2]);
        first = 3;
    }
    if (first >= argc)
        return fail("usage: startup-timer [--settle MS] PROGRAM [ARGUMENTS...]");

    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return fail("cannot open the X display named by DISPLAY");
    const Window root = DefaultRootWindow(display);
    const Atom netWmPid = XInternAtom(display, "_NET_WM_PID", False);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto launched = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0)
        return fail("cannot fork");
    if (child == 0) {
        execvp(argv[first], argv + first);
        std::perror(argv[first]);
        _exit(127);
    }

    bool mapped = false;
    std::chrono::steady_clock::time_point mappedAt;
    while (!mapped) {
        if (std::chrono::steady_clock::now() - launched > kTimeout)
            return fail("no window was mapped in time", child);
        if (waitpid(child, nullptr, WNOHANG) == child)
            return fail("the program ended before it showed a window");
        if (!XPending(display)) {
            pollfd connection{ConnectionNumber(display), POLLIN, 0};
            poll(&connection, 1, 100);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify || event.xmap.override_redirect)
            continue;
        // Read the time first: asking for the window's owner takes a round trip.
        const auto now = std::chrono::steady_clock::now();
        if (windowPid(display, event.xmap.window, netWmPid) == child) {
            mapped = true;
            mappedAt = now;
        }
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    const long rss = residentKiB(child);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);

    std::printf("%.2f %ld\n", std::chrono::duration<double, std::milli>(mappedAt - launched).count(), rss);
    return 0;
}
