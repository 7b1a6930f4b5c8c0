// The C-STORE client's transport layer: the toolkit's plain TCP connection with every
// wait for the peer cut into slices of a tenth of a second. Between slices it asks the
// caller's cancel test and counts the time without progress, so that a cancel ends a
// blocked read or send at once and a peer that moves no byte for the current limit is
// given up. The toolkit's own blocking reads and sends could do neither: it retries
// them after a signal, and has no limit at all on a send.
#pragma once

#include <functional>

struct T_ASC_Network;  // dcmtk/dcmnet/assoc.h

// What one C-STORE call's connections are to do, and what they saw. The caller fills
// the first four fields and may change `stall` and `aborting` between toolkit calls;
// the connections set the last three. Used on the calling thread only.
struct DCMTK_Watch {
  bool (*cancelled)() = nullptr;  // the caller's cancel test; null: never cancelled
  int stall = 0;                  // seconds a wait for the peer may last (0: no limit)
  bool aborting = false;          // an A-ABORT goes out: one send that does not wait,
                                  // and no wait for the peer's answer
  std::function<void()> idle;     // work done once, the first time a wait finds the
                                  // peer not ready (then emptied); may be empty
  bool connected = false;         // a TCP connection was made and handed over
  bool cancel_seen = false;       // the cancel test said true (latched)
  bool stalled = false;           // a wait ran past `stall`
};

// Puts on `network` a transport layer whose connections follow `watch` (the network
// owns the layer; `watch` must outlive the network). Returns 1 when it is in place;
// returns 0 after the trace "    cond: %s after ASC_setTransportLayer".
// Precondition: `network` is a requestor network with no association yet.
int DCMTK_Watch_Install(T_ASC_Network *network, DCMTK_Watch *watch);

// True when the cancel test said true now or before: the first true is latched in
// `watch`, so that every later step of the call sees the same answer.
bool DCMTK_Watch_Cancelled(DCMTK_Watch *watch);
