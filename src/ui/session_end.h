// The end of the desktop session or a shutdown of the system (SIGTERM,
// SIGHUP, SIGINT): nobody is there to answer questions, so the main window
// runs its shutdown sequence without them (every log flushed, the setup
// saved, the port closed) and the program exits with status 0.
#pragma once

class TMainForm;

void install_session_end_handler(TMainForm* form);

// True once such a signal came. One that comes while the window starts is
// carried out by main as soon as the start-up has returned.
bool session_end_requested();
