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
const std::string kList = "2\n3\n5\n7\n11\n13\n";
const std::string kListCoded = "2\n3\n5\n7\n11\n3\n";

// How the tool is started (Linux): "$1" is the tool; what it prints goes to
// .printed. Other rows show what happens when the platform intervenes.
const std::string kPlain = "\"$1\" < .answers > .printed";
const std::string kSizeLimit = "ulimit -f 50; " + kPlain;
const std::string kReaderGone = "{ sleep 0.3; \"$1\" < .answers; } | true; exit ${PIPESTATUS[0]}";
const std::string kTerminated =  // a list of one endless number, then SIGTERM
    "mkfifo zeros.txt; yes 0 | tr -d '\\n' 1<> zeros.txt & feeder=$!\n"
    "\"$1\" < .answers > .printed & tool=$!\n"
    "for i in $(seq 500); do [ -e out.txt ] && break; sleep 0.01; done; sleep 0.2; kill -TERM $tool\n"
    "for i in $(seq 200); do kill -0 $tool 2> /dev/null || break; sleep 0.05; done; kill -KILL $tool 2> /dev/null\n"
    "wait $tool; status=$?; kill $feeder; exit $status";

struct Session {
  int status;
  std::string printed;
};

// Runs the tool in `dir` with `answers` as its standard input, as `shell`
// says (on Windows always plainly).
Session run_tool(const fs::path& dir, const std::string& answers, const std::string& shell = kPlain) {
  write_bytes(dir / ".answers", answers);
#ifdef _WIN32
  (void)shell;
  const std::string command = "cd /d \"" + dir.string() + "\" && \"" PRIMEPACK_EXE "\" < .answers > .printed";
  const int status = std::system(command.c_str());
#else
  write_bytes(dir / ".run.sh", shell);
  const std::string command = "cd '" + dir.string() + "' && bash .run.sh '" PRIMEPACK_EXE "'";
  const int raw = std::system(command.c_str());
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  return {status, read_bytes(dir / ".printed")};
}

std::string announced(const char* verb, const std::string& in, const std::string& out) {
  return std::string(verb) + " soubor " + in + " do souboru " + out + "\n";
}

std::string done(int count) { return "\nDokonceno. Celkem: " + std::to_string(count) + " prvocisel.\n"; }

TEST(Dialogue, AsksConvertsAndReports) {
  const std::string long_name = "a-name-of-more-than-twenty-characters.txt";
  const std::string pack = kModePrompt + kPackPrompt + kOutputPrompt;
  const std::string unpack = kModePrompt + kUnpackPrompt + kOutputPrompt;
  const std::string full = kFullDevice.string();
  const struct {
    std::string answers, printed;
    int status = 1;
    std::string shell = kPlain, file = "out.txt", content = "<missing>";  // what `file` holds afterwards
  } cases[] = {
      {"k primes.txt packed.txt", pack + announced("Komprimuji", "primes.txt", "packed.txt") + done(6), 0, kPlain,
       "packed.txt", kListCoded},
      {"x y\nK\n\nk\nprimes.txt\npacked.txt\n", pack + announced("Komprimuji", "primes.txt", "packed.txt") + done(6), 0,
       kPlain, "packed.txt", kListCoded},
      {"d coded.txt plain.txt", unpack + announced("Dekomprimuji", "coded.txt", "plain.txt") + done(6), 0, kPlain,
       "plain.txt", kList},
      {"kd out.txt", pack + announced("Komprimuji", "d", "out.txt") + done(1), 0, kPlain, "out.txt", "5\n"},
      {"k my file.txt primes.txt out.txt",  // no blank in a name
       kModePrompt + kPackPrompt + kMissing + kPackPrompt + kMissing + pack.substr(kModePrompt.size()) +
           announced("Komprimuji", "primes.txt", "out.txt") + done(6),
       0, kPlain, "out.txt", kListCoded},
      {"k folder primes.txt " + long_name,
       kModePrompt + kPackPrompt + kMissing + pack.substr(kModePrompt.size()) +
           announced("Komprimuji", "primes.txt", long_name) + done(6),
       0, kPlain, long_name, kListCoded},
      {"d coded.txt out.txt", "<missing>", 0, kReaderGone, "out.txt", kList},  // messages lost, list kept
      // Standard input ends before the dialogue is answered: nothing converted.
      {"", kModePrompt + "\n"},
      {"x K y\n", kModePrompt + "\n"},
      {"k", kModePrompt + kPackPrompt + "\n"},
      {"k missing.txt", kModePrompt + kPackPrompt + kMissing + kPackPrompt + "\n"},
      {"k primes.txt", pack + "\n"},
      // A failed run: one error message, on a line of its own after the dots.
      {"k primes.txt no/such/out.txt", pack + kError},
      {"k huge.txt " + full, pack + announced("Komprimuji", "huge.txt", full) + "..\n" + kError},
      {"d huge.txt " + full, unpack + announced("Dekomprimuji", "huge.txt", full) + "..\n" + kError},
      {"k huge.txt out.txt", pack + announced("Komprimuji", "huge.txt", "out.txt") + "..\n" + kError, 1, kSizeLimit},
      {"k zeros.txt out.txt", pack + announced("Komprimuji", "zeros.txt", "out.txt") + "\n", 128 + 15, kTerminated},
  };
  for (const auto& c : cases) {
#ifdef _WIN32
    if (c.shell != kPlain || c.answers.find(full) != std::string::npos) continue;
#endif
    const fs::path dir = make_scratch_dir();
    write_bytes(dir / "primes.txt", kList);
    write_bytes(dir / "coded.txt", kListCoded);
    write_bytes(dir / "d", "5\n");
    write_bytes(dir / "huge.txt", primes_below(287118));  // 25000 primes
    fs::create_directory(dir / "folder");
    const Session session = run_tool(dir, c.answers, c.shell);
    EXPECT_EQ(session.status, c.status) << c.answers;
    EXPECT_EQ(session.printed, native_lines(c.printed)) << c.answers;
    EXPECT_EQ(read_bytes(dir / c.file), native_lines(c.content)) << c.answers;
    EXPECT_EQ(read_bytes(dir / "primes.txt"), kList) << c.answers;
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
                                         announced("Komprimuji", "primes.txt", "packed.txt") + dots + done(664579)));
  const Session restored = run_tool(dir, "d\npacked.txt\nrestored.txt\n");
  EXPECT_EQ(restored.status, 0);
  EXPECT_EQ(restored.printed,
            native_lines(kModePrompt + kUnpackPrompt + kOutputPrompt +
                         announced("Dekomprimuji", "packed.txt", "restored.txt") + dots + done(664579)));
  EXPECT_EQ(read_bytes(dir / "restored.txt"), native_lines(primes));
  EXPECT_LT(fs::file_size(dir / "packed.txt"), native_lines(primes).size() / 2);
}

}  // namespace
