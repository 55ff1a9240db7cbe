// The files as the platform opens them: which outputs are refused before
// anything is made, which are written directly, and what a commit and a
// discard leave. Every row starts from an existing out.txt of known bytes
// and mode; nothing may be left beside it. (The rows that need another
// user, a FIFO fed slowly or a signal are end-to-end rows of the dialogue.)
#include "platform/files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in.is_open() || fs::is_directory(file)) return "<missing>";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A new folder for the test, of this process's own, holding in.txt, an
// out.txt of mode 0640 and a folder; the current folder while it lasts.
struct Scratch {
  fs::path dir;
  fs::path saved = fs::current_path();
  Scratch() {
    const std::string run = std::to_string(std::random_device{}());
    dir = fs::temp_directory_path() /
          ("primepack-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" + run);
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "in.txt") << "7\n11\n13\n";
    std::ofstream(dir / "out.txt") << "kept\n";
    fs::permissions(dir / "out.txt", fs::perms(0640));
    fs::current_path(dir);
  }
  ~Scratch() {
    fs::current_path(saved);
    fs::remove_all(dir);
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

InputFile open_in(const char* name) {
  InputFile input;
  EXPECT_TRUE(open_input_file(name, input)) << name;
  return input;
}

constexpr int kInputCopy = 50;  // descriptors that nothing else holds
constexpr int kGoneCopy = 51;

TEST(OutputFiles, RefuseWhatCannotBeWrittenSafelyAndMakeNothing) {
  const std::string deep = std::string(200, 'd') + "/" + std::string(200, 'e');
  const struct {
    std::string name, why;
  } cases[] = {
      {"in.txt", "the input itself"},
      {"./in.txt", "the input by another path"},
      {"folder/../in.txt", "the input through a folder"},
      {"hard.txt", "the input by a hard link"},
      {"soft.txt", "the input by a symbolic link"},
      {"soft-to-soft.txt", "the input by two links"},
      {"/dev/fd/" + std::to_string(kInputCopy), "the input by its descriptor's name"},
      {"no/such/out.txt", "a missing folder"},
      {"folder", "a folder"},
      {"folder/", "a name of a folder"},
      {"", "the empty name of a word too long"},
      {std::string(256, 'n'), "an entry longer than a folder takes"},
      {deep + "/" + std::string(256, 'n'), "the same, behind folders"},
      {"loop.txt", "a loop of links"},
      {"/proc/self/fd/1", "the pipe of standard output, which the messages share"},
      {"/dev/stdin", "the pipe of standard input, which nobody would read"},
      {"/dev/fd/" + std::to_string(kGoneCopy), "a file that has no name left to replace"},
  };
  Scratch scratch;
  fs::create_hard_link("in.txt", "hard.txt");
  fs::create_symlink("in.txt", "soft.txt");
  fs::create_symlink("soft.txt", "soft-to-soft.txt");
  fs::create_symlink("loop.txt", "loop.txt");
  InputFile input = open_in("in.txt");
  ASSERT_EQ(dup2(input.handle, kInputCopy), kInputCopy);
  std::ofstream("gone.txt") << "gone\n";
  const int gone = open("gone.txt", O_RDONLY);
  ASSERT_EQ(dup2(gone, kGoneCopy), kGoneCopy);
  close(gone);
  fs::remove("gone.txt");
  const auto before = scratch.entries();
  std::vector<std::string> opened;
  std::fflush(stdout);
  const int saved_output = dup(STDOUT_FILENO);
  const int saved_input = dup(STDIN_FILENO);
  int pipe_ends[2];
  int input_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  ASSERT_EQ(pipe(input_ends), 0);
  dup2(pipe_ends[1], STDOUT_FILENO);  // as a pipe into the messages' reader
  dup2(input_ends[0], STDIN_FILENO);  // as a pipe from the answers' writer
  for (const auto& c : cases) {
    OutputFile output;
    if (open_output_file(c.name.c_str(), input, output) || output.handle != NO_FILE) opened.push_back(c.why);
  }
  dup2(saved_output, STDOUT_FILENO);
  dup2(saved_input, STDIN_FILENO);
  for (const int file :
       {saved_output, saved_input, pipe_ends[0], pipe_ends[1], input_ends[0], input_ends[1], kInputCopy, kGoneCopy}) {
    close(file);
  }
  close_input_file(input);
  EXPECT_EQ(opened, std::vector<std::string>{});
  EXPECT_EQ(scratch.entries(), before);
  EXPECT_EQ(read_file("in.txt"), "7\n11\n13\n");
  EXPECT_EQ(read_file("out.txt"), "kept\n");
}

TEST(OutputFiles, TakeTheirNameWhenCommittedAndLeaveItWhenDiscarded) {
  const std::string longest(MAX_ENTRY_SIZE, 'n');
  const struct {
    std::string name;     // the output named
    std::string written;  // the file that then holds the list
    fs::perms mode;       // its mode
  } cases[] = {
      {"out.txt", "out.txt", fs::perms(0640)},   // replaced, its mode kept
      {"new.txt", "new.txt", fs::perms(0640)},   // made, as the umask (027) gives
      {"link.txt", "out.txt", fs::perms(0640)},  // through a link, which stays
      {"dangling.txt", "target.txt", fs::perms(0640)},
      {longest, longest, fs::perms(0640)},  // the longest entry, its new file named otherwise
  };
  Scratch scratch;
  const mode_t saved_umask = umask(027);
  fs::create_symlink("out.txt", "link.txt");
  fs::create_symlink("target.txt", "dangling.txt");
  for (const bool commit : {false, true}) {
    for (const auto& c : cases) {
      std::ofstream("out.txt") << "kept\n";
      fs::remove(c.written == "out.txt" ? "none" : c.written);
      const auto before = scratch.entries();
      InputFile input = open_in("in.txt");
      OutputFile output;
      ASSERT_TRUE(open_output_file(c.name.c_str(), input, output)) << c.name;
      close_input_file(input);
      EXPECT_TRUE(write_output_file(output, "2\n3\n", 4));
      if (commit) {
        EXPECT_TRUE(commit_output_file(output)) << c.name;
        EXPECT_EQ(read_file(c.written), "2\n3\n") << c.name;
        EXPECT_EQ(fs::status(c.written).permissions(), c.mode) << c.name;
        EXPECT_TRUE(c.name == c.written || fs::is_symlink(c.name)) << c.name;
      } else {
        discard_output_file(output);
        EXPECT_EQ(read_file("out.txt"), "kept\n") << c.name;
        EXPECT_EQ(scratch.entries(), before) << c.name;
      }
    }
  }
  umask(saved_umask);
  // Nothing else was left beside them.
  EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"dangling.txt", "folder", "in.txt", "link.txt", "new.txt",
                                                         longest, "out.txt", "target.txt"}));
}

TEST(OutputFiles, WriteDevicesDirectly) {
  Scratch scratch;
  InputFile input = open_in("in.txt");
  OutputFile output;
  ASSERT_TRUE(open_output_file("/dev/null", input, output));
  close_input_file(input);
  EXPECT_TRUE(write_output_file(output, "2\n", 2));
  EXPECT_TRUE(commit_output_file(output));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"folder", "in.txt", "out.txt"}));
}

TEST(InputFiles, OpenFilesButNotFoldersAndReadStandardInputOn) {
  Scratch scratch;
  const struct {
    std::string name;
    bool opens;
  } cases[] = {{"in.txt", true}, {"no-such.txt", false}, {"folder", false}, {".", false},
               {"", false},      {"socket", false}};  // a socket that is not standard input: no name opens it
  const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, "socket");
  ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  for (const auto& c : cases) {
    InputFile input;
    EXPECT_EQ(open_input_file(c.name.c_str(), input), c.opens) << c.name;
    close_input_file(input);
  }
  // Standard input that is a file, its first line read as answers: its own
  // name gives the rest, not the file from its start again.
  const int saved_input = dup(STDIN_FILENO);
  const int file = open("in.txt", O_RDONLY);
  dup2(file, STDIN_FILENO);
  close(file);
  ASSERT_EQ(lseek(STDIN_FILENO, 2, SEEK_SET), 2);
  for (const char* name : {"/dev/stdin", "/dev/fd/0", "in.txt"}) {
    InputFile input = open_in(name);
    char got[16] = {};
    EXPECT_EQ(read_input_file(input, got, sizeof got), 6) << name;
    EXPECT_EQ(std::string(got), "11\n13\n") << name;
    close_input_file(input);
    lseek(STDIN_FILENO, 2, SEEK_SET);
  }
  // Standard input that is a socket, which no name opens: its own names
  // give it all the same, each read on from where the last stopped.
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
  ASSERT_EQ(write(ends[0], "17\n19\n", 6), 6);
  dup2(ends[1], STDIN_FILENO);
  for (const auto& [name, rest] : {std::pair{"/dev/stdin", "17\n"}, std::pair{"/dev/fd/0", "19\n"}}) {
    InputFile input = open_in(name);
    char got[4] = {};
    EXPECT_EQ(read_input_file(input, got, 3), 3) << name;
    EXPECT_EQ(std::string(got), rest) << name;
    close_input_file(input);
  }
  for (const int file : {ends[0], ends[1], listening}) close(file);
  dup2(saved_input, STDIN_FILENO);
  close(saved_input);
}

}  // namespace
