// One association's resources and its request, shared by the DICOM clients. The TCP
// connection is the one wait of the toolkit that the watched transport layer cannot
// cut into slices (the toolkit connects before it hands the socket over), so it is
// made in attempts of CONNECT_ATTEMPT seconds: a cancel is seen between attempts, and a
// limit of any whole number of seconds is kept.
#include "dcmtk/config/osconfig.h"  // first, as the toolkit requires

#include "app/dcmtk_association.h"

#include <unistd.h>

#include <chrono>

#include "dcmtk/dcmnet/dul.h"

#include "util/message_log.h"

namespace {

enum {
  MAX_RECEIVE_PDU = 16384,  // maximum receive PDU size proposed
  HOST_NAME_SIZE = 128,     // local host name, at most
  CONNECT_ATTEMPT = 1,      // seconds of one TCP connection attempt
  ATTEMPT_MARGIN_MS = 50,   // an attempt that lasted its second but this much ran out
};

}  // namespace

int DCMTK_Session::Close()
{
  int result = 1;
  if (association) {
    OFCondition cond = ASC_destroyAssociation(&association);
    if (cond.bad()) result = DCMTK_Cond_Fail(cond, "ASC_destroyAssociation");
  } else if (params) {
    ASC_destroyAssociationParameters(&params);
  }
  params = nullptr;
  if (network) {
    OFCondition cond = ASC_dropNetwork(&network);
    if (cond.bad() && result) result = DCMTK_Cond_Fail(cond, "ASC_dropNetwork");
  }
  return result;
}

int DCMTK_Cond_Fail(const OFCondition &cond, const char *step)
{
  Message_Log(nullptr, MSG_TRACE, "    cond: %s after %s", cond.text(), step);
  return 0;
}

int DCMTK_Session_Open(DCMTK_Session &session, int acse)
{
  OFCondition cond = ASC_initializeNetwork(NET_REQUESTOR, 0, acse, &session.network);
  if (cond.bad()) return DCMTK_Cond_Fail(cond, "ASC_initializeNetwork");
  return DCMTK_Watch_Install(session.network, &session.watch);
}

int DCMTK_Parameters_Make(DCMTK_Session &session, const char *server_AET, const char *local_AET,
                          const char *peer_address)
{
  OFCondition cond = ASC_createAssociationParameters(&session.params, MAX_RECEIVE_PDU);
  if (cond.bad()) return DCMTK_Cond_Fail(cond, "ASC_createAssociationParameters");
  ASC_setAPTitles(session.params, local_AET, server_AET, nullptr);
  cond = ASC_setTransportLayerType(session.params, OFFalse);
  if (cond.bad()) return DCMTK_Cond_Fail(cond, "ASC_setTransportLayerType");
  char host[HOST_NAME_SIZE] = "";
  if (gethostname(host, sizeof host) != 0) host[0] = 0;
  host[sizeof host - 1] = 0;
  ASC_setPresentationAddresses(session.params, host, peer_address);
  return 1;
}

OFCondition DCMTK_Association_Connect(DCMTK_Session &session, int connect, const char *caller,
                                      const std::function<int(int attempt)> &prepare, int *prepared)
{
  typedef std::chrono::steady_clock Clock;
  for (int attempt = 1;; ++attempt) {
    *prepared = prepare(attempt);
    if (!*prepared) return ASC_NULLKEY;
    session.watch.connected = false;
    dcmConnectionTimeout.set(CONNECT_ATTEMPT);
    const Clock::time_point tried = Clock::now();
    OFCondition cond = ASC_requestAssociation(session.network, session.params, &session.association);
    if (session.association) session.params = nullptr;  // the association owns them now
    const long attempt_ms = (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - tried).count();
    const bool ran_out = cond.code() == DULC_TCPINITERROR && !session.watch.connected &&
                         attempt_ms + ATTEMPT_MARGIN_MS >= CONNECT_ATTEMPT * 1000L;
    if (!ran_out || DCMTK_Watch_Cancelled(&session.watch)) return cond;
    if (connect > 0 && attempt * CONNECT_ATTEMPT >= connect) {
      session.connect_ran_out = true;
      return cond;
    }
    Message_Log(nullptr, MSG_TRACE, "%s, no TCP connection after attempt %d, trying again", caller, attempt);
    if (session.association) ASC_destroyAssociation(&session.association);
  }
}
