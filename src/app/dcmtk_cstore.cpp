// The C-STORE client over DCMTK. Each call is self-contained: it opens a network and
// one association, proposes one presentation context (the file's SOP class with the one
// chosen transfer syntax), sends the file with DIMSE_storeUser, releases (or aborts) the
// association and drops the network, whatever happened on the way. Only the transfer
// syntax choice, the last response status and the progress callback's state outlive a
// call; a lock serialises calls so that two jobs never share them halfway.
//
// Silent and slow peers: the network's connections are the watched ones of
// app/dcmtk_watch.h (set up through app/dcmtk_association.h), so every wait for the
// peer asks the caller's cancel test ten times a second and gives up after the limit
// of the step under way (the ACSE limit while the association is requested and
// released, the DIMSE limit while the file is stored).
// The toolkit makes the TCP connection itself, in one wait that nothing can cut short,
// so it is tried in attempts of one second until the connection limit runs out; a
// cancel is seen between attempts. A cancel aborts the association and is reported in
// one line, without the failure lines of the step it cut short.
//
// A file is loaded for its SOP class and for the store (values longer than
// LOAD_VALUE_MAX, the pixel data, stay in the file until they are sent). A call given
// the path of the file that the following call will send loads that file while it
// waits for the peer (its association answer, its C-STORE response, its release), so
// that the following call starts at once; the following call takes what was read ahead
// only when the file is the same (device, inode, size and modification time), and
// loads it again otherwise.
//
// The toolkit is prepared once per process: its own logging is switched off (every
// outcome is reported through the message log) and Nagle's algorithm is turned off
// through TCP_NODELAY=1, without which each association waits some 40 ms on loopback.
//
// Index: state / transfer syntax choice / progress callback / presentation contexts /
//        store / the association / loading and reading ahead / DCMTK_CSTORE.
#include "dcmtk/config/osconfig.h"  // first, as the toolkit requires

#include "app/dcmtk_cstore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dcmtk/dcmdata/dcdict.h"
#include "dcmtk/dcmdata/dcfilefo.h"
#include "dcmtk/dcmdata/dcmetinf.h"
#include "dcmtk/dcmdata/dcuid.h"
#include "dcmtk/dcmdata/dcxfer.h"
#include "dcmtk/dcmnet/assoc.h"
#include "dcmtk/dcmnet/diutil.h"
#include "dcmtk/dcmnet/dimse.h"
#include "dcmtk/dcmnet/dul.h"
#include "dcmtk/oflog/oflog.h"

#include "app/dcmtk_association.h"
#include "app/number_text.h"
#include "platform/os/os_files.h"
#include "util/message_log.h"

// ---- state ---------------------------------------------------------------------------

namespace {

typedef std::chrono::steady_clock Clock;

enum {
  UID_SIZE = 128,           // buffers for UIDs found in the file
  LOAD_VALUE_MAX = 4096,    // longer values are read from the file when they are sent
  CONTEXT_ID_MAX = 255,     // presentation context IDs are odd numbers up to this
};

std::mutex cstore_lock;                           // one call at a time, process-wide
E_TransferSyntax transfer_choice = EXS_Unknown;   // carried from call to call
Uint16 last_status = 0;                           // last C-STORE response status
CSTORE_Answer last_answer = {CSTORE_NO_STATUS, ""};  // the last call's, for the front end
bool unsuccessful = false;                        // the last store was not confirmed
Progress_Record *store_progress = nullptr;        // the running job's progress record
long callback_count = 0;                          // progress callbacks since begin
Clock::time_point progress_begin;                 // when the current transfer began
bool debug_flag = false;                          // parameter dumps; once set stays set
std::once_flag toolkit_ready;

const char WARNING[] = "\xF1\x05WARNING:\x02 ";

double Seconds_Since(Clock::time_point start)
{
  return (double)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count() / 1000.0;
}

// The one operator line of a cancelled call; returns 0.
int Cancel_Report()
{
  Message_Log(nullptr, MSG_WARNING, "%sDCMTK_CSTORE(), cancelled: association aborted", WARNING);
  return 0;
}

// The operator's lines that open every report of a failed association.
void Connect_Failure(const char *server_AET, const char *peer_address)
{
  Message_Log(nullptr, MSG_WARNING, "%sUnable to connect with SCP", WARNING);
  Message_Log(nullptr, MSG_WARNING, "\xF1        Server: \x01%s\x02 on \x01%s\x02", server_AET, peer_address);
}

// ---- transfer syntax choice -------------------------------------------------------------

// The transfer syntaxes that become the proposed syntax when a file brings one of them.
const char *const LISTED_SYNTAXES[] = {
    UID_LittleEndianImplicitTransferSyntax,
    UID_LittleEndianExplicitTransferSyntax,
    UID_BigEndianExplicitTransferSyntax,
    "1.2.840.10008.1.2.4.50", "1.2.840.10008.1.2.4.51", "1.2.840.10008.1.2.4.52",
    "1.2.840.10008.1.2.4.53", "1.2.840.10008.1.2.4.54", "1.2.840.10008.1.2.4.55",
    "1.2.840.10008.1.2.4.56", "1.2.840.10008.1.2.4.57", "1.2.840.10008.1.2.4.58",
    "1.2.840.10008.1.2.4.59", "1.2.840.10008.1.2.4.60", "1.2.840.10008.1.2.4.61",
    "1.2.840.10008.1.2.4.62", "1.2.840.10008.1.2.4.63", "1.2.840.10008.1.2.4.64",
    "1.2.840.10008.1.2.4.65", "1.2.840.10008.1.2.4.66", "1.2.840.10008.1.2.4.70",
    "1.2.840.10008.1.2.4.80", "1.2.840.10008.1.2.4.81", "1.2.840.10008.1.2.4.90",
    "1.2.840.10008.1.2.4.91", "1.2.840.10008.1.2.4.92", "1.2.840.10008.1.2.4.93",
    "1.2.840.10008.1.2.5",
};

// Makes a listed `uid` the choice; any other text leaves the choice as it was.
void Choice_Update(const char *uid)
{
  if (!uid || !*uid) return;
  for (const char *listed : LISTED_SYNTAXES)
    if (!std::strcmp(uid, listed)) {
      transfer_choice = DcmXfer(listed).getXfer();
      return;
    }
}

// The UID of the syntax to propose: the choice, or the machine's explicit VR syntax.
const char *Choice_Proposed()
{
  if (transfer_choice != EXS_Unknown) return DcmXfer(transfer_choice).getXferID();
  return gLocalByteOrder == EBO_LittleEndian ? UID_LittleEndianExplicitTransferSyntax
                                             : UID_BigEndianExplicitTransferSyntax;
}

// ---- progress callback ------------------------------------------------------------------

// DIMSE progress: the size at the begin, every tenth step moves the activity indicator,
// "done" at the end; with tracing on, the byte counts and the time taken.
void DCMTK_Store_Progress(void *, T_DIMSE_StoreProgress *progress, T_DIMSE_C_StoreRQ *)
{
  const bool tracing = trace_level.load() != 0;
  switch (progress->state) {
  case DIMSE_StoreBegin: {
    std::string total = Number_Text_Size(progress->totalBytes);
    Progress_Write(store_progress, "    pushing \x01%s", total.c_str());
    callback_count = 0;
    if (tracing) {
      progress_begin = Clock::now();
      Message_Log(nullptr, MSG_TRACE, "        pushing \x01%s", total.c_str());
    }
    break;
  }
  case DIMSE_StoreEnd:
    Progress_Write(store_progress, "    done");
    if (tracing) Message_Log(nullptr, MSG_TRACE, "        push End (time:%.3f)", Seconds_Since(progress_begin));
    break;
  default:
    if (callback_count++ % 10 == 0) Progress_Bounce(store_progress, 1);
    if (tracing)
      Message_Log(nullptr, MSG_TRACE, "        push %s / %s", Number_Text_Size(progress->progressBytes).c_str(),
                  Number_Text_Size(progress->totalBytes).c_str());
    break;
  }
}

// ---- presentation contexts ------------------------------------------------------------------

// Proposes one context per distinct SOP class of `sop_classes` (with `meta_class`
// appended), each with the one proposed transfer syntax, IDs 1, 3, 5, ...
OFCondition addStoragePresentationContexts(T_ASC_Parameters *params, std::vector<std::string> sop_classes,
                                           const char *meta_class)
{
  const char *syntaxes[] = {Choice_Proposed()};
  sop_classes.push_back(meta_class ? meta_class : "");
  std::vector<std::string> distinct;
  for (const std::string &uid : sop_classes) {
    bool seen = false;
    for (const std::string &kept : distinct) seen = seen || kept == uid;
    if (!seen && !uid.empty()) distinct.push_back(uid);
  }
  int id = 1;
  for (const std::string &uid : distinct) {
    if (id > CONTEXT_ID_MAX) {
      Message_Log(nullptr, MSG_WARNING, "%sDCMTK_CSTORE(), Too many presentation contexts", WARNING);
      return ASC_BADPRESENTATIONCONTEXTID;
    }
    OFCondition cond = ASC_addPresentationContext(params, (T_ASC_PresentationContextID)id, uid.c_str(), syntaxes, 1);
    if (cond.bad()) return cond;
    id += 2;
  }
  return EC_Normal;
}

// ---- store -----------------------------------------------------------------------------------

// The modality short name of a SOP class, else its dictionary name, else "unknown SOP class".
const char *SOP_Class_Name(const char *sop_class)
{
  const char *name = dcmSOPClassUIDToModality(sop_class);
  if (!name) name = dcmFindNameOfUID(sop_class);
  return name ? name : "unknown SOP class";
}

// Sends the loaded `file` over `assoc` as one C-STORE request, waiting at most `dimse`
// seconds for the response (0: as long as it takes). Sets the unsuccessful-store flag
// first and clears it only on a good condition with a success or warning status. A
// failure that a cancel (seen through `watch`) caused is not reported here. Returns the
// toolkit's condition.
OFCondition storeSCU(T_ASC_Association *assoc, DcmFileFormat &file, long file_size, int dimse, DCMTK_Watch *watch)
{
  DIC_US message_id = assoc->nextMsgID++;
  Message_Log(nullptr, MSG_TRACE, "---------- Sending data: ----------------");
  unsuccessful = true;

  char sop_class[UID_SIZE], sop_instance[UID_SIZE];
  if (!DU_findSOPClassAndInstanceInDataSet(file.getDataset(), sop_class, sizeof sop_class, sop_instance,
                                           sizeof sop_instance, OFFalse)) {
    Message_Log(nullptr, MSG_WARNING, "%sstoreSCU(), No SOP Class & Instance UIDs in file", WARNING);
    return DIMSE_BADDATA;
  }

  DcmXfer file_syntax(file.getDataset()->getOriginalXfer());
  T_ASC_PresentationContextID context =
      file_syntax.getXfer() != EXS_Unknown
          ? ASC_findAcceptedPresentationContextID(assoc, sop_class, file_syntax.getXferID())
          : ASC_findAcceptedPresentationContextID(assoc, sop_class);
  if (context == 0) {
    Message_Log(nullptr, MSG_WARNING, "%sstoreSCU(), No presentation context for: (%s) %s", WARNING,
                SOP_Class_Name(sop_class), sop_class);
    return DIMSE_NOVALIDPRESENTATIONCONTEXTID;
  }
  if (trace_level.load() >= 11) {
    T_ASC_PresentationContext accepted;
    ASC_findAcceptedPresentationContext(assoc->params, context, &accepted);
    DcmXfer network_syntax(accepted.acceptedTransferSyntax);
    Message_Log(nullptr, MSG_TRACE, "storeSCU(), Transfer: %s -> %s", file_syntax.getXferName(),
                network_syntax.getXferName());
  }

  T_DIMSE_C_StoreRQ request;
  std::memset(&request, 0, sizeof request);
  request.MessageID = message_id;
  OFStandard::strlcpy(request.AffectedSOPClassUID, sop_class, sizeof request.AffectedSOPClassUID);
  OFStandard::strlcpy(request.AffectedSOPInstanceUID, sop_instance, sizeof request.AffectedSOPInstanceUID);
  request.DataSetType = DIMSE_DATASET_PRESENT;
  request.Priority = DIMSE_PRIORITY_LOW;
  Message_Log(nullptr, MSG_TRACE, "Store SCU RQ: MsgID %d, (%s)", message_id, dcmSOPClassUIDToModality(sop_class, "OT"));

  T_DIMSE_C_StoreRSP response;
  std::memset(&response, 0, sizeof response);
  DcmDataset *status_detail = nullptr;
  OFCondition cond = DIMSE_storeUser(assoc, context, &request, nullptr, file.getDataset(), DCMTK_Store_Progress,
                                     nullptr, dimse > 0 ? DIMSE_NONBLOCKING : DIMSE_BLOCKING, dimse, &response,
                                     &status_detail, nullptr, file_size);
  if (cond.good() && (response.DimseStatus == STATUS_Success || (response.DimseStatus & 0xF000) == 0xB000))
    unsuccessful = false;
  last_status = response.DimseStatus;
  if (cond.good()) last_answer.status = response.DimseStatus;

  if (cond.good()) {
    OFString dump;
    DIMSE_dumpMessage(dump, response, DIMSE_INCOMING);
    Message_Log(nullptr, MSG_TRACE, "Dump (no err): %s", dump.c_str());
  } else if (!DCMTK_Watch_Cancelled(watch)) {
    Message_Log(nullptr, MSG_WARNING, "%sStore SCU Failed", WARNING);
    Message_Log(nullptr, MSG_TRACE, "cond: %s", cond.text());
  }
  if (status_detail) {
    Message_Log(nullptr, MSG_TRACE, "storeSCU(),   Status Detail:");
    delete status_detail;
  }
  return cond;
}

// ---- the association -------------------------------------------------------------------------

// Aborts the association; after a cancel a failure is only traced, since the peer may
// be the reason for the cancel. Returns 0 when the abort failed.
int Association_Abort(DCMTK_Session &session)
{
  session.watch.aborting = true;
  OFCondition ended = ASC_abortAssociation(session.association);
  if (ended.good()) return 1;
  if (!DCMTK_Watch_Cancelled(&session.watch))
    Message_Log(nullptr, MSG_WARNING, "%sDCMTK_CSTORE(), Association Abort Failed:", WARNING);
  return DCMTK_Cond_Fail(ended, "ASC_abortAssociation");
}

// Ends an association after the store by the condition it returned: release after a
// good one, abort otherwise, and abort at once after a cancel (which, once the store was
// done, does not undo it; a cancel that cuts the release short leaves the association
// dropped). Returns 0 when the release or the abort failed, and after a
// cancel that cut the store short.
int Association_End(DCMTK_Session &session, const OFCondition &cond, const char *server_AET, const char *peer_address,
                    int dimse)
{
  if (DCMTK_Watch_Cancelled(&session.watch)) {
    Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(), Aborting Association");
    Association_Abort(session);
    return cond.good() ? 1 : Cancel_Report();
  }
  if (cond.good()) {
    Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(), Releasing Association");
    OFCondition ended = ASC_releaseAssociation(session.association);
    if (ended.bad() && DCMTK_Watch_Cancelled(&session.watch)) return 1;  // the toolkit dropped it already
    if (ended.bad()) {
      Message_Log(nullptr, MSG_WARNING, "%sDCMTK_CSTORE(), Association Release Failed:", WARNING);
      return DCMTK_Cond_Fail(ended, "ASC_releaseAssociation");
    }
    return 1;
  }
  if (cond == DUL_PEERABORTEDASSOCIATION) {
    Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(), Peer Aborted Association");
    return 1;
  }
  Connect_Failure(server_AET, peer_address);
  if (cond == DUL_PEERREQUESTEDRELEASE) {
    Message_Log(nullptr, MSG_WARNING, "\xF1        Protocol Error: peer requested release (Aborting)");
    Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(), Aborting Association");
  } else {
    Message_Log(nullptr, MSG_WARNING, "\xF1        SCU Failed");
    if (cond == DIMSE_NODATAAVAILABLE || session.watch.stalled)
      Message_Log(nullptr, MSG_WARNING, "\xF1        No progress for %d sec (DIMSE timeout)", dimse);
    Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(), Aborting Association");
    Message_Log(nullptr, MSG_TRACE, "cond: %s", cond.text());
  }
  return Association_Abort(session);
}

// Makes the association parameters of one request. Returns 0 after the trace of the
// failed step.
int Parameters_Make(DCMTK_Session &session, const char *server_AET, const char *local_AET, const char *peer_address,
                    const std::vector<std::string> &sop_classes, const char *meta_class)
{
  if (!DCMTK_Parameters_Make(session, server_AET, local_AET, peer_address)) return 0;
  OFCondition cond = addStoragePresentationContexts(session.params, sop_classes, meta_class);
  if (cond.bad()) return DCMTK_Cond_Fail(cond, "addStoragePresentationContexts");
  return 1;
}

// The association's request parameters, for every attempt alike.
struct Request {
  const char *server_AET, *local_AET, *peer_address;
  const std::vector<std::string> *sop_classes;
  const char *meta_class;
};

// Requests the association, trying the TCP connection for at most `connect` seconds
// (0: until it is made, refused or cancelled). Returns the condition of the last
// attempt, or a bad one with *prepared 0 when parameters could not be made (after the
// trace).
OFCondition Association_Connect(DCMTK_Session &session, const Request &request, int connect, int *prepared)
{
  return DCMTK_Association_Connect(session, connect, "DCMTK_CSTORE()", [&](int attempt) {
    if (!Parameters_Make(session, request.server_AET, request.local_AET, request.peer_address, *request.sop_classes,
                         request.meta_class))
      return 0;
    if (debug_flag && attempt == 1) {
      OFString dump;
      ASC_dumpParameters(dump, session.params, ASC_ASSOC_RQ);
      Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(): Request Parameters: %s", dump.c_str());
    }
    return 1;
  }, prepared);
}

// Requests the association and checks that a context was accepted. Returns 0 after
// the operator's lines when the peer could not be reached, rejected the association or
// accepted no context, and after the cancel line when the operator cancelled.
int Association_Request(DCMTK_Session &session, const Request &request, int connect)
{
  const char *server_AET = request.server_AET, *peer_address = request.peer_address;
  Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(): Requesting Association with %s on %s", server_AET, peer_address);
  int prepared = 0;
  OFCondition cond = Association_Connect(session, request, connect, &prepared);
  if (!prepared) return 0;
  if (cond.bad()) {
    if (DCMTK_Watch_Cancelled(&session.watch)) return Cancel_Report();
    Connect_Failure(server_AET, peer_address);
    if (cond == DUL_ASSOCIATIONREJECTED) {
      T_ASC_RejectParameters reject;
      ASC_getRejectParameters(session.association ? session.association->params : session.params, &reject);
      OFString printed;
      ASC_printRejectParameters(printed, &reject);
      Message_Log(nullptr, MSG_WARNING, "\xF1        Association Rejected");
      Message_Log(nullptr, MSG_TRACE, "%s", printed.c_str());
      return 0;
    }
    std::string first_line = cond.text();
    first_line = first_line.substr(0, first_line.find('\n'));
    Message_Log(nullptr, MSG_WARNING, "\xF1        %s", first_line.c_str());
    Message_Log(nullptr, MSG_TRACE, "    %s", cond.text());
    return DCMTK_Cond_Fail(cond, "ASC_requestAssociation");
  }
  if (debug_flag) {
    OFString dump;
    ASC_dumpParameters(dump, session.association->params, ASC_ASSOC_AC);
    Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(), Association Parameters Negotiated:");
    Message_Log(nullptr, MSG_TRACE, "%s", dump.c_str());
  }
  if (ASC_countAcceptedPresentationContexts(session.association->params) == 0) {
    Connect_Failure(server_AET, peer_address);
    Message_Log(nullptr, MSG_WARNING, "\xF1        No Acceptable Presentation Contexts");
    return 0;
  }
  Message_Log(nullptr, MSG_TRACE, "DCMTK_CSTORE(), Association Accepted (Max Send PDV: %lu)",
              session.association->sendPDVLength);
  return 1;
}

// ---- loading and reading ahead ----------------------------------------------------------------

// A file loaded for the store, with its SOP class and instance UIDs and what it was on
// disk when it was loaded.
struct Loaded_File {
  std::string path;
  std::unique_ptr<DcmFileFormat> file;
  char sop_class[UID_SIZE] = "", sop_instance[UID_SIZE] = "";
  struct stat identity = {};
};

Loaded_File read_ahead;  // the following call's file, loaded during this call's waits

// Loads `path` into `loaded` and finds its SOP class and instance UIDs, in the meta
// header first, else in the data set. Returns 0 when the file cannot be loaded or
// names neither.
int Load_With_Class(Loaded_File &loaded, const char *path)
{
  loaded.path = path;
  loaded.file = std::make_unique<DcmFileFormat>();
  if (stat(path, &loaded.identity) != 0) return 0;
  DcmFileFormat &file = *loaded.file;
  if (file.loadFile(path, EXS_Unknown, EGL_noChange, LOAD_VALUE_MAX, ERM_autoDetect).bad()) return 0;
  return DU_findSOPClassAndInstanceInDataSet(file.getMetaInfo(), loaded.sop_class, UID_SIZE, loaded.sop_instance,
                                             UID_SIZE, OFFalse) ||
         DU_findSOPClassAndInstanceInDataSet(file.getDataset(), loaded.sop_class, UID_SIZE, loaded.sop_instance,
                                             UID_SIZE, OFFalse);
}

// Loads `path` for the following call; a file that does not load is not kept.
void Read_Ahead(const char *path)
{
  if (!Load_With_Class(read_ahead, path)) read_ahead = Loaded_File();
}

// The file `path` loaded: the one read ahead when it is still the same on disk,
// else loaded now. Returns 0 when it cannot be loaded or names no SOP class or instance.
int Load_For_Store(Loaded_File &loaded, const char *path)
{
  Loaded_File ahead = std::move(read_ahead);
  read_ahead = Loaded_File();
  struct stat now;
  if (ahead.file && ahead.path == path && stat(path, &now) == 0 && Os_File_Unchanged(ahead.identity, now)) {
    loaded = std::move(ahead);
    return 1;
  }
  return Load_With_Class(loaded, path);
}

}  // namespace

// ---- DCMTK_CSTORE -------------------------------------------------------------------------------

int DCMTK_CSTORE(const char *path, const char *peer, const char *server_AET, int port, const char *local_AET,
                 const char *transfer_syntax, const char *sop_class, Progress_Record *progress,
                 const CSTORE_Limits &limits, const char *next_path)
{
  std::lock_guard<std::mutex> hold(cstore_lock);
  const Clock::time_point start = Clock::now();
  DCMTK_CSTORE_Prepare();
  store_progress = progress;
  unsuccessful = false;
  last_answer = {CSTORE_NO_STATUS, ""};
  if (trace_level.load() >= 3) debug_flag = true;

  Loaded_File loaded;
  if (!Load_For_Store(loaded, path)) {
    Message_Log(nullptr, MSG_WARNING, "%sDCMTK_CSTORE(), missing SOP class (or instance) in file", WARNING);
    return 0;
  }
  const char *file_class = loaded.sop_class;
  OFStandard::strlcpy(last_answer.sop_instance, loaded.sop_instance, sizeof last_answer.sop_instance);
  if (!dcmIsaStorageSOPClassUID(file_class, ESSC_All)) {
    Message_Log(nullptr, MSG_WARNING, "%sDCMTK_CSTORE(), unknown storage sop class in file", WARNING);
    return 0;
  }
  Choice_Update(transfer_syntax);
  Message_Log(nullptr, MSG_TRACE, "transfer syntax = %d", (int)transfer_choice);
  if (!dcmDataDict.isDictionaryLoaded())
    Message_Log(nullptr, MSG_WARNING, "%sDCMTK_CSTORE(), no data dictionary loaded, check environment variable: %s",
                WARNING, "DCMDICTPATH");

  const std::string peer_address = std::string(peer ? peer : "") + ":" + std::to_string(port);
  const char *called = server_AET ? server_AET : "";
  const std::vector<std::string> sop_classes = {file_class};
  const Request request = {called, local_AET ? local_AET : "", peer_address.c_str(), &sop_classes, sop_class};
  DCMTK_Session session;
  session.watch.cancelled = limits.cancelled;
  session.watch.stall = limits.acse;
  if (next_path) session.watch.idle = [next_path] { Read_Ahead(next_path); };
  if (!DCMTK_Session_Open(session, limits.acse)) return 0;
  if (!Association_Request(session, request, limits.connect)) return 0;
  const bool tracing = trace_level.load() != 0;
  if (tracing) Message_Log(nullptr, MSG_TRACE, "        timing association: %.3f sec", Seconds_Since(start));

  const Clock::time_point accepted = Clock::now();
  session.watch.stall = limits.dimse;
  OFCondition cond =
      storeSCU(session.association, *loaded.file, (long)loaded.identity.st_size, limits.dimse, &session.watch);
  if (tracing) Message_Log(nullptr, MSG_TRACE, "        timing push: %.3f sec", Seconds_Since(accepted));

  session.watch.stall = limits.acse;
  if (!Association_End(session, cond, called, peer_address.c_str(), limits.dimse)) return 0;
  if (!session.Close()) return 0;
  // Stored only when the server confirmed it; a failure status below 0x0100 is no
  // success either, although its high byte is 0.
  return unsuccessful ? 0 : 1;
}

CSTORE_Answer DCMTK_CSTORE_Last_Answer() { return last_answer; }

void DCMTK_CSTORE_Prepare()
{
  std::call_once(toolkit_ready, [] {
    OFLog::configure(OFLogger::OFF_LOG_LEVEL);
    setenv("TCP_NODELAY", "1", 0);
  });
}

int DCMTK_CSTORE_Choice()
{
  std::lock_guard<std::mutex> hold(cstore_lock);
  return (int)transfer_choice;
}

void DCMTK_CSTORE_Reset()
{
  std::lock_guard<std::mutex> hold(cstore_lock);
  transfer_choice = EXS_Unknown;
}
