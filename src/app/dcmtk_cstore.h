// The C-STORE client: sends one DICOM file to a storage server through DCMTK, one
// association per call, one presentation context built from the file's SOP class and
// the transfer syntax chosen from its meta header. The push job calls it once per file
// on its worker thread. Every wait for the peer is bounded by the call's limits (the
// TCP connection, each association message, the C-STORE itself) and ends at once when
// the caller's cancel test says so.
#pragma once

#include "util/progress.h"

// How long a call waits for a silent or slow peer, and how it learns of a cancel. Each
// limit is in seconds; 0 sets no limit (the toolkit's blocking waits), a cancel still
// ends the wait.
struct CSTORE_Limits {
  int connect;  // the TCP connection, tried in attempts of one second until it is made
  int acse;     // the answer to each association message (the request, the release)
  int dimse;    // the C-STORE: a send that moves no byte, and the wait for the response
  bool (*cancelled)();  // true once the operator cancelled; polled on the calling thread
                        // every tenth of a second (one second during the TCP connection).
                        // May be null.
};

// Sends the file `path` to the storage server `peer`:`port` (called AE title
// `server_AET`, calling AE title `local_AET`). `transfer_syntax` and `sop_class` are the
// meta header's (0002,0010) and (0002,0002) as the push job read them; a listed
// transfer syntax becomes the syntax proposed from this call on (an unlisted or empty
// one keeps the earlier choice; with none yet, the machine's explicit VR syntax is
// proposed). Byte-count progress lines go to `progress` (may be null). `limits` bound
// every wait for the peer; when `limits.cancelled` turns true the association in
// progress is aborted within a tenth of a second (within a second while the TCP
// connection is being tried), and the call returns.
// Returns 1 when the server confirmed the store with a success or warning status (a
// cancel after the confirmation aborts the association instead of releasing it, and
// the file counts as stored); returns 0 otherwise (no connection, association rejected,
// no accepted context, the file unreadable or not a storage object, a failure status,
// a limit run out, an abort, a failed release, a cancel), after the operator lines
// (MSG_WARNING; a cancel gives the one line "DCMTK_CSTORE(), cancelled: association
// aborted") and the toolkit's condition texts (MSG_TRACE). Calls are serialised
// process-wide: a second thread waits for the first.
// `next_path`, when not null, is the file the caller will send next: it is loaded while
// this call waits for the peer, and the next call uses it if the file has not changed.
int DCMTK_CSTORE(const char *path, const char *peer, const char *server_AET, int port, const char *local_AET,
                 const char *transfer_syntax, const char *sop_class, Progress_Record *progress,
                 const CSTORE_Limits &limits, const char *next_path = nullptr);

// What the server answered to the last DCMTK_CSTORE call.
struct CSTORE_Answer {
  int status;                  // the C-STORE response's status, or CSTORE_NO_STATUS
  char sop_instance[128];      // the file's SOP Instance UID, or empty when not read
};
enum { CSTORE_NO_STATUS = -1 };  // no response came (no association, no context, an abort)

// The answer to the last DCMTK_CSTORE call. Call on the thread that made that call,
// before its next one (calls are serialised, so a single push job reads its own).
CSTORE_Answer DCMTK_CSTORE_Last_Answer();

// Prepares the toolkit once per process (repeated calls do nothing): switches its own
// logging off and, unless the environment says otherwise already, sets TCP_NODELAY=1 so
// that the toolkit turns Nagle's algorithm off. DCMTK_CSTORE calls it itself; a front end
// calls it on its main thread before starting a push job, so that the environment
// changes while no other thread reads it.
void DCMTK_CSTORE_Prepare();

// The transfer syntax that the next call proposes when its file brings no listed one:
// the toolkit's number of the choice carried from earlier calls, or -1 while there is
// none. For tests and traces.
int DCMTK_CSTORE_Choice();

// Forgets the carried transfer syntax choice (as at program start). For tests.
void DCMTK_CSTORE_Reset();
