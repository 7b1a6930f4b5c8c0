// Real DICOM storage servers for the push tests: DCMTK's storescp in its accepting,
// refusing, context-less and aborting forms, and Orthanc. Each server is started on a
// free loopback port with a storage folder of the test's own, and stopped by its PID
// when the object goes (SIGTERM, then SIGKILL after two seconds). Beside them, a silent
// peer of the test's own on 127.0.0.1 that lets no TCP connection be made, takes it and
// never answers, or accepts the association and then reads nothing more; it stops when
// the object goes. The tests send only to 127.0.0.1.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

// A loopback port that nothing listens on at the moment of the call.
inline int Peer_Free_Port()
{
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(fd, (sockaddr *)&address, sizeof address) == 0 && getsockname(fd, (sockaddr *)&address, &size) == 0)
    port = ntohs(address.sin_port);
  close(fd);
  return port;
}

// True when some socket listens on TCP `port` (IPv4 or IPv6), from /proc/net/tcp*.
inline bool Peer_Port_Listening(int port)
{
  char wanted[16];
  std::snprintf(wanted, sizeof wanted, ":%04X", port);
  for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
    std::ifstream in(table);
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state;
      fields >> slot >> local >> remote >> state;
      if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, wanted) == 0) return true;
    }
  }
  return false;
}

// One server (or command) process, started with `argv` (output into `log`), stopped by
// its PID.
class Peer_Process {
public:
  Peer_Process(const std::vector<std::string> &argv, const std::string &log)
  {
    // Everything the child needs is made before the fork: it only redirects and execs.
    std::vector<char *> args;
    for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_ = fork();
    if (pid_ == 0) {
      if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
      }
      execv(args[0], args.data());
      _exit(127);
    }
    if (fd >= 0) close(fd);
  }
  ~Peer_Process() { Stop(); }
  Peer_Process(const Peer_Process &) = delete;
  Peer_Process &operator=(const Peer_Process &) = delete;

  // Waits up to 15 s until `port` listens; false when the process died or time ran out.
  bool Wait_Listening(int port)
  {
    for (int tries = 0; tries < 300; ++tries) {
      if (Peer_Port_Listening(port)) return true;
      int status;
      if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // Sends `signal` and waits up to `seconds` for the process to end. Returns its exit
  // code, or -1 when it did not exit by itself in time (it is then stopped).
  int Signal_And_Wait(int signal, int seconds)
  {
    if (pid_ <= 0) return -1;
    kill(pid_, signal);
    int status;
    for (int tries = 0; tries < seconds * 100; ++tries) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Stop();
    return -1;
  }

  void Stop()
  {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status;
    for (int tries = 0; tries < 40; ++tries) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

private:
  pid_t pid_ = -1;
};

// storescp on a free port, storing into `folder` + "store/". `options` come before the
// port (e.g. "--refuse", "--abort-during", "+xa").
struct Storescp {
  int port;
  std::string store;
  Peer_Process process;

  Storescp(const std::string &folder, const std::vector<std::string> &options)
      : port(Peer_Free_Port()), store(folder + "store/"), process(Arguments(folder, options, port), folder + "storescp.log")
  {
  }
  bool Ready() { return process.Wait_Listening(port); }

  // Number of files received into the storage folder.
  int Stored() const { return std::atoi(Run_Command("ls -A '" + store + "' | wc -l").c_str()); }

private:
  static std::vector<std::string> Arguments(const std::string &folder, const std::vector<std::string> &options,
                                            int port)
  {
    mkdir((folder + "store").c_str(), 0700);
    std::vector<std::string> argv = {"/usr/bin/storescp", "-od", folder + "store", "-aet", "STORESCP"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(std::to_string(port));
    return argv;
  }
};

// A storescp profile that accepts only the Verification SOP class: every storage
// context is refused while the association itself is accepted.
inline std::string Peer_Verification_Only_Profile(const std::string &folder)
{
  std::string path = folder + "verification.cfg";
  Write_File(path,
             "[[TransferSyntaxes]]\n[Uncompressed]\nTransferSyntax1 = LocalEndianExplicit\n"
             "TransferSyntax2 = LittleEndianImplicit\n"
             "[[PresentationContexts]]\n[Verification]\nPresentationContext1 = VerificationSOPClass\\Uncompressed\n"
             "[[Profiles]]\n[VerificationOnly]\nPresentationContexts = Verification\n");
  return path;
}

// Orthanc with a configuration of ours: DICOM and HTTP on free ports, storage and index
// in `folder`, no authentication, HTTP from loopback only. With `check_called` it
// rejects every association whose called AE title is not "ORTHANC".
struct Orthanc {
  int port;
  int http_port;
  Peer_Process process;

  explicit Orthanc(const std::string &folder, bool check_called = false)
      : port(Peer_Free_Port()), http_port(Peer_Free_Port()),
        process({"/usr/sbin/Orthanc", Configuration(folder, port, http_port, check_called)}, folder + "orthanc.log")
  {
  }
  bool Ready() { return process.Wait_Listening(port) && process.Wait_Listening(http_port); }

  // CountInstances of the REST statistics, or -1 when they cannot be read.
  int Instances() const
  {
    int status = 0;
    std::string json =
        Run_Command("curl -s --max-time 10 http://127.0.0.1:" + std::to_string(http_port) + "/statistics", &status);
    size_t at = json.find("\"CountInstances\"");
    if (status != 0 || at == std::string::npos) return -1;
    at = json.find(':', at);
    return at == std::string::npos ? -1 : std::atoi(json.c_str() + at + 1);
  }

private:
  static std::string Configuration(const std::string &folder, int port, int http_port, bool check_called)
  {
    std::string path = folder + "orthanc.json";
    Write_File(path, "{\n  \"Name\": \"HarrowdeskTest\",\n  \"StorageDirectory\": \"" + folder +
                         "orthanc-storage\",\n  \"IndexDirectory\": \"" + folder +
                         "orthanc-index\",\n  \"DicomAet\": \"ORTHANC\",\n  \"DicomPort\": " + std::to_string(port) +
                         ",\n  \"HttpPort\": " + std::to_string(http_port) +
                         ",\n  \"RemoteAccessAllowed\": false,\n  \"AuthenticationEnabled\": false,\n"
                         "  \"DicomCheckCalledAet\": " + std::string(check_called ? "true" : "false") + ",\n"
                         "  \"DicomAlwaysAllowStore\": true,\n"
                         "  \"Plugins\": []\n}\n");
    return path;
  }
};

// A file of pydicom's test data (real files written by other software).
inline std::string Peer_Test_File(const char *name)
{
  return std::string("/usr/lib/python3/dist-packages/pydicom/data/test_files/") + name;
}

// CT_small.dcm with a private OB element of `extra` zero bytes after its pixel data, so
// that a transfer takes many PDUs: (7FE1,0010) LO private creator, then (7FE1,1010) OB.
inline std::string Peer_Large_File(const std::string &folder, size_t extra)
{
  std::string bytes = Read_File(Peer_Test_File("CT_small.dcm"));
  const char creator[] = "\xE1\x7F\x10\x00"  // tag (7FE1,0010)
                         "LO\x10\x00"          // VR LO, 16 bytes
                         "HARROWDESK TEST ";   // the private creator, padded to even
  bytes.append(creator, sizeof creator - 1);
  const char element[] = "\xE1\x7F\x10\x10"  // tag (7FE1,1010)
                         "OB\x00\x00";         // VR OB, two reserved bytes
  bytes.append(element, sizeof element - 1);
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back((char)((extra >> shift) & 0xFF));  // 32-bit length
  bytes.append(extra, '\0');
  const std::string path = folder + "large.dcm";
  Write_File(path, bytes);
  return path;
}

// How a Silent_Peer fails its client.
enum Silent_Mode {
  SILENT_CONNECT,      // a full listen queue: every SYN is dropped, no TCP connection is made
  SILENT_ACCEPT,       // takes the TCP connection and never answers the association request
  SILENT_ASSOCIATED,   // accepts the association (every context, its first transfer syntax),
                       // then reads nothing more: no C-STORE response, a send that blocks
};

// A peer of the test's own on a free 127.0.0.1 port, in one of the Silent_Mode forms.
// Its sockets take 4 KB at most, so that a client's send blocks early.
class Silent_Peer {
public:
  explicit Silent_Peer(Silent_Mode mode) : mode_(mode)
  {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int small = 4096;
    setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);  // inherited by accepted sockets
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    bind(listener_, (sockaddr *)&address, sizeof address);
    getsockname(listener_, (sockaddr *)&address, &size);
    port = ntohs(address.sin_port);
    if (mode == SILENT_CONNECT) {
      // A backlog of 0 holds one connection; two fillers leave no room for a third.
      listen(listener_, 0);
      for (int i = 0; i < 2; ++i) {
        int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in target = Loopback(port);
        connect(filler, (sockaddr *)&target, sizeof target);
        held_.push_back(filler);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      return;
    }
    listen(listener_, 8);
    if (pipe2(stop_, O_CLOEXEC) != 0) stop_[0] = stop_[1] = -1;
    thread_ = std::thread([this] { Serve(); });
  }
  ~Silent_Peer()
  {
    if (thread_.joinable()) {
      char byte = 0;
      if (write(stop_[1], &byte, 1) != 1) {}
      thread_.join();
    }
    for (int fd : held_) close(fd);
    for (int fd : {listener_, stop_[0], stop_[1]})
      if (fd >= 0) close(fd);
  }
  Silent_Peer(const Silent_Peer &) = delete;
  Silent_Peer &operator=(const Silent_Peer &) = delete;

  int port = 0;

private:
  static sockaddr_in Loopback(int port)
  {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons((uint16_t)port);
    return address;
  }

  void Serve()
  {
    for (;;) {
      pollfd watched[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      if (poll(watched, 2, -1) < 0 || watched[1].revents) return;
      int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      held_.push_back(client);
      if (mode_ == SILENT_ASSOCIATED) Associate(client);
    }
  }

  // Reads `size` bytes, waiting at most five seconds for each piece.
  static bool Read_All(int fd, std::string &bytes, size_t size)
  {
    while (bytes.size() < size) {
      pollfd watched = {fd, POLLIN, 0};
      char buffer[4096];
      if (poll(&watched, 1, 5000) <= 0) return false;
      ssize_t count = read(fd, buffer, std::min(sizeof buffer, size - bytes.size()));
      if (count <= 0) return false;
      bytes.append(buffer, (size_t)count);
    }
    return true;
  }

  static void Put_Item(std::string &out, unsigned char type, const std::string &value)
  {
    out += (char)type;
    out += '\0';                                 // reserved
    out += (char)(value.size() >> 8);
    out += (char)(value.size() & 0xFF);          // item length, big endian
    out += value;
  }

  // Answers the A-ASSOCIATE-RQ on `fd` with an A-ASSOCIATE-AC that accepts each
  // presentation context with its first transfer syntax and echoes the user information.
  static void Associate(int fd)
  {
    std::string rq;
    if (!Read_All(fd, rq, 6) || rq[0] != 0x01) return;  // PDU type 1, reserved, 32-bit length
    const size_t length = ((size_t)(unsigned char)rq[2] << 24) | ((size_t)(unsigned char)rq[3] << 16) |
                          ((size_t)(unsigned char)rq[4] << 8) | (unsigned char)rq[5];
    if (length < 68 || length > 65536 || !Read_All(fd, rq, 6 + length)) return;
    std::string items;
    for (size_t at = 74; at + 4 <= rq.size();) {  // after version, AE titles and 32 reserved bytes
      const unsigned char type = (unsigned char)rq[at];
      const size_t size = ((size_t)(unsigned char)rq[at + 2] << 8) | (unsigned char)rq[at + 3];
      const std::string value = rq.substr(at + 4, size);
      at += 4 + size;
      if (type == 0x10 || type == 0x50) {  // application context, user information: echoed
        Put_Item(items, type, value);
        continue;
      }
      if (type != 0x20 || value.size() < 4) continue;
      std::string syntax;  // the first transfer syntax sub-item (0x40) of the context
      for (size_t sub = 4; sub + 4 <= value.size() && syntax.empty();) {
        const size_t sub_size = ((size_t)(unsigned char)value[sub + 2] << 8) | (unsigned char)value[sub + 3];
        if ((unsigned char)value[sub] == 0x40) syntax = value.substr(sub + 4, sub_size);
        sub += 4 + sub_size;
      }
      std::string accepted;
      accepted += value[0];                      // presentation context ID
      accepted += std::string("\0\0\0", 3);     // reserved, result 0 (acceptance), reserved
      Put_Item(accepted, 0x40, syntax);
      Put_Item(items, 0x21, accepted);
    }
    std::string ac;
    ac += '\x02';
    ac += '\0';                                             // PDU type 2, reserved
    const size_t body = 68 + items.size();
    for (int shift = 24; shift >= 0; shift -= 8) ac += (char)((body >> shift) & 0xFF);  // PDU length
    ac += rq.substr(6, 36);                                 // version, reserved, both AE titles
    ac += std::string(32, '\0');                            // reserved
    ac += items;
    if (write(fd, ac.data(), ac.size()) != (ssize_t)ac.size()) return;
  }

  Silent_Mode mode_;
  int listener_ = -1;
  int stop_[2] = {-1, -1};
  std::vector<int> held_;  // connections kept open and never read (the serving thread's
                           // until it ends)
  std::thread thread_;
};
