// harrowdesk-cli push end to end: a folder of real files pushed into Orthanc (counted
// through its REST API), a selection by study, server settings taken from the settings
// store, the fail folder in both modes, the timeouts against a silent peer, Ctrl-C
// during a transfer, a refused connection and a fail folder that cannot be made, and
// usage errors.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "app/configuration.h"
#include "e2e/dicom_peers.h"
#include "support/test_support.h"

namespace {

const char CT_STUDY[] = "1.3.6.1.4.1.5962.1.2.1.20040119072730.12322";
const char *const SOURCES[] = {"CT_small.dcm", "MR_small.dcm", "SC_rgb_jpeg_gdcm.dcm"};

class Cli_Push : public testing::Test {
protected:
  void SetUp() override
  {
    folder_ = env_.root() + "in/";
    mkdir(folder_.c_str(), 0700);
    mkdir((folder_ + "sub").c_str(), 0700);
    for (const char *name : SOURCES) ASSERT_TRUE(Write_File(folder_ + "sub/" + name, Read_File(Peer_Test_File(name))));
    ASSERT_TRUE(Write_File(folder_ + "notes.txt", "not a DICOM file"));
  }

  // Runs the command with `arguments`; returns its exit code.
  int Push(const std::string &arguments)
  {
    int status = 0;
    output_ = Run_Command("'" + Binary_Dir() + "src/app/harrowdesk-cli' push '" + folder_ + "' --part10 " + arguments +
                              " 2>&1",
                          &status);
    return status;
  }
  bool Exists(const std::string &path) const { return access(path.c_str(), F_OK) == 0; }

  Scoped_Temp_Env env_;
  std::string folder_, output_;
};

TEST_F(Cli_Push, every_file_goes_into_orthanc_and_the_audit_trail)
{
  Orthanc orthanc(env_.root());
  ASSERT_TRUE(orthanc.Ready());
  EXPECT_EQ(0, Push("--peer 127.0.0.1 --port " + std::to_string(orthanc.port) + " --called ORTHANC --calling HD"))
      << output_;
  EXPECT_EQ(3, orthanc.Instances());
  EXPECT_NE(std::string::npos, output_.find("3 stored, 0 skipped (not DICOM: no readable header), 0 failed\n"))
      << output_;
  EXPECT_EQ(std::string::npos, output_.find("Done: ")) << "the job's own closing line is the audit's alone";
  for (const char *name : SOURCES) EXPECT_TRUE(Exists(folder_ + "sub/" + name));
  const std::string audit = Read_File(env_.log_state() + "Harrowdesk.log");
  EXPECT_NE(std::string::npos, audit.find(" Pushing 3 files from " + folder_ + "sub/ to 127.0.0.1:")) << audit;
  EXPECT_NE(std::string::npos, audit.find(" Done: All 3 files pushed\n")) << audit;
}

TEST_F(Cli_Push, a_study_selection_sends_only_that_study)
{
  Orthanc orthanc(env_.root());
  ASSERT_TRUE(orthanc.Ready());
  EXPECT_EQ(0, Push("--peer 127.0.0.1 --port " + std::to_string(orthanc.port) + " --called ORTHANC --study " + CT_STUDY))
      << output_;
  EXPECT_EQ(1, orthanc.Instances());
  // A study that is not there selects nothing: nothing is sent, and that is a failure.
  EXPECT_EQ(1, Push("--peer 127.0.0.1 --port " + std::to_string(orthanc.port) + " --called ORTHANC --study 1.2.3"));
  EXPECT_NE(std::string::npos, output_.find("matches the selection")) << output_;
  EXPECT_EQ(1, orthanc.Instances());
}

TEST_F(Cli_Push, server_settings_come_from_the_store_but_deletion_only_from_the_command_line)
{
  Storescp peer(env_.root(), {"+xa"});
  ASSERT_TRUE(peer.Ready());
  Configuration_Defaults();
  server_peer = "127.0.0.1";
  server_port = std::to_string(peer.port);
  server_AET = "STORESCP";
  local_AET = "HARROWDESK";
  delete_push = 1;
  ASSERT_EQ(1, Configuration_Write());
  EXPECT_EQ(0, Push("")) << output_;
  EXPECT_EQ(3, peer.Stored());
  for (const char *name : SOURCES) EXPECT_TRUE(Exists(folder_ + "sub/" + name));

  EXPECT_EQ(0, Push("--delete")) << output_;
  for (const char *name : SOURCES) EXPECT_FALSE(Exists(folder_ + "sub/" + name));
}

TEST_F(Cli_Push, failed_files_are_copied_or_moved_into_the_fail_folder)
{
  Storescp peer(env_.root(), {"--refuse"});
  ASSERT_TRUE(peer.Ready());
  const std::string server = "--peer 127.0.0.1 --port " + std::to_string(peer.port) + " --called STORESCP ";
  const std::string copies = env_.root() + "copies", moved = env_.root() + "moved";
  EXPECT_EQ(1, Push(server + "--fail-dir " + copies)) << output_;
  EXPECT_NE(std::string::npos, output_.find("0 stored, 0 skipped (not DICOM: no readable header), 3 failed\n"))
      << output_;
  for (const char *name : SOURCES) {
    EXPECT_EQ(Read_File(Peer_Test_File(name)), Read_File(copies + "/" + name)) << name;
    EXPECT_TRUE(Exists(folder_ + "sub/" + name)) << name;
  }
  EXPECT_EQ(1, Push(server + "--fail-dir " + moved + " --delete")) << output_;
  for (const char *name : SOURCES) {
    EXPECT_EQ(Read_File(Peer_Test_File(name)), Read_File(moved + "/" + name)) << name;
    EXPECT_FALSE(Exists(folder_ + "sub/" + name)) << name;
  }
}

// The ACSE timeout from the settings store, from --timeout-acse and from --timeout, each
// against a peer that takes the connection and never answers; the options are not saved.
TEST_F(Cli_Push, the_timeouts_come_from_the_settings_or_the_options_and_end_a_silent_association)
{
  Silent_Peer peer(SILENT_ACCEPT);
  const std::string server = "--peer 127.0.0.1 --port " + std::to_string(peer.port) + " --called X ";
  const std::string acse_key = env_.app_data() + "ArdentVale/Harrowdesk/timeout_acse";
  const struct {
    const char *name;
    int stored_acse;  // written into the store first; -1 none
    const char *options;
  } cases[] = {
      {"the settings store", 1, ""},
      {"--timeout-acse", -1, "--timeout-acse 1"},
      {"--timeout", -1, "--timeout 1"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    unlink(acse_key.c_str());
    if (test.stored_acse >= 0) {
      Configuration_Defaults();
      timeout_acse = test.stored_acse;
      ASSERT_EQ(1, Configuration_Write());
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(1, Push(server + test.options)) << output_;
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 30.0);
    EXPECT_NE(std::string::npos, output_.find("DUL network read timeout")) << output_;
    EXPECT_NE(std::string::npos, output_.find("0 stored, 0 skipped (not DICOM: no readable header), 3 failed\n"))
        << output_;
    if (test.stored_acse < 0) {
      EXPECT_FALSE(Exists(acse_key));
    }
  }
  Configuration_Defaults();
}

// Ctrl-C while the large file is on its way to a slow storescp: the CLI ends at once,
// that file failed, the files before it stored and those after it not tried.
TEST_F(Cli_Push, ctrl_c_aborts_the_transfer_in_progress_and_counts_the_files)
{
  const std::string folder = env_.root() + "slow/";
  mkdir(folder.c_str(), 0700);
  ASSERT_TRUE(Write_File(folder + "small.dcm", Read_File(Peer_Test_File("CT_small.dcm"))));
  Peer_Large_File(folder, 8 << 20);
  Storescp peer(env_.root(), {"--sleep-during", "1"});
  ASSERT_TRUE(peer.Ready());
  const std::string log = env_.root() + "cli.log";
  Peer_Process cli({Binary_Dir() + "src/app/harrowdesk-cli", "push", folder, "--peer", "127.0.0.1", "--port",
                    std::to_string(peer.port), "--called", "STORESCP"},
                   log);
  // The walk keeps the folder's own order: the line "N  PATH" tells where the large file is.
  int position = 0;
  for (int tries = 0; tries < 3000 && !position; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string output = Read_File(log);
    for (int n : {1, 2})
      if (output.find(std::to_string(n) + "  " + folder + "large.dcm") != std::string::npos) position = n;
  }
  ASSERT_NE(0, position) << Read_File(log);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto interrupted = std::chrono::steady_clock::now();
  const int exit_code = cli.Signal_And_Wait(SIGINT, 20);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - interrupted).count();
  std::printf("[ measured ] harrowdesk-cli push ended %.3f s after Ctrl-C\n", seconds);
  EXPECT_LT(seconds, 5.0);
  EXPECT_EQ(1, exit_code);
  const std::string output = Read_File(log);
  EXPECT_NE(std::string::npos, output.find("DCMTK_CSTORE(), cancelled: association aborted")) << output;
  const std::string summary = std::to_string(position - 1) + " stored, 0 skipped (not DICOM: no readable header), " +
                              "1 failed, cancelled after " + std::to_string(position) + " of 2\n";
  EXPECT_NE(std::string::npos, output.find(summary)) << output;
  EXPECT_EQ(std::string::npos, output.find("not tried")) << "the job's closing lines stay in the audit trail";
  EXPECT_EQ(position - 1, peer.Stored());
  EXPECT_TRUE(Exists(folder + "large.dcm"));
  EXPECT_TRUE(Exists(folder + "small.dcm"));
}

// Ctrl-C in the middle of a push of a few hundred files: exit 1, and the summary says
// where the job stopped, beside the counts of what was stored.
TEST_F(Cli_Push, ctrl_c_during_a_long_push_ends_with_cancelled_after_the_files_tried)
{
  const int count = 300;
  const std::string folder = env_.root() + "many/";
  mkdir(folder.c_str(), 0700);
  const std::string bytes = Read_File(Peer_Test_File("CT_small.dcm"));
  for (int i = 0; i < count; i++) {
    char name[32];
    std::snprintf(name, sizeof name, "f%03d.dcm", i);
    ASSERT_TRUE(Write_File(folder + name, bytes));
  }
  Storescp peer(env_.root(), {"--ignore"});
  ASSERT_TRUE(peer.Ready());
  const std::string log = env_.root() + "many.log";
  Peer_Process cli({Binary_Dir() + "src/app/harrowdesk-cli", "push", folder, "--peer", "127.0.0.1", "--port",
                    std::to_string(peer.port), "--called", "STORESCP"},
                   log);
  bool started = false;
  for (int tries = 0; tries < 3000 && !started; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    started = Read_File(log).find("\n5  " + folder) != std::string::npos;
  }
  ASSERT_TRUE(started) << Read_File(log);
  EXPECT_EQ(1, cli.Signal_And_Wait(SIGINT, 20));
  const std::string output = Read_File(log);
  // "S stored, 0 skipped (not DICOM: no readable header), F failed, cancelled after T of 300"
  const size_t line = output.rfind(" stored, 0 skipped (not DICOM: no readable header), ");
  ASSERT_NE(std::string::npos, line) << output;
  int stored = -1, failed = -1, tried = -1, of = -1;
  ASSERT_EQ(4, std::sscanf(output.c_str() + output.rfind('\n', line) + 1,
                           "%d stored, 0 skipped (not DICOM: no readable header), %d failed, cancelled after %d of %d",
                           &stored, &failed, &tried, &of))
      << output;
  EXPECT_EQ(count, of);
  EXPECT_EQ(stored + failed, tried);
  EXPECT_GE(tried, 5);
  EXPECT_LT(tried, count);
  EXPECT_LE(failed, 1) << "only the file in progress fails";
}

// Three DICOM files and a note against a storescp that takes uncompressed files only and
// cannot write the CT (a folder stands where its file goes): the list shows each file's
// fate; a retry against a server that takes all pushes only the two not stored.
TEST_F(Cli_Push, a_result_list_names_each_refused_file_and_a_retry_pushes_only_those)
{
  const std::string ct_instance = "1.3.6.1.4.1.5962.1.1.1.1.1.20040119072730.12322";
  const std::string cli = "'" + Binary_Dir() + "src/app/harrowdesk-cli' push ";
  for (const char *extension : {".csv", ".json"}) {
    SCOPED_TRACE(extension);
    const std::string root = env_.root() + (extension + 1) + "/";
    mkdir(root.c_str(), 0700);
    const std::string list = root + "result" + extension, again = root + "again" + extension;
    std::vector<std::string> rows;
    {
      Storescp strict(root, {});
      ASSERT_TRUE(strict.Ready());
      mkdir((strict.store + "CT." + ct_instance).c_str(), 0700);
      int status = -1;
      output_ = Run_Command(cli + "'" + folder_ + "' --peer 127.0.0.1 --port " + std::to_string(strict.port) +
                                " --called STORESCP --result '" + list + "' 2>&1",
                            &status);
      EXPECT_EQ(1, status) << output_;
      EXPECT_NE(std::string::npos, output_.find("1 stored, 1 skipped (not DICOM: no readable header), 2 failed\n"))
          << output_;
      EXPECT_NE(std::string::npos, output_.find("harrowdesk-cli push: failed: " + folder_ +
                                                "sub/CT_small.dcm: not stored: Refused: out of resources (status 0xA700)\n"))
          << output_;
      EXPECT_NE(std::string::npos, output_.find("harrowdesk-cli push: failed: " + folder_ +
                                                "sub/SC_rgb_jpeg_gdcm.dcm: not stored: no response\n"))
          << output_;
    }
    // Each row by a reader of the format's own: Python's csv and json modules.
    const std::string reader =
        std::string(extension) == ".csv"
            ? "import csv,sys; rows=list(csv.DictReader(open(sys.argv[1])))"
            : "import json,sys; rows=json.load(open(sys.argv[1]))";
    int status = -1;
    const std::string table =
        Run_Command("/usr/bin/python3 -c \"" + reader +
                        "\nfor r in rows: print(r['path'].rsplit('/',1)[-1], r['sop_instance_uid'], r['status'], "
                        "r['meaning'], r['stored'], sep='|')\" '" + list + "'",
                    &status);
    ASSERT_EQ(0, status) << table;
    const bool csv = std::string(extension) == ".csv";
    const std::string yes = csv ? "yes" : "True", no = csv ? "no" : "False", none = csv ? "" : "None";
    for (const std::string &row : {
             "CT_small.dcm|" + ct_instance + "|0xA700|Refused: out of resources|" + no,
             "MR_small.dcm|1.3.6.1.4.1.5962.1.1.4.1.1.20040826185059.5457|0x0000|Success|" + yes,
             "notes.txt||" + none + "|not sent: no readable DICOM header|" + no,
         })
      EXPECT_NE(std::string::npos, table.find(row + "\n")) << table;
    EXPECT_NE(std::string::npos, table.find("SC_rgb_jpeg_gdcm.dcm|1.2.826.0.1.3680043.8.498.")) << table;
    EXPECT_NE(std::string::npos, table.find("|" + none + "|no response|" + no + "\n")) << table;

    Storescp open_peer(root + "open-", {"+xa"});
    ASSERT_TRUE(open_peer.Ready());
    output_ = Run_Command(cli + "--retry '" + list + "' --peer 127.0.0.1 --port " + std::to_string(open_peer.port) +
                              " --called STORESCP --result '" + again + "' 2>&1",
                          &status);
    EXPECT_EQ(0, status) << output_;
    EXPECT_NE(std::string::npos, output_.find("2 stored, 1 skipped (not DICOM: no readable header), 0 failed\n"))
        << output_;
    EXPECT_EQ(2, open_peer.Stored());
    EXPECT_EQ(std::string::npos, output_.find("MR_small.dcm")) << "the stored file is not sent again";
  }
}

TEST_F(Cli_Push, a_retry_counts_a_file_that_is_gone_as_failed_and_refuses_a_bad_list)
{
  const std::string cli = "'" + Binary_Dir() + "src/app/harrowdesk-cli' push ";
  const std::string list = env_.root() + "gone.csv";
  ASSERT_TRUE(Write_File(list, "path,sop_instance_uid,status,meaning,stored\n\"" + env_.root() +
                                   "no, such.dcm\",,,no response,no\n"));
  Storescp peer(env_.root(), {"+xa"});
  ASSERT_TRUE(peer.Ready());
  const std::string server = " --peer 127.0.0.1 --port " + std::to_string(peer.port) + " --called STORESCP";
  int status = -1;
  output_ = Run_Command(cli + "--retry '" + list + "'" + server + " 2>&1", &status);
  EXPECT_EQ(1, status) << output_;
  EXPECT_NE(std::string::npos, output_.find("harrowdesk-cli push: failed: " + env_.root() +
                                            "no, such.dcm: not sent: No such file or directory\n"))
      << output_;
  EXPECT_NE(std::string::npos, output_.find("0 stored, 0 skipped (not DICOM: no readable header), 1 failed\n"))
      << output_;

  const struct {
    const char *name;
    std::string arguments;
    int status;
    const char *message;
  } cases[] = {
      {"a list that is no list", "--retry '" + env_.root() + "bad.csv'", 1, "cannot read the result list"},
      {"an unknown extension", "--retry '" + env_.root() + "list.txt'", 2, "option --retry '"},
      {"a folder beside the list", "'" + folder_ + "' --retry '" + list + "'", 2, "give no FOLDER"},
      {"no folder and no list", "", 2, "no FOLDER given"},
      {"a result file that cannot be made", "'" + folder_ + "' --result '" + env_.root() + "none/r.json'", 1,
       "cannot write the result file"},
  };
  ASSERT_TRUE(Write_File(env_.root() + "bad.csv", "path,stored\n"));
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    output_ = Run_Command(cli + test.arguments + server + " 2>&1", &status);
    EXPECT_EQ(test.status, status) << output_;
    EXPECT_NE(std::string::npos, output_.find(test.message)) << output_;
  }
  EXPECT_EQ(0, peer.Stored());
}

// A port on the loopback address that nothing listens on.
int Closed_Port()
{
  int socket_fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(socket_fd, (sockaddr *)&address, sizeof address) == 0 &&
      getsockname(socket_fd, (sockaddr *)&address, &length) == 0)
    port = ntohs(address.sin_port);
  close(socket_fd);
  return port;
}

TEST_F(Cli_Push, a_refused_connection_is_one_terminal_line_with_its_cause_and_stays_apart_in_the_audit)
{
  const int port = Closed_Port();
  ASSERT_NE(0, port);
  const std::string server = "127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(1, Push("--peer 127.0.0.1 --port " + std::to_string(port) + " --called NOBODY --timeout 5 --study " +
                    CT_STUDY));
  const std::string line = "WARNING: Unable to connect with SCP: Server: NOBODY on " + server + ": ";
  const size_t at = output_.find(line);
  ASSERT_NE(std::string::npos, at) << output_;
  const std::string rest = output_.substr(at + line.size(), output_.find('\n', at) - at - line.size());
  EXPECT_NE(std::string::npos, rest.find("Connection refused")) << rest;
  // The audit trail keeps one entry per message.
  const std::string audit = Read_File(env_.log_state() + "Harrowdesk.log");
  EXPECT_NE(std::string::npos, audit.find(" WARNING: Unable to connect with SCP\n")) << audit;
  EXPECT_NE(std::string::npos, audit.find(" Server: NOBODY on " + server + "\n")) << audit;
}

TEST_F(Cli_Push, a_fail_folder_that_cannot_be_made_is_named_with_its_reason)
{
  ASSERT_TRUE(Write_File(env_.root() + "plain", "a file"));
  EXPECT_EQ(1, Push("--peer 127.0.0.1 --port 104 --called X --fail-dir " + env_.root() + "plain/sub"));
  EXPECT_NE(std::string::npos,
            output_.find("harrowdesk-cli push: cannot use the fail folder " + env_.root() +
                         "plain/sub: Not a directory\n"))
      << output_;
  EXPECT_EQ(std::string::npos, output_.find("Pushing")) << "nothing is sent";
}

TEST_F(Cli_Push, bad_options_are_usage_errors_that_send_nothing)
{
  const struct {
    const char *arguments;
    const char *message;
  } cases[] = {
      {"--peer 127.0.0.1 --port 70000 --called X", "port '70000' is not a number from 1 to 65535"},
      {"--peer 127.0.0.1 --port 104x --called X", "port '104x' is not a number from 1 to 65535"},
      {"--peer 127.0.0.1 --port 104 --called ABCDEFGHIJKLMNOPQ", "called AE title 'ABCDEFGHIJKLMNOPQ' is not 1 to 16"},
      {"--peer 127.0.0.1 --port 104 --called X --fail-dir", "option --fail-dir needs a value"},
      {"--peer 127.0.0.1 --port 104 --called X --bogus", "unknown option '--bogus'"},
      {"--port 104 --called X --study", "option --study needs a value"},
      {"--port 104 --called X", "no server: give --peer HOST"},
      {"--peer 127.0.0.1 --port 104 --called X --timeout x",
       "option --timeout 'x': needs a number of seconds from 0 to 3600"},
      {"--peer 127.0.0.1 --port 104 --called X --timeout -1", "option --timeout '-1': needs a number of seconds"},
      {"--peer 127.0.0.1 --port 104 --called X --timeout-acse=3601", "option --timeout-acse '3601': needs a number of"},
      {"--peer 127.0.0.1 --port 104 --called X --timeout-dimse", "option --timeout-dimse needs a value (S)"},
      {"--peer=127.0.0.1 --port=104 --called= X", "option --called needs a value (AET)"},
      {"--peer 127.0.0.1 --port 104 --called X --delete=yes", "option --delete takes no value"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.arguments);
    EXPECT_EQ(2, Push(test.arguments));
    EXPECT_NE(std::string::npos, output_.find(test.message)) << output_;
  }
}

}  // namespace
