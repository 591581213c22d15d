// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

class QObject;

// SIGTERM (logout, shutdown, kill), SIGINT (Ctrl+C) and SIGHUP end the run in
// order: `end` runs in the event loop (it stores what is being typed and
// closes the window), any modal box still up is answered as by Esc, and the
// event loop ends. A signal that comes while a start-up box is up, before
// the event loop runs, ends the run as well: the boxes close, later ones are
// not shown (see endRequested), and main() does not show its window. Call
// once, before the first box; `context` owns the watch.
void endRunOnSignals(QObject* context, std::function<void()> end);

// The session manager's request to save the session (at logout, or a save
// without logout): `store` stores what is being typed. The run goes on:
// whether it ends is for the session manager to say.
void storeOnSessionSave(QObject* context, std::function<void()> store);

// Whether a signal has asked the run to end: boxes are no longer shown.
bool endRequested();
