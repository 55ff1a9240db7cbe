// End-to-end tests: the built tool run in a scratch folder with a scripted
// standard input.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string kModePrompt = "Komprimovat (k) nebo dekomprimovat (d)?: ";
const std::string kPackPrompt = "Zadejte nazev komprimovaneho souboru: ";
const std::string kUnpackPrompt = "Zadejte nazev dokomprimovaneho souboru: ";
const std::string kOutputPrompt = "Zadejte nazev vystupniho souboru: ";
const std::string kMissing = "Tento soubor neexistuje\n";
const std::string kError = "Chyba pri praci se soubory\n";
const std::string kTwelve = "7\n11\n13\n17\n19\n23\n29\n97\n101\n103\n109\n113\n";
const std::string kTwelveCoded = "7\n11\n3\n7\n9\n23\n9\n97\n101\n3\n9\n13\n";

struct Session {
  int status;
  std::string printed;
};

// Runs the tool in `dir` with `answers` as its standard input.
Session run_tool(const fs::path& dir, const std::string& answers) {
  write_bytes(dir / ".answers", answers);
#ifdef _WIN32
  const std::string command = "cd /d \"" + dir.string() + "\" && \"" PRIMEPACK_EXE "\" < .answers > .printed";
  const int status = std::system(command.c_str());
#else
  const std::string command = "cd '" + dir.string() + "' && '" PRIMEPACK_EXE "' < .answers > .printed";
  const int raw = std::system(command.c_str());
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  Session session{status, read_bytes(dir / ".printed")};
  fs::remove(dir / ".answers");
  fs::remove(dir / ".printed");
  return session;
}

std::string announced(const char* verb, const std::string& in, const std::string& out) {
  return std::string(verb) + " soubor " + in + " do souboru " + out + "\n";
}

std::string done(int count) { return "\nDokonceno. Celkem: " + std::to_string(count) + " prvocisel.\n"; }

TEST(Dialogue, ChoosesTheModeAndNamesFromWhateverIsTyped) {
  const std::string long_name = "a-name-of-more-than-twenty-characters.txt";
  const struct {
    std::string answers, printed, file, content;
  } cases[] = {
      {"k primes.txt packed.txt",
       kModePrompt + kPackPrompt + kOutputPrompt + announced("Komprimuji", "primes.txt", "packed.txt") + done(12),
       "packed.txt", kTwelveCoded},
      {"x y\nK\n\nk\nprimes.txt\npacked.txt\n",
       kModePrompt + kPackPrompt + kOutputPrompt + announced("Komprimuji", "primes.txt", "packed.txt") + done(12),
       "packed.txt", kTwelveCoded},
      {"d coded.txt plain.txt",
       kModePrompt + kUnpackPrompt + kOutputPrompt + announced("Dekomprimuji", "coded.txt", "plain.txt") + done(12),
       "plain.txt", kTwelve},
      {"kd out.txt",  // d is read as the input name
       kModePrompt + kPackPrompt + kOutputPrompt + announced("Komprimuji", "d", "out.txt") + done(1), "out.txt",
       "5\n"},
      {"k my file.txt primes.txt out.txt",  // no blank in a name
       kModePrompt + kPackPrompt + kMissing + kPackPrompt + kMissing + kPackPrompt + kOutputPrompt +
           announced("Komprimuji", "primes.txt", "out.txt") + done(12),
       "out.txt", kTwelveCoded},
      {"k folder primes.txt " + long_name,
       kModePrompt + kPackPrompt + kMissing + kPackPrompt + kOutputPrompt +
           announced("Komprimuji", "primes.txt", long_name) + done(12),
       long_name, kTwelveCoded},
  };
  for (const auto& c : cases) {
    const fs::path dir = make_scratch_dir();
    write_bytes(dir / "primes.txt", kTwelve);
    write_bytes(dir / "coded.txt", kTwelveCoded);
    write_bytes(dir / "d", "5\n");
    fs::create_directory(dir / "folder");
    const Session session = run_tool(dir, c.answers);
    EXPECT_EQ(session.status, 0) << c.answers;
    EXPECT_EQ(session.printed, native_lines(c.printed)) << c.answers;
    EXPECT_EQ(read_bytes(dir / c.file), native_lines(c.content)) << c.answers;
  }
}

TEST(Dialogue, ReportsFailuresAndExitsWithOne) {
  const struct {
    std::string answers, printed;
  } cases[] = {
      {"", kModePrompt + "\n"},  // standard input ends: nothing converted
      {"x K y\n", kModePrompt + "\n"},
      {"k", kModePrompt + kPackPrompt + "\n"},
      {"k missing.txt", kModePrompt + kPackPrompt + kMissing + kPackPrompt + "\n"},
      {"k primes.txt", kModePrompt + kPackPrompt + kOutputPrompt + "\n"},
      {"k primes.txt no/such/folder.txt", kModePrompt + kPackPrompt + kOutputPrompt + kError},
      {"d primes.txt folder", kModePrompt + kUnpackPrompt + kOutputPrompt + kError},
      {"k primes.txt ./primes.txt", kModePrompt + kPackPrompt + kOutputPrompt + kError},
      {"d primes.txt link.txt", kModePrompt + kUnpackPrompt + kOutputPrompt + kError},
      {"k huge.txt " + kFullDevice.string(),
       kModePrompt + kPackPrompt + kOutputPrompt + announced("Komprimuji", "huge.txt", kFullDevice.string()) +
           "..\n" + kError},
      {"d huge.txt " + kFullDevice.string(),
       kModePrompt + kUnpackPrompt + kOutputPrompt + announced("Dekomprimuji", "huge.txt", kFullDevice.string()) +
           "..\n" + kError},
      {"k big.txt out.txt",
       kModePrompt + kPackPrompt + kOutputPrompt + announced("Komprimuji", "big.txt", "out.txt") + "\n" + kError},
  };
  for (const auto& c : cases) {
    const fs::path dir = make_scratch_dir();
    write_bytes(dir / "primes.txt", kTwelve);
    write_bytes(dir / "huge.txt", primes_below(287118));  // 25000 primes
    write_bytes(dir / "big.txt", "1\n18446744073709551616\n");
    fs::create_directory(dir / "folder");
    std::error_code unsupported;
    fs::create_symlink("primes.txt", dir / "link.txt", unsupported);
    if (unsupported && c.answers.find("link.txt") != std::string::npos) continue;
    if (c.answers.find(kFullDevice.string()) != std::string::npos && !fs::exists(kFullDevice)) continue;
    const Session session = run_tool(dir, c.answers);
    EXPECT_EQ(session.status, 1) << c.answers;
    EXPECT_EQ(session.printed, native_lines(c.printed)) << c.answers;
    EXPECT_EQ(read_bytes(dir / "primes.txt"), kTwelve) << c.answers;
    EXPECT_FALSE(fs::exists(dir / "out.txt")) << c.answers;
  }
}

TEST(Dialogue, RoundTripsThePrimesBelowTenMillionByteForByte) {
  const fs::path dir = make_scratch_dir();
  const std::string primes = primes_below(10'000'000);
  write_bytes(dir / "primes.txt", primes);
  const std::string dots(664579 / 10000, '.');
  const Session packed = run_tool(dir, "k\nprimes.txt\npacked.txt\n");
  EXPECT_EQ(packed.status, 0);
  EXPECT_EQ(packed.printed, native_lines(kModePrompt + kPackPrompt + kOutputPrompt +
                                         announced("Komprimuji", "primes.txt", "packed.txt") + dots +
                                         done(664579)));
  const Session restored = run_tool(dir, "d\npacked.txt\nrestored.txt\n");
  EXPECT_EQ(restored.status, 0);
  EXPECT_EQ(restored.printed, native_lines(kModePrompt + kUnpackPrompt + kOutputPrompt +
                                           announced("Dekomprimuji", "packed.txt", "restored.txt") + dots +
                                           done(664579)));
  EXPECT_EQ(read_bytes(dir / "restored.txt"), native_lines(primes));
  EXPECT_LT(fs::file_size(dir / "packed.txt"), native_lines(primes).size() / 2);
}

}  // namespace
