#pragma once
// A request to stop the run, made by closing the window (both flags) or by the
// wait timer when it ends the run (`endWaits` only). Set once, never cleared.
// The waits and the exchanges read it; the shell owns it.
namespace th {

struct StopRequest {
  // Every wait returns at once; terminal, directory and file commands give up.
  bool endWaits = false;
  // The modem, clock and hang-up exchanges give up at their next step.
  bool stopExchanges = false;
};

}  // namespace th
