#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "codec/suffix_list.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

using Conversion = bool (*)(const std::string&, const std::string&);

const std::string kTwelve = "7\n11\n13\n17\n19\n23\n29\n97\n101\n103\n109\n113\n";
const std::string kTwelveCoded = "7\n11\n3\n7\n9\n23\n9\n97\n101\n3\n9\n13\n";
const std::string kTo113 = "2\n3\n5\n7\n11\n13\n17\n19\n23\n29\n31\n37\n41\n43\n47\n53\n59\n61\n67\n71\n73\n"
                           "79\n83\n89\n97\n101\n103\n107\n109\n113\n";
const std::string kTo113Coded = "2\n3\n5\n7\n11\n3\n7\n9\n23\n9\n31\n7\n41\n3\n7\n53\n9\n61\n7\n71\n3\n9\n83\n9\n97\n"
                                "101\n3\n7\n9\n13\n";

TEST(ConversionRuns, ConvertTheListAndCountEveryNumber) {
  const std::string long_token(50, '3');
  const std::string huge_token(BLOCK_SIZE + 10, '4');  // longer than a block
  const struct {
    Conversion run;
    std::string input, output;
    int count;
  } cases[] = {
      {compress_file, kTwelve, kTwelveCoded, 12},
      {compress_file, kTo113, kTo113Coded, 30},
      {compress_file, "7\n11\n13\n17\n19\n23\n29\n97\n101\n103\n109\n113", kTwelveCoded, 12},
      {compress_file, kTwelve + "\n\n  \n", kTwelveCoded, 12},
      {compress_file, "7 11 13\t17\r\n19 23 29 97 101 103 109 113", kTwelveCoded, 12},
      {compress_file, "+7 011 13 17 19 23 29 97 101 103 109 113", kTwelveCoded, 12},
      {compress_file, "7\n11\n13\nPrimes above\n17\n", "7\n11\n3\n", 3},  // stops at a heading
      {compress_file, "5\n5\n", "5\n\n", 2},                                 // a repeat is counted
      {compress_file, "-9223372036854775808 9223372036854775807", "-9223372036854775808\n9223372036854775807\n", 2},
      {compress_file, "", "", 0},  // no number: an empty output
      {compress_file, "Primes\n2\n3\n", "", 0},
      {decompress_file, kTwelveCoded, kTwelve, 12},
      {decompress_file, kTo113Coded, kTo113, 30},
      {decompress_file, "7 11 3\r\n7\n\n9 23 9 97\t101 3 9 13", kTwelve, 12},
      {decompress_file, "0097\n1\n", "0097\n0091\n", 2},  // tokens are copied, not converted
      {decompress_file, "5\n\n", "5\n", 1},                // an empty line restores nothing
      {decompress_file, long_token + "\n4\n", long_token + "\n" + long_token.substr(0, 49) + "4\n", 2},
      {decompress_file, huge_token + " 5", huge_token + "\n" + huge_token.substr(0, BLOCK_SIZE + 9) + "5\n", 2},
      {decompress_file, std::string(BLOCK_SIZE - 2, ' ') + "12345 6", "12345\n12346\n", 2},  // across blocks
      {decompress_file, "\n \n", "", 0},
  };
  const fs::path dir = make_scratch_dir();
  const std::string in = (dir / "in.txt").string();
  const std::string out = (dir / "out.txt").string();
  for (const auto& c : cases) {
    write_bytes(dir / "in.txt", c.input);
    bool ok = false;
    const std::string printed = capture_stdout([&] { ok = c.run(in, out); });
    const std::string verb = c.run == compress_file ? "Komprimuji" : "Dekomprimuji";
    EXPECT_TRUE(ok) << c.input.substr(0, 40);
    EXPECT_EQ(read_bytes(dir / "out.txt"), native_lines(c.output)) << c.input.substr(0, 40);
    EXPECT_EQ(printed, verb + " soubor " + in + " do souboru " + out + "\n\nDokonceno. Celkem: " +
                           std::to_string(c.count) + " prvocisel.\n")
        << c.input.substr(0, 40);
  }
}

TEST(ConversionRuns, RefuseTheInputAsOutputHoweverItIsNamed) {
  const fs::path dir = make_scratch_dir();
  write_bytes(dir / "in.txt", kTwelve);
  std::vector<std::string> names = {"in.txt", "./in.txt", "../" + dir.filename().string() + "/in.txt"};
  std::error_code unsupported;  // links may need rights that Windows does not grant everyone
  fs::create_hard_link(dir / "in.txt", dir / "hard.txt", unsupported);
  if (!unsupported) names.push_back("hard.txt");
  fs::create_symlink(dir / "in.txt", dir / "soft.txt", unsupported);
  if (!unsupported) names.push_back("soft.txt");
  for (Conversion run : {compress_file, decompress_file}) {
    for (const auto& name : names) {
      bool ok = true;
      EXPECT_EQ(capture_stdout([&] { ok = run((dir / "in.txt").string(), (dir / name).string()); }), "");
      EXPECT_FALSE(ok) << name;
      EXPECT_EQ(read_bytes(dir / "in.txt"), kTwelve) << name;
    }
  }
}

}  // namespace
