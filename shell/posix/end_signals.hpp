// The end of a show asked for from outside (SIGTERM, SIGINT, SIGHUP), as both POSIX systems the
// saver runs on (X11 and Wayland) take it: the show ends at the event loop's next turn, exactly
// as input ends it. A loop blocked on a display or compositor that stopped answering cannot get
// there, so the first end signal also starts the patience: PATIENCE later the process ends with
// status 0 whatever it is doing, which gives the desktop back too (the server or compositor drops
// a client's windows and grabs with its connection).
#pragma once

namespace vorlip::posix {

// How long the event loop has to end the show after the first end signal. Later signals (an
// impatient user, a daemon that repeats itself) do not put the end off.
inline constexpr unsigned kEndPatienceSeconds = 2;

// Installs the handlers, once, before anything is opened. A write to a connection that went
// away then fails and is reported instead of ending the process without a word (SIGPIPE is
// ignored).
void install_end_signals();

// Whether an end signal came.
bool end_signalled();

// The read end of the pipe the handler writes to, so that a wait in an event loop returns at
// once; -1 when there is none (the loop then wakes at its next tick).
int end_wake_fd();

}  // namespace vorlip::posix
