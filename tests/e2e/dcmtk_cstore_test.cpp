// The C-STORE client against real servers on loopback: storescp accepting, refusing,
// accepting no context and aborting mid-transfer, a port without listener, and
// Orthanc; the transfer syntax carried from file to file; the progress lines; silent
// peers that each limit gives up on, and a cancel that ends every kind of wait at once.
#include "dcmtk/config/osconfig.h"

#include "app/dcmtk_cstore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "dcmtk/dcmdata/dcxfer.h"
#include "e2e/dicom_peers.h"
#include "support/test_support.h"

namespace {

const char CT_CLASS[] = "1.2.840.10008.5.1.4.1.1.2";
const char SC_CLASS[] = "1.2.840.10008.5.1.4.1.1.7";
const char EXPLICIT_LE[] = "1.2.840.10008.1.2.1";
const char JPEG_LOSSLESS_SV1[] = "1.2.840.10008.1.2.4.70";

// Collects the lines written to a progress record.
class Line_View : public Progress_View {
public:
  std::vector<std::string> lines;
  void Notify(Progress_Record *progress, int message) override
  {
    if (message != WM_PROGRESS_TEXT) return;
    for (std::string &line : Progress_Take_Lines(progress)) lines.push_back(line);
  }
};

// The phase a call reached, from its progress lines: 0 none, 1 the transfer began, 2 the
// whole file went out (the wait for the response followed).
int Transfer_Phase(const Line_View &view)
{
  int phase = 0;
  for (const std::string &line : view.lines) {
    if (line.find("    pushing") == 0) phase = std::max(phase, 1);
    if (line == "    done") phase = 2;
  }
  return phase;
}

// The settings' default limits, with no cancel.
const CSTORE_Limits DEFAULT_LIMITS = {30, 30, 60, nullptr};

int Send(int port, const std::string &file, const char *syntax, const char *sop_class,
         Progress_Record *progress = nullptr, const CSTORE_Limits &limits = DEFAULT_LIMITS)
{
  return DCMTK_CSTORE(file.c_str(), "127.0.0.1", "STORESCP", port, "HARROWDESK", syntax, sop_class, progress,
                      limits);
}

typedef std::chrono::steady_clock Clock;

double Seconds_Between(Clock::time_point from, Clock::time_point to)
{
  return std::chrono::duration<double>(to - from).count();
}

// The test's cancel: true from a moment the test chooses on.
std::atomic<Clock::rep> cancel_at{0};  // 0: not yet

bool Test_Cancelled()
{
  const Clock::rep at = cancel_at.load();
  return at != 0 && Clock::now().time_since_epoch().count() >= at;
}

void Cancel_After(std::chrono::milliseconds delay)
{
  cancel_at.store((Clock::now() + delay).time_since_epoch().count());
}

struct Peer_Case {
  const char *name;
  std::vector<std::string> options;  // storescp options; {"-"} = no listener at all
  int stored;                        // expected result
  std::vector<std::string> warnings; // warning lines expected, in order after the first
};

TEST(DCMTK_CSTORE, outcomes_against_real_storescp_peers)
{
  Scoped_Temp_Env env;
  const std::string profile = Peer_Verification_Only_Profile(env.root());
  const Peer_Case cases[] = {
      {"accepting", {}, 1, {}},
      {"refusing", {"--refuse"}, 0, {"\xF1        Association Rejected"}},
      {"no context", {"-xf", profile, "VerificationOnly"}, 0, {"\xF1        No Acceptable Presentation Contexts"}},
      {"aborting mid-transfer", {"--abort-during"}, 0, {}},
      {"no listener", {"-"}, 0, {"Connection refused"}},
  };
  int index = 0;
  for (const Peer_Case &test : cases) {
    SCOPED_TRACE(test.name);
    DCMTK_CSTORE_Reset();
    const std::string folder = env.root() + "peer" + std::to_string(index++) + "/";
    mkdir(folder.c_str(), 0700);
    std::unique_ptr<Storescp> peer;
    int port = Peer_Free_Port();
    if (test.options != std::vector<std::string>{"-"}) {
      peer = std::make_unique<Storescp>(folder, test.options);
      ASSERT_TRUE(peer->Ready());
      port = peer->port;
    }
    Message_Capture capture(19);
    EXPECT_EQ(test.stored, Send(port, Peer_Test_File("CT_small.dcm"), EXPLICIT_LE, CT_CLASS));
    if (peer) {
      EXPECT_EQ(test.stored, peer->Stored());
    }
    std::vector<std::string> warnings = capture.Texts(MSG_WARNING);
    if (test.stored) {
      EXPECT_TRUE(warnings.empty());
      continue;
    }
    if (test.options == std::vector<std::string>{"--abort-during"}) {
      EXPECT_EQ(1, capture.Count(MSG_TRACE, "DCMTK_CSTORE(), Peer Aborted Association"));
      EXPECT_EQ(1, capture.Count(MSG_WARNING, "Store SCU Failed"));
      continue;
    }
    ASSERT_EQ(2 + test.warnings.size(), warnings.size());
    EXPECT_EQ("\xF1\x05WARNING:\x02 Unable to connect with SCP", warnings[0]);
    EXPECT_EQ("\xF1        Server: \x01STORESCP\x02 on \x01" "127.0.0.1:" + std::to_string(port) + "\x02", warnings[1]);
    for (size_t i = 0; i < test.warnings.size(); ++i)
      EXPECT_NE(std::string::npos, warnings[2 + i].find(test.warnings[i])) << warnings[2 + i];
  }
}

TEST(DCMTK_CSTORE, file_that_is_no_storage_object_fails_before_any_connection)
{
  Scoped_Temp_Env env;
  const std::string file = env.root() + "verification.dcm";
  int status = 0;
  Run_Command("/usr/bin/python3 -c \"import pydicom; d = pydicom.dcmread('" + Peer_Test_File("CT_small.dcm") +
                  "'); d.SOPClassUID = '1.2.840.10008.1.1'; d.save_as('" + file + "')\"",
              &status);
  ASSERT_EQ(0, status);
  Message_Capture capture(19);
  EXPECT_EQ(0, Send(Peer_Free_Port(), file, EXPLICIT_LE, "1.2.840.10008.1.1"));
  EXPECT_EQ(std::vector<std::string>{"\xF1\x05WARNING:\x02 DCMTK_CSTORE(), unknown storage sop class in file"},
            capture.Texts(MSG_WARNING));
  EXPECT_EQ(0, capture.Count(MSG_TRACE, "Requesting Association"));

  capture.Clear();
  EXPECT_EQ(0, Send(Peer_Free_Port(), env.root() + "missing.dcm", EXPLICIT_LE, CT_CLASS));
  EXPECT_EQ(std::vector<std::string>{"\xF1\x05WARNING:\x02 DCMTK_CSTORE(), missing SOP class (or instance) in file"},
            capture.Texts(MSG_WARNING));
}

TEST(DCMTK_CSTORE, a_data_set_without_meta_header_is_sent_by_the_class_of_its_data_set)
{
  Scoped_Temp_Env env;
  const std::string file = env.root() + "bare.dcm";
  int status = 0;
  Run_Command("/usr/bin/python3 -c \"import pydicom; d = pydicom.dcmread('" + Peer_Test_File("CT_small.dcm") +
                  "'); del d.file_meta; d.preamble = None; d.is_implicit_VR = False; d.is_little_endian = True; "
                  "d.save_as('" + file + "', write_like_original=True)\"",
              &status);
  ASSERT_EQ(0, status);
  ASSERT_NE(Read_File(file).substr(128, 4), "DICM");  // no preamble, no meta header
  Storescp peer(env.root(), {"+xa"});
  ASSERT_TRUE(peer.Ready());
  Message_Capture capture(19);
  EXPECT_EQ(1, Send(peer.port, file, EXPLICIT_LE, ""));
  EXPECT_EQ(std::vector<std::string>{}, capture.Texts(MSG_WARNING));
}

TEST(DCMTK_CSTORE, transfer_syntax_choice_is_carried_from_file_to_file)
{
  Scoped_Temp_Env env;
  Storescp peer(env.root(), {"+xa"});
  ASSERT_TRUE(peer.Ready());
  DCMTK_CSTORE_Reset();
  EXPECT_EQ(-1, DCMTK_CSTORE_Choice());

  // No choice yet and an unlisted syntax: explicit VR little endian is proposed.
  EXPECT_EQ(1, Send(peer.port, Peer_Test_File("CT_small.dcm"), "1.2.3.unlisted", CT_CLASS));
  EXPECT_EQ(-1, DCMTK_CSTORE_Choice());

  // A JPEG lossless file makes its syntax the choice, and it is stored in it.
  EXPECT_EQ(1, Send(peer.port, Peer_Test_File("SC_rgb_jpeg_gdcm.dcm"), JPEG_LOSSLESS_SV1, SC_CLASS));
  EXPECT_EQ((int)DcmXfer(JPEG_LOSSLESS_SV1).getXfer(), DCMTK_CSTORE_Choice());

  // The next file brings an unlisted syntax: JPEG lossless is proposed again, and the
  // explicit VR file cannot be sent in the syntax the peer accepted.
  Message_Capture capture(19);
  EXPECT_EQ(0, Send(peer.port, Peer_Test_File("CT_small.dcm"), "", CT_CLASS));
  EXPECT_EQ(1, capture.Count(MSG_TRACE, "Transfer: Little Endian Explicit -> JPEG Lossless"));
  EXPECT_EQ(1, capture.Count(MSG_WARNING, "Store SCU Failed"));
  EXPECT_EQ((int)DcmXfer(JPEG_LOSSLESS_SV1).getXfer(), DCMTK_CSTORE_Choice());
  EXPECT_EQ(2, peer.Stored());
}

// Writes CT_small.dcm to `path` under the SOP Instance UID `uid` (data set and meta
// header), through a new file renamed into place.
void Write_CT_As(const std::string &path, const std::string &uid)
{
  int status = 0;
  Run_Command("/usr/bin/python3 -c \"import os, pydicom; d = pydicom.dcmread('" + Peer_Test_File("CT_small.dcm") +
                  "'); d.SOPInstanceUID = d.file_meta.MediaStorageSOPInstanceUID = '" + uid + "'; d.save_as('" +
                  path + ".new'); os.rename('" + path + ".new', '" + path + "')\"",
              &status);
  ASSERT_EQ(0, status);
}

TEST(DCMTK_CSTORE, the_next_file_read_ahead_is_sent_as_it_is_on_disk_when_its_turn_comes)
{
  Scoped_Temp_Env env;
  Storescp peer(env.root(), {});
  ASSERT_TRUE(peer.Ready());
  DCMTK_CSTORE_Reset();
  const std::string first = env.root() + "first.dcm", next = env.root() + "next.dcm";
  Write_CT_As(first, "1.2.826.0.1.3680043.9.7.1");
  Write_CT_As(next, "1.2.826.0.1.3680043.9.7.2");
  const auto send = [&](const std::string &file, const char *following) {
    return DCMTK_CSTORE(file.c_str(), "127.0.0.1", "STORESCP", peer.port, "HARROWDESK", EXPLICIT_LE, CT_CLASS,
                        nullptr, DEFAULT_LIMITS, following);
  };

  // Unchanged, the file read ahead is the one sent.
  ASSERT_EQ(1, send(first, next.c_str()));
  ASSERT_EQ(1, send(next, nullptr));
  EXPECT_STREQ("1.2.826.0.1.3680043.9.7.2", DCMTK_CSTORE_Last_Answer().sop_instance);

  // Replaced after it was read ahead, it is read again: the new file is sent.
  ASSERT_EQ(1, send(first, next.c_str()));
  Write_CT_As(next, "1.2.826.0.1.3680043.9.7.3");
  ASSERT_EQ(1, send(next, nullptr));
  EXPECT_STREQ("1.2.826.0.1.3680043.9.7.3", DCMTK_CSTORE_Last_Answer().sop_instance);

  // Gone after it was read ahead, it fails as a missing file does.
  ASSERT_EQ(1, send(first, next.c_str()));
  ASSERT_EQ(0, unlink(next.c_str()));
  Message_Capture capture(19);
  EXPECT_EQ(0, send(next, nullptr));
  EXPECT_EQ(1, capture.Count(MSG_WARNING, "missing SOP class (or instance) in file"));
  EXPECT_NE(std::string::npos, Run_Command("ls -A '" + peer.store + "'").find("1.2.826.0.1.3680043.9.7.3"));
}

TEST(DCMTK_CSTORE, progress_lines_show_the_size_and_the_end)
{
  Scoped_Temp_Env env;
  Storescp peer(env.root(), {});
  ASSERT_TRUE(peer.Ready());
  DCMTK_CSTORE_Reset();
  Progress_Record progress;
  Line_View view;
  progress.view = &view;
  ASSERT_EQ(1, Send(peer.port, Peer_Test_File("CT_small.dcm"), EXPLICIT_LE, CT_CLASS, &progress));
  progress.view = nullptr;
  ASSERT_EQ(2u, view.lines.size());
  EXPECT_EQ(0u, view.lines[0].find("    pushing \x01"));
  EXPECT_NE(std::string::npos, view.lines[0].find(" Kb"));
  EXPECT_EQ("    done", view.lines[1]);
}

TEST(DCMTK_CSTORE, orthanc_stores_what_it_confirms)
{
  Scoped_Temp_Env env;
  Orthanc orthanc(env.root());
  ASSERT_TRUE(orthanc.Ready());
  DCMTK_CSTORE_Reset();
  const char *const files[][3] = {{"CT_small.dcm", EXPLICIT_LE, CT_CLASS},
                                  {"MR_small.dcm", EXPLICIT_LE, "1.2.840.10008.5.1.4.1.1.4"},
                                  {"SC_rgb_jpeg_gdcm.dcm", JPEG_LOSSLESS_SV1, SC_CLASS}};
  for (const auto &file : files)
    EXPECT_EQ(1, DCMTK_CSTORE(Peer_Test_File(file[0]).c_str(), "127.0.0.1", "ORTHANC", orthanc.port, "HARROWDESK",
                              file[1], file[2], nullptr, DEFAULT_LIMITS))
        << file[0];
  EXPECT_EQ(3, orthanc.Instances());
}

TEST(DCMTK_CSTORE, orthanc_rejects_a_wrong_called_AE_title)
{
  Scoped_Temp_Env env;
  Orthanc orthanc(env.root(), true);
  ASSERT_TRUE(orthanc.Ready());
  DCMTK_CSTORE_Reset();
  Message_Capture capture(19);
  EXPECT_EQ(0, DCMTK_CSTORE(Peer_Test_File("CT_small.dcm").c_str(), "127.0.0.1", "NOT_ORTHANC", orthanc.port,
                            "HARROWDESK", EXPLICIT_LE, CT_CLASS, nullptr, DEFAULT_LIMITS));
  const std::string address = "127.0.0.1:" + std::to_string(orthanc.port);
  EXPECT_EQ((std::vector<std::string>{"\xF1\x05WARNING:\x02 Unable to connect with SCP",
                                      "\xF1        Server: \x01NOT_ORTHANC\x02 on \x01" + address + "\x02",
                                      "\xF1        Association Rejected"}),
            capture.Texts(MSG_WARNING));
  EXPECT_EQ(1, capture.Count(MSG_TRACE, "Called AE Title Not Recognized"));
  EXPECT_EQ(0, orthanc.Instances());
}

// Each limit against the peer that makes its step wait: the call gives up with the
// operator lines naming the reason, long before a generous bound.
TEST(DCMTK_CSTORE, each_limit_gives_up_on_a_silent_peer)
{
  Scoped_Temp_Env env;
  const std::string large = Peer_Large_File(env.root(), 8 << 20);
  const struct {
    const char *name;
    Silent_Mode mode;
    CSTORE_Limits limits;
    bool large;              // send the 8 MB file, which the peer's buffers cannot hold
    const char *warning;     // the operator line that names the reason
    int retries;             // TCP connection attempts tried again
    int phase;               // Transfer_Phase reached
  } cases[] = {
      {"no TCP connection", SILENT_CONNECT, {2, 30, 60, nullptr}, false, "Timeout", 1, 0},
      {"no answer to the association request", SILENT_ACCEPT, {30, 1, 60, nullptr}, false,
       "\xF1        DUL network read timeout", 0, 0},
      {"no C-STORE response", SILENT_ASSOCIATED, {30, 30, 1, nullptr}, false,
       "\xF1        No progress for 1 sec (DIMSE timeout)", 0, 2},
      {"a send that no longer moves", SILENT_ASSOCIATED, {30, 30, 1, nullptr}, true,
       "\xF1        No progress for 1 sec (DIMSE timeout)", 0, 1},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    DCMTK_CSTORE_Reset();
    Silent_Peer peer(test.mode);
    Progress_Record progress;
    Line_View view;
    progress.view = &view;
    Message_Capture capture(19);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(0, Send(peer.port, test.large ? large : Peer_Test_File("CT_small.dcm"), EXPLICIT_LE, CT_CLASS,
                      &progress, test.limits));
    const double seconds = Seconds_Between(start, Clock::now());
    progress.view = nullptr;
    EXPECT_EQ(test.phase, Transfer_Phase(view));
    std::printf("[ measured ] %s: gave up after %.3f s\n", test.name, seconds);
    EXPECT_LT(seconds, 20.0);
    std::vector<std::string> warnings = capture.Texts(MSG_WARNING);
    ASSERT_FALSE(warnings.empty());
    EXPECT_EQ(1, capture.Count(MSG_WARNING, "Unable to connect with SCP"));
    EXPECT_NE(std::string::npos, warnings.back().find(test.warning)) << warnings.back();
    EXPECT_EQ(test.retries, capture.Count(MSG_TRACE, "trying again"));
    EXPECT_EQ(0, capture.Count(MSG_WARNING, "cancelled"));
  }
}

// A cancel in each phase of a call whose limits are all 0 (the toolkit's blocking
// waits, which only the cancel can end): the call returns at once with the one cancel
// line, and the peer stores nothing.
TEST(DCMTK_CSTORE, a_cancel_aborts_the_association_at_once_in_every_phase)
{
  Scoped_Temp_Env env;
  const std::string large = Peer_Large_File(env.root(), 8 << 20);
  const struct {
    const char *name;
    Silent_Mode mode;        // the peer, unless `storescp`
    bool storescp;           // storescp --sleep-during 1: a slow but real transfer
    bool large;
    int phase;               // Transfer_Phase reached when the cancel came
  } cases[] = {
      {"while the TCP connection is tried", SILENT_CONNECT, false, false, 0},
      {"while the association request waits", SILENT_ACCEPT, false, false, 0},
      {"while the C-STORE response waits", SILENT_ASSOCIATED, false, false, 2},
      {"while a send is blocked", SILENT_ASSOCIATED, false, true, 1},
      {"during a slow transfer to storescp", SILENT_ACCEPT, true, true, 1},
  };
  const CSTORE_Limits no_limits = {0, 0, 0, Test_Cancelled};
  int index = 0;
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    DCMTK_CSTORE_Reset();
    const std::string folder = env.root() + "cancel" + std::to_string(index++) + "/";
    mkdir(folder.c_str(), 0700);
    std::unique_ptr<Silent_Peer> silent;
    std::unique_ptr<Storescp> storescp;
    int port;
    if (test.storescp) {
      storescp = std::make_unique<Storescp>(folder, std::vector<std::string>{"--sleep-during", "1"});
      ASSERT_TRUE(storescp->Ready());
      port = storescp->port;
    } else {
      silent = std::make_unique<Silent_Peer>(test.mode);
      port = silent->port;
    }
    Progress_Record progress;
    Line_View view;
    progress.view = &view;
    Message_Capture capture(19);
    Cancel_After(std::chrono::milliseconds(1500));
    EXPECT_EQ(0, Send(port, test.large ? large : Peer_Test_File("CT_small.dcm"), EXPLICIT_LE, CT_CLASS, &progress,
                      no_limits));
    const double after_cancel =
        Seconds_Between(Clock::time_point(Clock::duration(cancel_at.load())), Clock::now());
    cancel_at.store(0);
    progress.view = nullptr;
    std::printf("[ measured ] cancel %s: returned %.3f s after the cancel\n", test.name, after_cancel);
    EXPECT_LT(after_cancel, 5.0);
    EXPECT_EQ(std::vector<std::string>{"\xF1\x05WARNING:\x02 DCMTK_CSTORE(), cancelled: association aborted"},
              capture.Texts(MSG_WARNING));
    EXPECT_EQ(test.phase, Transfer_Phase(view));
    if (storescp) {
      EXPECT_EQ(0, storescp->Stored());
    }
  }
}

// storescp confirms the store and then sleeps before it answers the release: a cancel
// then cuts the release short at once, and the file counts as stored.
TEST(DCMTK_CSTORE, a_cancel_after_the_confirmation_cuts_the_release_short_and_keeps_the_file_stored)
{
  Scoped_Temp_Env env;
  Storescp peer(env.root(), {"--sleep-after", "5"});
  ASSERT_TRUE(peer.Ready());
  DCMTK_CSTORE_Reset();
  Message_Capture capture(19);
  Cancel_After(std::chrono::milliseconds(1500));
  EXPECT_EQ(1, Send(peer.port, Peer_Test_File("CT_small.dcm"), EXPLICIT_LE, CT_CLASS, nullptr,
                    {0, 0, 0, Test_Cancelled}));
  const double after_cancel = Seconds_Between(Clock::time_point(Clock::duration(cancel_at.load())), Clock::now());
  cancel_at.store(0);
  std::printf("[ measured ] cancel during the release: returned %.3f s after the cancel\n", after_cancel);
  EXPECT_LT(after_cancel, 5.0);
  EXPECT_TRUE(capture.Texts(MSG_WARNING).empty());
  EXPECT_EQ(1, capture.Count(MSG_TRACE, "Releasing Association"));
  EXPECT_EQ(1, peer.Stored());
}

}  // namespace
