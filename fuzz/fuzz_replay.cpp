// Replays inputs through the fuzz target without libFuzzer: every file named, or every
// file of every folder named, is read and handed to LLVMFuzzerTestOneInput once. Lets
// a normal (or sanitizer) build run the seed corpus and any crash file as a test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static int Replay(const std::filesystem::path &path)
{
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.eof() && in.fail()) {
    std::fprintf(stderr, "fuzz_replay: cannot read %s\n", path.c_str());
    return 0;
  }
  LLVMFuzzerTestOneInput((const uint8_t *)bytes.data(), bytes.size());
  return 1;
}

int main(int argc, char **argv)
{
  int count = 0;
  for (int i = 1; i < argc; i++) {
    std::filesystem::path path(argv[i]);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      for (const auto &entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file()) count += Replay(entry.path());
    } else {
      count += Replay(path);
    }
  }
  std::printf("fuzz_replay: %d inputs replayed\n", count);
  return count > 0 ? 0 : 1;
}
