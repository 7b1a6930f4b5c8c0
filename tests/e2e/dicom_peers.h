// Real DICOM storage servers for the push tests: DCMTK's storescp in its accepting,
// refusing, context-less and aborting forms, and Orthanc. Each server is started on a
// free loopback port with a storage folder of the test's own, and stopped by its PID
// when the object goes (SIGTERM, then SIGKILL after two seconds). The tests send only to
// 127.0.0.1.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

// One server process, started with `argv` (output into `log`), stopped by its PID.
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
