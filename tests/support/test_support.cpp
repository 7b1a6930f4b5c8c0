// Test fixtures shared by every test folder.
#include "support/test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/wait.h>
#include <gtest/gtest.h>
#include <zlib.h>

static std::mutex capture_mutex;
static Message_Capture *active_capture = nullptr;

static int Capture_Sink(Window_Handle, int kind, const char *text)
{
  std::lock_guard<std::mutex> lock(capture_mutex);
  if (active_capture) active_capture->messages.emplace_back(kind, text);
  return kind == MSG_QUESTION ? 0 : 1;
}

Scoped_Temp_Env::Scoped_Temp_Env()
{
  const char *base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/harrowdesk-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  if (!mkdtemp(buffer.data())) std::abort();
  root_ = std::string(buffer.data()) + "/";
  app_data_ = root_ + "appdata/";
  temp_ = root_ + "tmp/";
  state_ = root_ + "state/";
  std::filesystem::create_directories(app_data_);
  std::filesystem::create_directories(temp_);
  if (const char *v = std::getenv("HARROWDESK_APPDATA")) had_appdata_ = true, saved_appdata_ = v;
  if (const char *v = std::getenv("TMPDIR")) had_tmpdir_ = true, saved_tmpdir_ = v;
  if (const char *v = std::getenv("XDG_STATE_HOME")) had_state_ = true, saved_state_ = v;
  setenv("HARROWDESK_APPDATA", app_data_.c_str(), 1);
  setenv("TMPDIR", temp_.c_str(), 1);
  setenv("XDG_STATE_HOME", state_.c_str(), 1);
}

Scoped_Temp_Env::~Scoped_Temp_Env()
{
  if (had_appdata_) setenv("HARROWDESK_APPDATA", saved_appdata_.c_str(), 1);
  else unsetenv("HARROWDESK_APPDATA");
  if (had_tmpdir_) setenv("TMPDIR", saved_tmpdir_.c_str(), 1);
  else unsetenv("TMPDIR");
  if (had_state_) setenv("XDG_STATE_HOME", saved_state_.c_str(), 1);
  else unsetenv("XDG_STATE_HOME");
  std::error_code ignored;
  std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ignored);
  for (auto &entry : std::filesystem::recursive_directory_iterator(root_, ignored))
    if (entry.is_directory(ignored)) std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(root_, ignored);
}

Message_Capture::Message_Capture(signed char level)
{
  saved_sink_ = Message_Callback.load();
  saved_level_ = trace_level.load();
  trace_level = level;
  std::lock_guard<std::mutex> lock(capture_mutex);
  active_capture = this;
  Message_Callback = Capture_Sink;
}

Message_Capture::~Message_Capture()
{
  std::lock_guard<std::mutex> lock(capture_mutex);
  active_capture = nullptr;
  Message_Callback = saved_sink_;
  trace_level = saved_level_;
}

std::vector<std::string> Message_Capture::Texts(int kind) const
{
  std::vector<std::string> texts;
  for (auto &[k, text] : messages)
    if (kind == 0 || k == kind) texts.push_back(text);
  return texts;
}

int Message_Capture::Count(int kind, const std::string &part) const
{
  int count = 0;
  for (auto &[k, text] : messages)
    if ((kind == 0 || k == kind) && text.find(part) != std::string::npos) count++;
  return count;
}

void Message_Capture::Clear() { messages.clear(); }

std::string Read_File(const std::string &path)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool Write_File(const std::string &path, const std::string &bytes)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), (std::streamsize)bytes.size());
  return (bool)out;
}

std::vector<std::string> Files_Below(const std::string &folder)
{
  std::vector<std::string> files;
  std::error_code ignored;
  std::filesystem::recursive_directory_iterator walk(folder, ignored), end;
  for (; walk != end; walk.increment(ignored))
    if (!walk->is_directory(ignored) || walk->is_symlink(ignored))
      files.push_back(std::filesystem::relative(walk->path(), folder, ignored).string());
  std::sort(files.begin(), files.end());
  return files;
}

std::string Raw_Deflate(const std::string &bytes, bool finish)
{
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, bytes.size()) + 64, '\0');
  z.next_in = (Bytef *)bytes.data();
  z.avail_in = (uInt)bytes.size();
  z.next_out = (Bytef *)out.data();
  z.avail_out = (uInt)out.size();
  deflate(&z, finish ? Z_FINISH : Z_FULL_FLUSH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Run_Command(const std::string &command, int *status)
{
  std::string output;
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return output;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int raw = pclose(pipe);
  if (status) *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

std::string Source_Dir() { return HARROWDESK_SOURCE_DIR; }
std::string Binary_Dir() { return HARROWDESK_BINARY_DIR; }
