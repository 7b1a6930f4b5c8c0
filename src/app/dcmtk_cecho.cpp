// DCMTK_CECHO: one association with one presentation context (the Verification SOP
// Class in the implicit VR little endian syntax, which every peer must accept), one
// C-ECHO, release. Each way the call can end is turned into one short cause for the
// operator; the toolkit's own condition texts, several lines long, only go to the trace.
// The waits are those of the C-STORE client: the ACSE limit while the association is
// requested and released, the DIMSE limit while the response is awaited.
#include "dcmtk/config/osconfig.h"  // first, as the toolkit requires

#include "app/dcmtk_cecho.h"

#include <cctype>
#include <chrono>
#include <cstdio>

#include "dcmtk/dcmdata/dcuid.h"
#include "dcmtk/dcmnet/dimse.h"
#include "dcmtk/dcmnet/dul.h"

#include "app/dcmtk_association.h"
#include "util/message_log.h"

namespace {

typedef std::chrono::steady_clock Clock;

const char CALLER[] = "DCMTK_CECHO()";
const char CANCELLED[] = "cancelled";
const T_ASC_PresentationContextID VERIFICATION_CONTEXT = 1;
// The prefix of the toolkit's text for a TCP connection that could not be made.
const char TCP_ERROR_PREFIX[] = "TCP Initialization Error: ";

// The first line of a condition's text.
std::string First_Line(const OFCondition &cond)
{
  std::string text = cond.text();
  return text.substr(0, text.find('\n'));
}

std::string Timeout_Cause(int seconds) { return "timeout after " + std::to_string(seconds) + " s"; }

// The value of "NAME: VALUE" in the toolkit's printed reject parameters, which are
// separated by ", " or a line feed.
std::string Reject_Field(const std::string &printed, const char *name)
{
  const std::string label = std::string(name) + ": ";
  size_t at = printed.find(label);
  if (at == std::string::npos) return "";
  at += label.size();
  return printed.substr(at, printed.find_first_of(",\n", at) - at);
}

// "association rejected: REASON (RESULT, SOURCE)" from the association's reject
// parameters.
std::string Reject_Cause(DCMTK_Session &session)
{
  T_ASC_RejectParameters reject;
  ASC_getRejectParameters(session.association ? session.association->params : session.params, &reject);
  OFString printed;
  ASC_printRejectParameters(printed, &reject);
  Message_Log(nullptr, MSG_TRACE, "%s", printed.c_str());
  const std::string text = printed.c_str();
  return "association rejected: " + Reject_Field(text, "Reason") + " (" + Reject_Field(text, "Result") + ", " +
         Reject_Field(text, "Source") + ")";
}

// The cause of a failed association request.
std::string Request_Cause(DCMTK_Session &session, const OFCondition &cond, const CSTORE_Limits &limits)
{
  if (DCMTK_Watch_Cancelled(&session.watch)) return CANCELLED;
  if (session.connect_ran_out) return Timeout_Cause(limits.connect);
  if (session.watch.stalled || cond == DUL_READTIMEOUT) return Timeout_Cause(limits.acse);
  if (cond == DUL_ASSOCIATIONREJECTED) return Reject_Cause(session);
  std::string line = First_Line(cond);
  if (line.compare(0, sizeof TCP_ERROR_PREFIX - 1, TCP_ERROR_PREFIX) == 0) {
    line.erase(0, sizeof TCP_ERROR_PREFIX - 1);
    if (!line.empty()) line[0] = (char)std::tolower((unsigned char)line[0]);
  }
  return line;
}

// Makes the request's parameters: the common ones and the one verification context.
int Parameters_Make(DCMTK_Session &session, const char *server_AET, const char *local_AET, const char *peer_address)
{
  if (!DCMTK_Parameters_Make(session, server_AET, local_AET, peer_address)) return 0;
  const char *syntaxes[] = {UID_LittleEndianImplicitTransferSyntax};
  OFCondition cond = ASC_addPresentationContext(session.params, VERIFICATION_CONTEXT, UID_VerificationSOPClass,
                                                syntaxes, 1);
  if (cond.bad()) return DCMTK_Cond_Fail(cond, "ASC_addPresentationContext");
  return 1;
}

// Aborts the open association after a failure; returns 0 with `cause` in the result.
int Abort_With(DCMTK_Session &session, const std::string &cause, CECHO_Result *result)
{
  session.watch.aborting = true;
  OFCondition ended = ASC_abortAssociation(session.association);
  if (ended.bad()) DCMTK_Cond_Fail(ended, "ASC_abortAssociation");
  result->cause = cause;
  return 0;
}

// Sends the C-ECHO and waits for its response. Returns 1 with the round trip in the
// result, or 0 with the cause after aborting the association (unless the peer did).
int Echo_Send(DCMTK_Session &session, const CSTORE_Limits &limits, CECHO_Result *result)
{
  session.watch.stall = limits.dimse;
  DIC_US status = 0;
  DcmDataset *status_detail = nullptr;
  const Clock::time_point sent = Clock::now();
  OFCondition cond = DIMSE_echoUser(session.association, session.association->nextMsgID++,
                                    limits.dimse > 0 ? DIMSE_NONBLOCKING : DIMSE_BLOCKING, limits.dimse, &status,
                                    &status_detail);
  const double elapsed_ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
  delete status_detail;
  session.watch.stall = limits.acse;
  if (cond.bad()) {
    DCMTK_Cond_Fail(cond, "DIMSE_echoUser");
    if (DCMTK_Watch_Cancelled(&session.watch)) return Abort_With(session, CANCELLED, result);
    if (session.watch.stalled || cond == DIMSE_NODATAAVAILABLE)
      return Abort_With(session, Timeout_Cause(limits.dimse), result);
    if (cond == DUL_PEERABORTEDASSOCIATION) {
      result->cause = "association aborted by the peer";
      return 0;
    }
    return Abort_With(session, "C-ECHO failed: " + First_Line(cond), result);
  }
  if (status != STATUS_Success) {
    char text[32];
    std::snprintf(text, sizeof text, "C-ECHO status 0x%04X", status);
    return Abort_With(session, text, result);
  }
  result->round_trip_ms = elapsed_ms;
  return 1;
}

}  // namespace

int DCMTK_CECHO(const char *peer, int port, const char *server_AET, const char *local_AET,
                const CSTORE_Limits &limits, CECHO_Result *result)
{
  DCMTK_CSTORE_Prepare();
  *result = CECHO_Result();
  const std::string peer_address = std::string(peer ? peer : "") + ":" + std::to_string(port);
  const char *called = server_AET ? server_AET : "", *calling = local_AET ? local_AET : "";
  Message_Log(nullptr, MSG_TRACE, "%s: Requesting Association with %s on %s", CALLER, called, peer_address.c_str());

  DCMTK_Session session;
  session.watch.cancelled = limits.cancelled;
  session.watch.stall = limits.acse;
  if (!DCMTK_Session_Open(session, limits.acse)) {
    result->cause = "the network could not be opened";
    return 0;
  }
  int prepared = 0;
  OFCondition cond = DCMTK_Association_Connect(session, limits.connect, CALLER, [&](int) {
    return Parameters_Make(session, called, calling, peer_address.c_str());
  }, &prepared);
  if (!prepared) {
    result->cause = "the association could not be prepared";
    return 0;
  }
  if (cond.bad()) {
    DCMTK_Cond_Fail(cond, "ASC_requestAssociation");
    result->cause = Request_Cause(session, cond, limits);
    return 0;
  }
  if (ASC_countAcceptedPresentationContexts(session.association->params) == 0)
    return Abort_With(session, "association accepted without the Verification SOP Class", result);

  if (!Echo_Send(session, limits, result)) return 0;
  OFCondition ended = ASC_releaseAssociation(session.association);
  if (ended.bad()) {
    DCMTK_Cond_Fail(ended, "ASC_releaseAssociation");
    if (DCMTK_Watch_Cancelled(&session.watch)) result->cause = CANCELLED;
    else if (session.watch.stalled || ended == DUL_READTIMEOUT) result->cause = Timeout_Cause(limits.acse);
    else result->cause = "association release failed: " + First_Line(ended);
    return 0;
  }
  if (!session.Close()) {
    result->cause = "the association could not be closed";
    return 0;
  }
  return 1;
}
