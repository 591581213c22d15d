#include "orderlyend.h"

#include "frmmain.h"
#include "msgbox.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may do almost nothing: it writes a byte into this pipe,
// and the event loop, watching the other end, ends the run.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void endRunOnSignalsAndSessionEnd(FrmMain& window)
{
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager&) {
        // The session manager may end the process as soon as this returns.
        window.Data1.endRun();
        window.cmdExit_Click();
    });

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("Verbrio: signals end the run at once");
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) { }
        guarded(&window, [&] { window.cmdExit_Click(); });
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}
