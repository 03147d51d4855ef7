// A scripted session of the window for benchmarks and soak runs:
//   quorvex --automate --port NAME [--baud N] [--seconds S] [--log NAME]
//           [--full-load] [--stats] [--quiet]
// connects, optionally turns every sentence on at the fastest fix rate the
// bandwidth estimate allows and records, then disconnects and quits after S
// seconds, printing the same counts as quorvex-cli. Without --automate the
// program is the plain interactive window; there --start-demo connects at once
// when the port list starts on the built-in simulated receiver.
#pragma once

namespace qv::app {

class TForm1;

// True when the arguments ask for a scripted run (which is then scheduled on
// the window's timers); false for a normal start. Exits with 2 on bad arguments.
bool StartScriptedRun(TForm1& window, int argc, char** argv);

}  // namespace qv::app
