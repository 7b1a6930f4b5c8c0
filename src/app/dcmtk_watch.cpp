// The watched TCP connection of the C-STORE client. The toolkit makes the TCP connection
// itself and hands the connected socket to the network's transport layer, which wraps
// it in a connection object; ours is the toolkit's TCP connection with its three waits
// replaced: a read waits for the socket to become readable, a send puts out what the
// socket takes without blocking and waits for room, and the toolkit's "data waiting"
// test waits up to its own timeout. Each wait polls in slices of WAIT_SLICE_MS, asks
// the cancel test between slices and gives up after `stall` seconds without progress.
// A failed wait returns -1 with errno ECANCELED or ETIMEDOUT, which the toolkit turns
// into a network error and so ends the DIMSE or ACSE step under way.
#include "dcmtk/config/osconfig.h"  // first, as the toolkit requires

#include "app/dcmtk_watch.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "dcmtk/dcmnet/assoc.h"
#include "dcmtk/dcmnet/dcmlayer.h"
#include "dcmtk/dcmnet/dcmtrans.h"

#include "util/message_log.h"

namespace {

typedef std::chrono::steady_clock Clock;

constexpr long WAIT_SLICE_MS = 100;  // how often a wait asks the cancel test

enum Wait_Outcome { WAIT_READY, WAIT_STALLED, WAIT_CANCELLED };

long Milliseconds_Since(Clock::time_point start)
{
  return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Waits until `socket` has one of `events`, for at most `limit_ms` (negative: no limit;
// 0: one look). Once an A-ABORT went out nothing is waited for: the toolkit would wait
// for the peer to close the connection. The watch's idle work is done the first time
// the socket is found not ready, in the time that would otherwise be spent waiting.
Wait_Outcome Socket_Wait(DCMTK_Watch *watch, int socket, short events, long limit_ms)
{
  const Clock::time_point start = Clock::now();
  for (;;) {
    if (watch->aborting || DCMTK_Watch_Cancelled(watch)) return WAIT_CANCELLED;
    if (watch->idle && limit_ms != 0) {
      pollfd looked = {socket, events, 0};
      if (poll(&looked, 1, 0) > 0) return WAIT_READY;  // or an error
      std::function<void()> work = std::move(watch->idle);
      watch->idle = nullptr;
      work();
      continue;
    }
    const long left = limit_ms < 0 ? WAIT_SLICE_MS : limit_ms - Milliseconds_Since(start);
    pollfd watched = {socket, events, 0};
    if (poll(&watched, 1, (int)std::clamp(left, 0L, WAIT_SLICE_MS)) > 0) return WAIT_READY;  // or an error
    if (limit_ms >= 0 && Milliseconds_Since(start) >= limit_ms) return WAIT_STALLED;
  }
}

// The toolkit's reading of a failed wait: -1 with the errno that names the reason.
ssize_t Wait_Failed(DCMTK_Watch *watch, Wait_Outcome outcome)
{
  if (outcome == WAIT_STALLED) watch->stalled = true;
  errno = outcome == WAIT_STALLED ? ETIMEDOUT : ECANCELED;
  return -1;
}

class Watched_Connection : public DcmTCPConnection {
public:
  Watched_Connection(DcmNativeSocketType socket, DCMTK_Watch *watch) : DcmTCPConnection(socket), watch_(watch) {}

  ssize_t read(void *buffer, size_t size) override
  {
    Wait_Outcome outcome = Socket_Wait(watch_, getSocket(), POLLIN, Stall_Ms());
    if (outcome != WAIT_READY) return Wait_Failed(watch_, outcome);
    return DcmTCPConnection::read(buffer, size);
  }

  // Sends all `size` bytes, or fails: after a cancel only an A-ABORT goes out, and only
  // as far as the socket takes it at once.
  ssize_t write(void *buffer, size_t size) override
  {
    if (DCMTK_Watch_Cancelled(watch_) && !watch_->aborting) return Wait_Failed(watch_, WAIT_CANCELLED);
    const char *bytes = static_cast<const char *>(buffer);
    size_t sent = 0;
    while (sent < size) {
      ssize_t count = send(getSocket(), bytes + sent, size - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
      if (count > 0) {
        sent += (size_t)count;
        continue;
      }
      if (count < 0 && errno == EINTR) continue;
      if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
      Wait_Outcome outcome = Socket_Wait(watch_, getSocket(), POLLOUT, Stall_Ms());
      if (outcome != WAIT_READY) {
        cut_short_ = true;
        return Wait_Failed(watch_, outcome);
      }
    }
    return (ssize_t)sent;
  }

  // The toolkit's "is a PDU on its way" test, with its own timeout in seconds. A cancel
  // answers yes, so that the read that follows fails at once.
  OFBool networkDataAvailable(int timeout) override
  {
    Wait_Outcome outcome = Socket_Wait(watch_, getSocket(), POLLIN, timeout > 0 ? timeout * 1000L : 0);
    return outcome != WAIT_STALLED;
  }

  // A connection whose send was cut short is reset rather than left to drain, long
  // after the call, what a stalled peer never read.
  void close() override
  {
    if (cut_short_ && getSocket() != DCMNET_INVALID_SOCKET) {
      linger reset = {1, 0};
      setsockopt(getSocket(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    DcmTCPConnection::close();
  }

private:
  long Stall_Ms() const { return watch_->stall > 0 ? watch_->stall * 1000L : -1; }

  DCMTK_Watch *watch_;
  bool cut_short_ = false;  // a send gave up with bytes still queued for the peer
};

class Watched_Layer : public DcmTransportLayer {
public:
  explicit Watched_Layer(DCMTK_Watch *watch) : watch_(watch) {}

  // Only plain TCP: the client never asks for a secure layer.
  DcmTransportConnection *createConnection(DcmNativeSocketType socket, OFBool secure) override
  {
    if (secure) return nullptr;
    watch_->connected = true;
    return new Watched_Connection(socket, watch_);
  }

private:
  DCMTK_Watch *watch_;
};

}  // namespace

int DCMTK_Watch_Install(T_ASC_Network *network, DCMTK_Watch *watch)
{
  OFCondition cond = ASC_setTransportLayer(network, new Watched_Layer(watch), 1);
  if (cond.good()) return 1;
  Message_Log(nullptr, MSG_TRACE, "    cond: %s after ASC_setTransportLayer", cond.text());
  return 0;
}

bool DCMTK_Watch_Cancelled(DCMTK_Watch *watch)
{
  if (!watch->cancel_seen && watch->cancelled && watch->cancelled()) watch->cancel_seen = true;
  return watch->cancel_seen;
}
