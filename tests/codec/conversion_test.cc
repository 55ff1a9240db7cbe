#include <gtest/gtest.h>

#include <filesystem>

#include "codec/suffix_list.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

using Conversion = bool (*)(const std::string&, const std::string&);

struct Outcome {
  bool ok;
  std::string printed;
  std::string output;
};

Outcome run_in(const fs::path& dir, Conversion run, const std::string& input, const std::string& output) {
  Outcome outcome{};
  outcome.printed =
      capture_stdout([&] { outcome.ok = run((dir / input).string(), (dir / output).string()); });
  outcome.output = read_bytes(dir / output);
  return outcome;
}

std::string summary(const fs::path& dir, const char* verb, const std::string& dots, int count) {
  return std::string(verb) + " soubor " + (dir / "in.txt").string() + " do souboru " +
         (dir / "out.txt").string() + "\n" + dots + "\nDokonceno. Celkem: " + std::to_string(count) +
         " prvocisel.\n";
}

const std::string kTwelve = "7\n11\n13\n17\n19\n23\n29\n97\n101\n103\n109\n113\n";
const std::string kTwelveCoded = "7\n11\n3\n7\n9\n23\n9\n97\n101\n3\n9\n13\n";

TEST(CompressFile, CodesTheListAndCountsEveryNumber) {
  const struct {
    std::string input, output;
    int count;
  } cases[] = {
      {kTwelve, kTwelveCoded, 12},
      {"7\n11\n13\n17\n19\n23\n29\n97\n101\n103\n109\n113", kTwelveCoded, 12},  // no final line end
      {kTwelve + "\n\n  \n", kTwelveCoded, 12},
      {"7 11 13\t17\r\n19 23 29 97 101 103 109 113", kTwelveCoded, 12},
      {"+7 011 13 17 19 23 29 97 101 103 109 113", kTwelveCoded, 12},
      {"7\n11\n13\nPrimes above\n17\n", "7\n11\n3\n", 3},  // stops at a heading
      {"5\n5\n", "5\n\n", 2},                                 // a repeat is counted
      {"-9223372036854775808\n9223372036854775807\n", "-9223372036854775808\n9223372036854775807\n", 2},
      {"", "", 0},                                            // no number: empty output
      {" \n\n", "", 0},
      {"Primes\n2\n3\n", "", 0},
  };
  const fs::path dir = make_scratch_dir();
  for (const auto& c : cases) {
    write_bytes(dir / "in.txt", c.input);
    const Outcome outcome = run_in(dir, compress_file, "in.txt", "out.txt");
    EXPECT_TRUE(outcome.ok) << c.input;
    EXPECT_EQ(outcome.output, c.output) << c.input;
    EXPECT_EQ(outcome.printed, summary(dir, "Komprimuji", "", c.count)) << c.input;
  }
}

TEST(DecompressFile, RebuildsOneNumberPerLine) {
  const std::string long_token(50, '3');
  const struct {
    std::string input, output;
    int count;
  } cases[] = {
      {kTwelveCoded, kTwelve, 12},
      {"7 11 3\r\n7\n\n9 23 9 97\t101 3 9 13", kTwelve, 12},
      {"0097\n1\n", "0097\n0091\n", 2},              // tokens are copied, not converted
      {"5\n\n", "5\n", 1},                            // an empty line restores nothing
      {long_token + "\n4\n", long_token + "\n" + long_token.substr(0, 49) + "4\n", 2},
      {"", "", 0},
      {"\n \n", "", 0},
  };
  const fs::path dir = make_scratch_dir();
  for (const auto& c : cases) {
    write_bytes(dir / "in.txt", c.input);
    const Outcome outcome = run_in(dir, decompress_file, "in.txt", "out.txt");
    EXPECT_TRUE(outcome.ok) << c.input;
    EXPECT_EQ(outcome.output, c.output) << c.input;
    EXPECT_EQ(outcome.printed, summary(dir, "Dekomprimuji", "", c.count)) << c.input;
  }
}

TEST(ConversionRuns, ShowADotEveryTenThousandNumbers) {
  const fs::path dir = make_scratch_dir();
  write_bytes(dir / "in.txt", first_primes(25000));
  const Outcome packed = run_in(dir, compress_file, "in.txt", "out.txt");
  EXPECT_TRUE(packed.ok);
  EXPECT_EQ(packed.printed, summary(dir, "Komprimuji", "..", 25000));

  fs::rename(dir / "out.txt", dir / "in.txt");
  const Outcome restored = run_in(dir, decompress_file, "in.txt", "out.txt");
  EXPECT_TRUE(restored.ok);
  EXPECT_EQ(restored.printed, summary(dir, "Dekomprimuji", "..", 25000));
  EXPECT_EQ(restored.output, first_primes(25000));
}

TEST(ConversionRuns, RefuseTheInputAsOutputHoweverItIsNamed) {
  const fs::path dir = make_scratch_dir();
  write_bytes(dir / "in.txt", kTwelve);
  fs::create_hard_link(dir / "in.txt", dir / "hard.txt");
  fs::create_symlink(dir / "in.txt", dir / "soft.txt");
  const std::string names[] = {"in.txt", "./in.txt", "../" + dir.filename().string() + "/in.txt",
                               "hard.txt", "soft.txt"};
  for (Conversion run : {compress_file, decompress_file}) {
    for (const auto& name : names) {
      const Outcome outcome = run_in(dir, run, "in.txt", name);
      EXPECT_FALSE(outcome.ok) << name;
      EXPECT_EQ(outcome.printed, "") << name;
      EXPECT_EQ(read_bytes(dir / "in.txt"), kTwelve) << name;
    }
  }
}

TEST(ConversionRuns, FailWithoutOutputWhenAFileCannotBeUsed) {
  const fs::path dir = make_scratch_dir();
  write_bytes(dir / "in.txt", kTwelve);
  fs::create_directory(dir / "folder");
  const struct {
    Conversion run;
    std::string input, output;
  } cases[] = {
      {compress_file, "missing.txt", "out.txt"},
      {decompress_file, "folder", "out.txt"},
      {compress_file, "in.txt", "no/such/folder/out.txt"},
      {decompress_file, "in.txt", "folder"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = run_in(dir, c.run, c.input, c.output);
    EXPECT_FALSE(outcome.ok) << c.input << " -> " << c.output;
    EXPECT_EQ(outcome.printed, "") << c.input << " -> " << c.output;
  }
  EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

TEST(ConversionRuns, FailAndRemoveTheOutputOnBadNumbersAndWriteErrors) {
  const fs::path dir = make_scratch_dir();
  const std::string many = first_primes(25000);
  const struct {
    Conversion run;
    std::string input, output, dots;
  } cases[] = {
      {compress_file, "1\n2\n9223372036854775808\n", "out.txt", ""},
      {compress_file, many + "-99999999999999999999\n", "out.txt", ".."},
      {compress_file, kTwelve, "/dev/full", ""},
      {compress_file, many, "/dev/full", ".."},
      {decompress_file, kTwelveCoded, "/dev/full", ""},
  };
  for (const auto& c : cases) {
    write_bytes(dir / "in.txt", c.input);
    const fs::path output = c.output.front() == '/' ? fs::path(c.output) : dir / c.output;
    Outcome outcome{};
    outcome.printed = capture_stdout([&] { outcome.ok = c.run((dir / "in.txt").string(), output.string()); });
    const char* verb = c.run == compress_file ? "Komprimuji" : "Dekomprimuji";
    EXPECT_FALSE(outcome.ok) << c.output;
    EXPECT_EQ(outcome.printed, std::string(verb) + " soubor " + (dir / "in.txt").string() + " do souboru " +
                                   output.string() + "\n" + c.dots + "\n")
        << c.output;
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
    EXPECT_TRUE(fs::exists("/dev/full"));
  }
}

}  // namespace
