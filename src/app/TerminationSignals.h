#pragma once

namespace kwf {

// From now on SIGTERM, SIGHUP and SIGINT (a desktop logout, kill, Ctrl+C) end the event loop
// like "Quitter" instead of killing the program, so that the port is released and its lock file
// removed on the way out. Does nothing where these signals do not exist.
void quitOnTerminationSignals();

} // namespace kwf
