#pragma once

class FrmMain;

// SIGTERM (logout, shutdown, kill), SIGINT (Ctrl+C), SIGHUP and the session
// manager's end of the session end the run as "E&xit" does, so that the entry
// being typed is stored and the file left whole. Call once, before the event
// loop runs.
void endRunOnSignalsAndSessionEnd(FrmMain& window);
