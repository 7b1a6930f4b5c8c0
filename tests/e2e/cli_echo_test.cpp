// harrowdesk-cli echo end to end against real peers on 127.0.0.1: storescp answers;
// a closed port refuses; Orthanc checking the called AE title and storescp --refuse
// reject the association; a peer that never answers runs out the limit; the server
// comes from the settings store when no option names it; bad options are usage errors.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/configuration.h"
#include "e2e/dicom_peers.h"
#include "support/test_support.h"

namespace {

class Cli_Echo : public testing::Test {
protected:
  void TearDown() override { Configuration_Defaults(); }

  // Runs "harrowdesk-cli echo ARGUMENTS" (both streams); returns the exit code.
  int Echo(const std::string &arguments)
  {
    int status = 0;
    output_ = Run_Command("'" + Binary_Dir() + "src/app/harrowdesk-cli' echo " + arguments + " 2>&1", &status);
    return status;
  }
  static std::string Server(int port, const char *called)
  {
    return "--peer 127.0.0.1 --port " + std::to_string(port) + " --called " + called;
  }

  Scoped_Temp_Env env_;
  std::string output_;
};

}  // namespace

TEST_F(Cli_Echo, storescp_answers_with_success_and_the_round_trip)
{
  Storescp peer(env_.root(), {});
  ASSERT_TRUE(peer.Ready());
  EXPECT_EQ(0, Echo(Server(peer.port, "STORESCP")));
  const std::string expected = "echo 127.0.0.1:" + std::to_string(peer.port) + " STORESCP: success in ";
  EXPECT_EQ(0u, output_.find(expected)) << output_;
  EXPECT_EQ(output_.size() - 4, output_.find(" ms\n")) << output_;
  EXPECT_EQ(0, peer.Stored());
}

TEST_F(Cli_Echo, the_server_comes_from_the_settings_when_no_option_names_it)
{
  Storescp peer(env_.root(), {});
  ASSERT_TRUE(peer.Ready());
  Configuration_Defaults();
  server_peer = "127.0.0.1";
  server_port = std::to_string(peer.port);
  server_AET = "STORESCP";
  ASSERT_EQ(1, Configuration_Write());
  EXPECT_EQ(0, Echo(""));
  EXPECT_NE(std::string::npos, output_.find("STORESCP: success in ")) << output_;
}

TEST_F(Cli_Echo, a_closed_port_is_refused)
{
  const int port = Peer_Free_Port();
  EXPECT_EQ(1, Echo(Server(port, "STORESCP")));
  EXPECT_EQ("echo 127.0.0.1:" + std::to_string(port) + " STORESCP: connection refused\n", output_);
}

TEST_F(Cli_Echo, a_called_title_the_server_does_not_know_is_rejected)
{
  Orthanc orthanc(env_.root(), true);
  ASSERT_TRUE(orthanc.Ready());
  EXPECT_EQ(0, Echo(Server(orthanc.port, "ORTHANC"))) << output_;
  EXPECT_EQ(1, Echo(Server(orthanc.port, "SOMEONE")));
  EXPECT_NE(std::string::npos, output_.find("SOMEONE: association rejected: Called AE Title Not Recognized"))
      << output_;
}

TEST_F(Cli_Echo, a_refusing_storescp_rejects_the_association)
{
  Storescp peer(env_.root(), {"--refuse"});
  ASSERT_TRUE(peer.Ready());
  EXPECT_EQ(1, Echo(Server(peer.port, "STORESCP")));
  EXPECT_NE(std::string::npos, output_.find("STORESCP: association rejected: ")) << output_;
  EXPECT_EQ(output_.size() - 1, output_.find('\n')) << output_;  // one line
}

// A peer that takes the connection and never answers the association request, and
// one that accepts the association and never answers the C-ECHO.
TEST_F(Cli_Echo, a_peer_that_never_answers_runs_out_the_limit)
{
  for (Silent_Mode mode : {SILENT_ACCEPT, SILENT_ASSOCIATED}) {
    SCOPED_TRACE(mode);
    Silent_Peer peer(mode);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(1, Echo(Server(peer.port, "X") + " --timeout 1"));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
    EXPECT_EQ("echo 127.0.0.1:" + std::to_string(peer.port) + " X: timeout after 1 s\n", output_);
  }
}

TEST_F(Cli_Echo, bad_options_and_a_server_not_chosen_are_usage_errors)
{
  const struct {
    const char *arguments, *message;
  } cases[] = {
      {"--peer 127.0.0.1 --port 0", "option --port '0': takes a port from 1 to 65535"},
      {"--peer 127.0.0.1 --port 65536", "option --port '65536': takes a port from 1 to 65535"},
      {"--peer 127.0.0.1 --called ABCDEFGHIJKLMNOPQ", "option --called 'ABCDEFGHIJKLMNOPQ': takes an AE title"},
      {"--peer 127.0.0.1 --timeout 5000", "option --timeout '5000': takes seconds from 0"},
      {"--peer 127.0.0.1 extra", "unexpected operand 'extra'"},
      {"", "no server: give --peer HOST"},
  };
  for (const auto &test : cases) {
    EXPECT_EQ(2, Echo(test.arguments)) << test.arguments;
    EXPECT_NE(std::string::npos, output_.find(test.message)) << output_;
  }
}
