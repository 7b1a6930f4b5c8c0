// The verification client: asks a DICOM server whether it answers, through DCMTK, with
// one association that proposes the Verification SOP Class and carries one C-ECHO. It
// shares with the C-STORE client the association's set-up (app/dcmtk_association.h),
// the watched connections that bound every wait and see a cancel, and the limits.
#pragma once

#include <string>

#include "app/dcmtk_cstore.h"

// What a verification came to.
struct CECHO_Result {
  double round_trip_ms = 0;  // from the C-ECHO request to its response (success only)
  std::string cause;         // failure only: one line, e.g. "connection refused",
                             // "association rejected: ...", "timeout after 5 s", "cancelled"
};

// Verifies the server `peer`:`port` (called AE title `server_AET`, calling AE title
// `local_AET`): requests the association, sends one C-ECHO, waits for its response and
// releases the association. `limits` bound each wait as for a C-STORE (the TCP
// connection, each association message, the C-ECHO's response), and a cancel ends the
// wait under way within a tenth of a second (a second while the TCP connection is
// tried). Returns 1 when the server answered with a success status and the association
// was released, with the round trip in `result`; returns 0 otherwise, with the cause in
// `result`, after aborting an association that was open. Writes the toolkit's condition
// texts as traces (MSG_TRACE) and nothing else: the caller shows the cause. Any thread;
// calls may overlap.
int DCMTK_CECHO(const char *peer, int port, const char *server_AET, const char *local_AET,
                const CSTORE_Limits &limits, CECHO_Result *result);
