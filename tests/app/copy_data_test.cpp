// The file-copy core: copies are byte-identical by every method and size and keep the
// source's permission bits; they never replace a file (a taken name, even a planted
// link to elsewhere, passes to the next numbered name); a full disk leaves nothing, not
// even a hidden file; moves never replace, and a move of a link or onto another file
// system copies the data, checks it and removes only the link or the source; a copy made
// ahead is named only while its source is unchanged and the place gives a new file what
// the folder it was made in gives (the same mount, group and default ACL). The full
// disk and the second file system are small tmpfs mounts (root only; skipped otherwise).
#include "app/copy_data.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/os/os_files.h"
#include "support/scoped_tmpfs.h"
#include "support/test_support.h"

namespace {

std::string Pattern(size_t size)
{
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i++) bytes[i] = (char)(i * 131 + i / 7);
  return bytes;
}

bool Exists(const std::string &path)
{
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

unsigned Mode_Of(const std::string &path)
{
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

mode_t Umask_Now()
{
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// A target folder opened for the core, closed at the end.
class Place_Test : public ::testing::Test {
protected:
  void SetUp() override { Open(env.temp()); }
  void TearDown() override
  {
    if (place.folder >= 0) close(place.folder);
  }
  void Open(const std::string &folder, const char *name = "target", bool numbered = true)
  {
    if (place.folder >= 0) close(place.folder);
    place.folder = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    place.folder_path = folder;
    place.name = name;
    place.numbered = numbered;
    ASSERT_GE(place.folder, 0) << folder;
    ASSERT_TRUE(Os_Folder_Inheritance(place.folder, &place.inheritance));
  }

  Scoped_Temp_Env env;
  Copy_Place place;
  Copy_Outcome outcome;
};

}  // namespace

TEST_F(Place_Test, copies_are_byte_identical_for_every_method_and_size)
{
  Message_Capture capture;
  const size_t sizes[] = {0, 1, 10239, 10240, 10241, 3 * 1024 * 1024 + 5};
  const size_t methods[] = {COPY_KERNEL, COPY_BLOCK_SIZE, 1};
  std::string source = env.root() + "source";
  for (size_t size : sizes) {
    ASSERT_TRUE(Write_File(source, Pattern(size)));
    for (size_t method : methods) {
      if (method == 1 && size > 20000) continue;
      unlink((env.temp() + "target").c_str());
      ASSERT_EQ(Copy_Data(source.c_str(), place, method, &outcome), 1) << size << " " << method;
      EXPECT_EQ(outcome.name, "target");
      EXPECT_EQ(Read_File(env.temp() + "target"), Pattern(size)) << size << " " << method;
    }
  }
  EXPECT_EQ(Files_Below(env.temp()), (std::vector<std::string>{"target"}));  // no hidden file is left
  EXPECT_TRUE(capture.Texts(MSG_THREAD).empty());
}

TEST_F(Place_Test, a_copy_keeps_the_permission_bits_of_its_source_within_the_umask)
{
  const struct {
    unsigned source_mode, umask_bits, expected;
  } cases[] = {
      {0600, 022, 0600},  // a private source stays private
      {0640, 022, 0640},
      {0755, 022, 0755},
      {0644, 077, 0600},  // the umask still applies, as with cp
      {0444, 022, 0444},  // a read-only source gives a read-only copy
  };
  std::string source = env.root() + "source";
  for (const auto &c : cases) {
    unlink(source.c_str());
    unlink((env.temp() + "target").c_str());
    ASSERT_TRUE(Write_File(source, "bytes"));
    chmod(source.c_str(), c.source_mode);
    mode_t saved = umask(c.umask_bits);
    int copied = Copy_Data(source.c_str(), place, COPY_KERNEL, &outcome);
    umask(saved);
    ASSERT_EQ(copied, 1);
    EXPECT_EQ(Mode_Of(env.temp() + "target"), c.expected) << std::oct << c.source_mode << " umask " << c.umask_bits;
  }
}

TEST_F(Place_Test, a_taken_name_passes_to_the_next_numbered_name_and_a_planted_link_is_never_followed)
{
  std::string source = env.root() + "source", outside = env.root() + "outside";
  ASSERT_TRUE(Write_File(source, "new"));
  ASSERT_TRUE(Write_File(env.temp() + "target", "old"));
  // A dangling link under the next name: following it would create the file outside.
  ASSERT_EQ(symlink(outside.c_str(), (env.temp() + "target01").c_str()), 0);
  Message_Capture capture;
  ASSERT_EQ(Copy_Data(source.c_str(), place, COPY_KERNEL, &outcome), 1);
  EXPECT_EQ(outcome.name, "target02");
  EXPECT_EQ(Read_File(env.temp() + "target02"), "new");
  EXPECT_EQ(Read_File(env.temp() + "target"), "old");
  EXPECT_FALSE(Exists(outside));
  EXPECT_EQ(capture.Texts(MSG_THREAD),
            (std::vector<std::string>{"\xF1\x05WARNING:\x02 File (" + env.temp() + "target) already exist!",
                                      "\xF1\x05WARNING:\x02 renamed to (" + env.temp() + "target02)"}));
}

TEST_F(Place_Test, failures_name_their_step_and_leave_nothing_behind)
{
  std::string source = env.root() + "source";
  ASSERT_TRUE(Write_File(source, "new"));
  ASSERT_TRUE(Write_File(env.temp() + "taken", "old"));
  const struct {
    const char *name;
    std::string from;
    const char *target;
    bool numbered;
    int step, error;
  } cases[] = {
      {"source missing", env.root() + "missing", "t", true, COPY_STEP_OPEN_SOURCE, ENOENT},
      {"source is a folder", env.temp(), "t", true, COPY_STEP_OPEN_SOURCE, EISDIR},
      {"name taken, no numbers", source, "taken", false, COPY_STEP_NAME_TAKEN, EEXIST},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    Open(env.temp(), c.target, c.numbered);
    EXPECT_EQ(Copy_Data(c.from.c_str(), place, COPY_KERNEL, &outcome), 0);
    EXPECT_EQ(outcome.step, c.step);
    EXPECT_EQ(outcome.error, c.error);
    EXPECT_EQ(Files_Below(env.temp()), (std::vector<std::string>{"taken"}));
  }
  EXPECT_EQ(Read_File(env.temp() + "taken"), "old");
}

TEST_F(Place_Test, a_full_disk_leaves_no_file_at_all_and_keeps_the_source)
{
  Scoped_Tmpfs small(env.root() + "small", "64k");
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  std::string source = env.root() + "big";
  ASSERT_TRUE(Write_File(source, Pattern(400 * 1024)));
  Open(env.root() + "small/", "copy");
  for (size_t method : {(size_t)COPY_KERNEL, (size_t)COPY_BLOCK_SIZE}) {
    EXPECT_EQ(Copy_Data(source.c_str(), place, method, &outcome), 0);
    EXPECT_EQ(outcome.step, COPY_STEP_WRITE);
    EXPECT_EQ(outcome.error, ENOSPC);
    EXPECT_TRUE(Files_Below(env.root() + "small/").empty());
  }
  EXPECT_EQ(Read_File(source), Pattern(400 * 1024));
}

TEST_F(Place_Test, a_move_renames_without_ever_replacing_a_file)
{
  std::string a = env.root() + "a";
  ASSERT_TRUE(Write_File(a, "A"));
  ASSERT_TRUE(Write_File(env.temp() + "target", "B"));
  Open(env.temp(), "target", false);
  EXPECT_EQ(Copy_Move(a.c_str(), place, COPY_KERNEL, &outcome), 0);
  EXPECT_EQ(outcome.step, COPY_STEP_NAME_TAKEN);
  EXPECT_EQ(Read_File(a), "A");
  EXPECT_EQ(Read_File(env.temp() + "target"), "B");

  Open(env.temp(), "target", true);
  Message_Capture capture;
  ASSERT_EQ(Copy_Move(a.c_str(), place, COPY_KERNEL, &outcome), 1);
  EXPECT_EQ(outcome.name, "target01");
  EXPECT_FALSE(outcome.by_copy);
  EXPECT_FALSE(Exists(a));
  EXPECT_EQ(Read_File(env.temp() + "target01"), "A");
  EXPECT_EQ(Read_File(env.temp() + "target"), "B");
}

TEST_F(Place_Test, a_move_of_a_link_moves_the_data_and_removes_only_the_link)
{
  std::string real = env.root() + "real", link = env.root() + "link";
  ASSERT_TRUE(Write_File(real, Pattern(50000)));
  chmod(real.c_str(), 0600);
  ASSERT_EQ(symlink("real", link.c_str()), 0);  // relative: moved as a link it would dangle
  ASSERT_EQ(Copy_Move(link.c_str(), place, COPY_KERNEL, &outcome), 1);
  EXPECT_TRUE(outcome.by_copy);
  struct stat info;
  ASSERT_EQ(lstat((env.temp() + "target").c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(Read_File(env.temp() + "target"), Pattern(50000));
  EXPECT_FALSE(Exists(link));
  EXPECT_EQ(Read_File(real), Pattern(50000));  // what the link named is not ours to remove
}

TEST_F(Place_Test, a_move_onto_another_file_system_copies_checks_and_then_removes_the_source)
{
  Scoped_Tmpfs other(env.root() + "other", "256k");
  if (!other.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  std::string source = env.temp() + "source", big = env.temp() + "big";
  ASSERT_TRUE(Write_File(source, Pattern(100000)));
  chmod(source.c_str(), 0640);
  ASSERT_TRUE(Write_File(big, Pattern(400000)));
  Open(env.root() + "other/", "moved");
  ASSERT_EQ(Copy_Move(source.c_str(), place, COPY_KERNEL, &outcome), 1);
  EXPECT_TRUE(outcome.by_copy);
  EXPECT_FALSE(Exists(source));
  EXPECT_EQ(Read_File(env.root() + "other/moved"), Pattern(100000));
  EXPECT_EQ(Mode_Of(env.root() + "other/moved"), 0640u);

  // One that does not fit: the move fails, the source stays and nothing is left there.
  place.name = "too big";
  EXPECT_EQ(Copy_Move(big.c_str(), place, COPY_KERNEL, &outcome), 0);
  EXPECT_EQ(outcome.step, COPY_STEP_WRITE);
  EXPECT_EQ(Read_File(big), Pattern(400000));
  EXPECT_EQ(Files_Below(env.root() + "other/"), (std::vector<std::string>{"moved"}));
}

TEST_F(Place_Test, a_copy_made_ahead_is_named_in_its_turn_only_while_it_can_serve)
{
  std::string source = env.root() + "source";
  ASSERT_TRUE(Write_File(source, Pattern(70000)));
  ASSERT_EQ(chmod(source.c_str(), 0640), 0);
  int ahead_folder = open(env.temp().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(ahead_folder, 0);
  std::string inheritance;
  ASSERT_TRUE(Os_Folder_Inheritance(ahead_folder, &inheritance));
  ASSERT_EQ(mkdir((env.temp() + "sub").c_str(), 0755), 0);
  Open(env.temp() + "sub/", "copy");

  // Made in one folder, named in another of the same mount, with the source's bytes and
  // bits; the source stays open for what names the copy.
  Copy_Ahead_Data data;
  ASSERT_EQ(Copy_Data_Ahead(source.c_str(), ahead_folder, inheritance, COPY_KERNEL, &data), 1);
  EXPECT_EQ(Read_File("/proc/self/fd/" + std::to_string(data.in)), Pattern(70000));
  EXPECT_EQ(Files_Below(env.temp()), std::vector<std::string>{});
  ASSERT_EQ(Copy_Data_Made_Ahead(&data, place, &outcome), 1);
  EXPECT_EQ(Read_File(env.temp() + "sub/copy"), Pattern(70000));
  EXPECT_EQ(Mode_Of(env.temp() + "sub/copy"), 0640u & ~Umask_Now());

  // A source rewritten since: the copy is dropped unnamed. One replaced under its name
  // is another file: the copy holds the file that was opened and read.
  ASSERT_EQ(Copy_Data_Ahead(source.c_str(), ahead_folder, inheritance, COPY_KERNEL, &data), 1);
  ASSERT_TRUE(Write_File(source, "other bytes"));
  EXPECT_EQ(Copy_Data_Made_Ahead(&data, place, &outcome), -1);
  EXPECT_EQ(Files_Below(env.temp()), std::vector<std::string>{"sub/copy"});
  ASSERT_EQ(Copy_Data_Ahead(source.c_str(), ahead_folder, inheritance, COPY_KERNEL, &data), 1);
  ASSERT_TRUE(Write_File(source + ".new", Pattern(500)));
  ASSERT_EQ(rename((source + ".new").c_str(), source.c_str()), 0);
  ASSERT_EQ(Copy_Data_Made_Ahead(&data, place, &outcome), 1);
  EXPECT_EQ(Read_File(env.temp() + "sub/copy01"), "other bytes");

  // A folder that gives new files another group: dropped unnamed, to be copied there.
  ASSERT_EQ(mkdir((env.temp() + "group").c_str(), 0755), 0);
  if (chown((env.temp() + "group").c_str(), (uid_t)-1, getegid() + 4242) == 0) {
    ASSERT_EQ(Copy_Data_Ahead(source.c_str(), ahead_folder, inheritance, COPY_KERNEL, &data), 1);
    Open(env.temp() + "group/", "copy");
    EXPECT_EQ(Copy_Data_Made_Ahead(&data, place, &outcome), -1);
    EXPECT_TRUE(Files_Below(env.temp() + "group/").empty());
  }

  // Another mount: dropped unnamed, to be copied there as usual.
  Scoped_Tmpfs other(env.root() + "other", "1m");
  if (other.mounted()) {
    ASSERT_EQ(Copy_Data_Ahead(source.c_str(), ahead_folder, inheritance, COPY_KERNEL, &data), 1);
    Open(env.root() + "other/", "copy");
    EXPECT_EQ(Copy_Data_Made_Ahead(&data, place, &outcome), -1);
    EXPECT_TRUE(Files_Below(env.root() + "other/").empty());
  }
  close(ahead_folder);
}
