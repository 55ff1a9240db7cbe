// The conversion runs in-process: the worked examples of the format, what
// each run counts and prints, and how it fails leaving every file as it was.
// The per-number rules on every input are the fuzz oracles' to check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <sstream>
#include <vector>

#include "codec/suffix_list.h"

namespace {

namespace fs = std::filesystem;

using Conversion = bool (*)(const std::string&, const std::string&);

const std::string kTo113 =
    "2\n3\n5\n7\n11\n13\n17\n19\n23\n29\n31\n37\n41\n43\n47\n53\n59\n61\n67\n71\n73\n"
    "79\n83\n89\n97\n101\n103\n107\n109\n113\n";
const std::string kTo113Coded =
    "2\n3\n5\n7\n11\n3\n7\n9\n23\n9\n31\n7\n41\n3\n7\n53\n9\n61\n7\n71\n3\n9\n83\n9\n97\n"
    "101\n3\n7\n9\n13\n";

// A file read in text mode, as the runs write it (the exact line ends are
// checked end to end), or "<missing>" when there is none.
std::string read_text(const fs::path& file) {
  std::ifstream in(file);
  if (!in.is_open() || fs::is_directory(file)) return "<missing>";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A new folder for the test, holding `files` (names and contents). Its name
// is this process's own, so that another user's run cannot stand in its way.
fs::path scratch_dir(const std::vector<std::pair<std::string, std::string>>& files) {
  static const std::string kRun = std::to_string(std::random_device{}());
  const fs::path dir =
      fs::temp_directory_path() /
      ("primepack-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" + kRun);
  fs::remove_all(dir);
  fs::create_directories(dir / "folder");
  for (const auto& [name, bytes] : files) std::ofstream(dir / name, std::ios::binary) << bytes;
  return dir;
}

// Runs `run` from `in` to `out` in `dir`; gives what it printed.
std::string convert(Conversion run, const fs::path& dir, const std::string& in, const std::string& out, bool& ok) {
  std::ostringstream printed;
  std::streambuf* saved = std::cout.rdbuf(printed.rdbuf());
  ok = run((dir / in).string(), (dir / out).string());
  std::cout.rdbuf(saved);
  return printed.str();
}

std::string announcement(Conversion run, const fs::path& dir, const std::string& in, const std::string& out) {
  return (run == compress_file ? "Komprimuji" : "Dekomprimuji") + (" soubor " + (dir / in).string()) + " do souboru " +
         (dir / out).string() + "\n";
}

TEST(ConversionRuns, CodeTheWorkedExamplesAndCountEveryNumber) {
  const std::string longest(MAX_TOKEN_SIZE, '4');
  const struct {
    Conversion run;
    std::string input, output;
    int count;
  } cases[] = {
      {compress_file, kTo113, kTo113Coded, 30},
      {compress_file, "1234 1294 -17 -13", "1234\n94\n-17\n3\n", 4},
      {compress_file, "7\n11\n13\nPrimes above\n17\n", "7\n11\n3\n", 3},  // stops at a heading
      {compress_file, "5\n5\n", "5\n\n", 2},                              // a repeat is counted
      {compress_file, "", "", 0},                                         // an empty list,
      {compress_file, " \r\n\t\n", "", 0},                                // and one of white space alone
      {compress_file,
       "\xEF\xBB\xBF"
       "2\n3\n",
       "2\n3\n", 2},  // a byte order mark is skipped at the start,
      {compress_file,
       "2\n\xEF\xBB\xBF"
       "3\n",
       "2\n", 1},  // and ends a list like any word elsewhere
      {decompress_file,
       "\xEF\xBB\xBF"
       "7\n11\n3\n",
       "7\n11\n13\n", 3},
      {decompress_file, kTo113Coded, kTo113, 30},
      {decompress_file, "100 99", "100\n199\n", 2},       // cannot round-trip: decoded as text
      {decompress_file, "0097\n1\n", "0097\n0091\n", 2},  // tokens are copied, not converted
      {decompress_file, "5\n\n", "5\n", 1},               // an empty line restores nothing
      {decompress_file, "1 " + longest + " 5", "1\n" + longest + "\n" + longest.substr(1) + "5\n", 3},
  };
  for (const auto& c : cases) {
    const fs::path dir = scratch_dir({{"in.txt", c.input}});
    bool ok = false;
    const std::string printed = convert(c.run, dir, "in.txt", "out.txt", ok);
    EXPECT_TRUE(ok) << c.input.substr(0, 40);
    EXPECT_EQ(read_text(dir / "out.txt"), c.output) << c.input.substr(0, 40);
    EXPECT_EQ(printed, announcement(c.run, dir, "in.txt", "out.txt") +
                           "\nDokonceno. Celkem: " + std::to_string(c.count) + " prvocisel.\n");
    fs::remove_all(dir);
  }
}

TEST(ConversionRuns, FailLeavingEveryFileAsItWas) {
  const fs::path dir = scratch_dir({{"in.txt", "7\n11\n13\n"},
                                    {"out.txt", "kept\n"},
                                    {"wide.txt", "1\n18446744073709551616\n"},
                                    {"text.txt", "Primes\n2\n3\n"},
                                    {"long.txt", "1 " + std::string(MAX_TOKEN_SIZE + 1, '7') + " 3"}});
  std::vector<std::pair<std::string, std::string>> cases = {
      {"in.txt", "in.txt"},  // the input as its own output, however it is named
      {"in.txt", "./in.txt"},
      {"in.txt", "../" + dir.filename().string() + "/in.txt"},
      {"in.txt", "no/such/out"},
      {"in.txt", "folder"},
      {"in.txt", std::string(5000, 'n')},  // a name that the system cannot take
      {"folder", "out.txt"},               // a folder is no list
      {"wide.txt", "out.txt"},             // beyond 64 bits (compression only)
      {"text.txt", "out.txt"},             // no number first: no list (compression only)
      {"long.txt", "out.txt"},             // a token too long to keep (decompression only)
  };
  std::error_code unsupported;  // links may need rights that Windows does not grant everyone
  fs::create_hard_link(dir / "in.txt", dir / "hard.txt", unsupported);
  if (!unsupported) cases.emplace_back("in.txt", "hard.txt");
  fs::create_symlink(dir / "in.txt", dir / "soft.txt", unsupported);
  if (!unsupported) cases.emplace_back("in.txt", "soft.txt");
  fs::permissions(dir / "out.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const fs::perms kept_perms = fs::status(dir / "out.txt").permissions();
  const auto entries = [&dir] { return std::distance(fs::directory_iterator(dir), fs::directory_iterator()); };
  const auto kept_entries = entries();
  for (Conversion run : {compress_file, decompress_file}) {
    for (const auto& c : cases) {
      const bool on_the_way =
          run == compress_file ? c.first == "wide.txt" || c.first == "text.txt" : c.first == "long.txt";
      if (!on_the_way && (c.first == "wide.txt" || c.first == "text.txt" || c.first == "long.txt")) continue;
      bool ok = true;
      const std::string printed = convert(run, dir, c.first, c.second, ok);
      EXPECT_FALSE(ok) << c.first << " to " << c.second;
      // Refused before the output is opened, or failed on the way with the row of dots ended.
      EXPECT_EQ(printed, on_the_way ? announcement(run, dir, c.first, c.second) + "\n" : "") << c.second;
      EXPECT_EQ(read_text(dir / "in.txt"), "7\n11\n13\n") << c.first << " to " << c.second;
      EXPECT_EQ(read_text(dir / "out.txt"), "kept\n") << c.first << " to " << c.second;
      EXPECT_EQ(fs::status(dir / "out.txt").permissions(), kept_perms) << c.first << " to " << c.second;
      EXPECT_EQ(entries(), kept_entries) << "a file left beside " << c.second;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
