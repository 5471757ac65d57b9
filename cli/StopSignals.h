#pragma once
// How nulvane-cli ends on SIGINT, SIGTERM and SIGHUP: cleanly, and by that signal. The handler
// only remembers the signal and asks the program's long work to stop (both async-signal-safe);
// the scan, deletion or export in progress stops at its next unit of work and cleans up after
// itself (an export removes its temporary file and leaves an earlier file as it was), and the
// program then ends by the same signal with its default action, so that the shell and whoever
// started the program see how it ended. Once a signal has come, nothing more is printed, written
// or deleted.
//
// A signal ignored when the program starts (nohup, a background job of a script) stays ignored.
namespace nulvane {

class TLongWork;

// Installs the handlers; they stop `work`, which must live until the program ends.
void InstallStopSignals(TLongWork& work);

// Ends the program by the signal that came, if one did; returns otherwise.
void EndIfSignalled();

}  // namespace nulvane
