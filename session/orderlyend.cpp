// SPDX-License-Identifier: MIT
#include "orderlyend.h"

#include <QApplication>
#include <QDialog>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may do almost nothing: it writes a byte into this pipe,
// and the event loop, watching the other end, ends the run.
int signalPipe[2] = {-1, -1};
bool ending = false;

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Answers every modal box as Esc would, so that the code that showed it goes
// on and returns; a box's own event loop would otherwise hold the end up.
void closeModalBoxes()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QDialog*>(window); box && box->isVisible() && box->isModal())
            box->reject();
}

} // namespace

void endRunOnSignals(QObject* context, std::function<void()> end)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("signals end the run at once");
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [end = std::move(end)] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) { }
        ending = true;
        end();
        closeModalBoxes();
        QCoreApplication::quit(); // does nothing before the event loop runs: main() asks endRequested()
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

void storeOnSessionSave(QObject* context, std::function<void()> store)
{
    // The session manager may end the process soon after this returns.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, context,
                     [store = std::move(store)](QSessionManager&) { store(); });
}

bool endRequested()
{
    return ending;
}
