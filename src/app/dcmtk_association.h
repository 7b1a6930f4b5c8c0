// What the DICOM clients (the C-STORE of the push job, the C-ECHO of the verification)
// share around one association through DCMTK: the resources of one call, released in
// reverse order on every exit; the network on the watched transport layer of
// app/dcmtk_watch.h; the association parameters every request carries; and the TCP
// connection tried in attempts of one second, because the toolkit makes it in one wait
// that nothing can cut short. Include dcmtk/config/osconfig.h before this header.
#pragma once

#include <functional>

#include "app/dcmtk_watch.h"
#include "dcmtk/dcmnet/assoc.h"

// What one call set up. The caller owns the record; its destructor calls Close.
struct DCMTK_Session {
  DCMTK_Watch watch;                         // what the network's connections do; outlives them
  T_ASC_Network *network = nullptr;
  T_ASC_Parameters *params = nullptr;        // owned here until an association takes them
  T_ASC_Association *association = nullptr;
  bool connect_ran_out = false;              // the TCP connection was not made within the limit

  // Destroys the association (or the parameters not yet handed over) and drops the
  // network. Returns 0 after the trace of the step that failed, else 1.
  int Close();
  ~DCMTK_Session() { Close(); }
};

// Writes the trace "    cond: TEXT after STEP" of a failed toolkit step and returns 0.
int DCMTK_Cond_Fail(const OFCondition &cond, const char *step);

// Opens the requestor network of `session`, with `acse` seconds for each association
// message, on the watched transport layer. Returns 1, or 0 after the trace of the
// failed step.
int DCMTK_Session_Open(DCMTK_Session &session, int acse);

// Makes the session's association parameters without presentation contexts: the
// largest PDU received, the calling and called AE titles, plain TCP, the local host
// name and `peer_address` ("host:port"). Returns 1, or 0 after the trace of the failed
// step (the parameters made so far stay in the session, which frees them).
int DCMTK_Parameters_Make(DCMTK_Session &session, const char *server_AET, const char *local_AET,
                          const char *peer_address);

// Requests the association, trying the TCP connection in attempts of one second for
// at most `connect` seconds (0: until it is made, refused or cancelled). Before each
// attempt `prepare`(attempt number from 1) makes the session's parameters (returns 1,
// or 0 after its own trace). An attempt that ran out its second without a connection is
// tried again and traced as "CALLER, no TCP connection after attempt N, trying again";
// every other outcome is final, and when the limit ran out `connect_ran_out` is set.
// Returns the condition of the last attempt, or a bad one with *prepared 0 when
// `prepare` failed. Calling thread only.
OFCondition DCMTK_Association_Connect(DCMTK_Session &session, int connect, const char *caller,
                                      const std::function<int(int attempt)> &prepare, int *prepared);
