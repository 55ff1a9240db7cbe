// The one place that chooses a kernel: once, at start, by what the
// processor and the operating system support.
#include <array>
#include <string_view>

#include "codec/kernels/instruction_sets.h"

namespace {

// No window path for compression: numbers one at a time. Decoding by the
// baseline windows on the vectors that every build has.
constexpr Kernel kNone{"none", nullptr, baseline_kernel::decode_windows};
#ifdef PRIMEPACK_KERNEL_SSE2
constexpr Kernel kSse2{"sse2", sse2_kernel::code_windows, baseline_kernel::decode_windows};  // SSE2 already
#endif
#ifdef PRIMEPACK_KERNEL_AVX2
constexpr Kernel kAvx2{"avx2", avx2_kernel::code_windows, avx2_kernel::decode_windows};

// The processor has the instructions, and the system saves their registers
// (which __builtin_cpu_supports checks too).
bool has_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("popcnt");
}
#endif
#ifdef PRIMEPACK_KERNEL_AVX512
constexpr Kernel kAvx512{"avx512", avx512_kernel::code_windows, avx512_kernel::decode_windows};

bool has_avx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
         __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
}
#endif

// At most none, sse2, avx2 and avx512; and as many classifiers, and the
// portable words'.
constexpr std::size_t kMostKernels = 4;

struct Choice {
  std::array<const Kernel*, kMostKernels> here{};
  std::size_t count = 0;
  const Kernel* active = nullptr;
  std::array<const ChunkClassifiers*, kMostKernels + 1> classifiers{};
  std::size_t classifier_count = 0;
};

Choice choose() {
  Choice choice;
  choice.here[choice.count++] = &kNone;
  choice.classifiers[choice.classifier_count++] = &baseline_kernel::portable_classifiers;
#ifdef PRIMEPACK_HAVE_SSE2
  choice.classifiers[choice.classifier_count++] = &baseline_kernel::sse2_classifiers;
#endif
#ifdef PRIMEPACK_KERNEL_SSE2
  choice.here[choice.count++] = &kSse2;
#endif
#ifdef PRIMEPACK_KERNEL_AVX2
  if (has_avx2()) {
    choice.here[choice.count++] = &kAvx2;
    choice.classifiers[choice.classifier_count++] = &avx2_kernel::classifiers;
  }
#endif
#ifdef PRIMEPACK_KERNEL_AVX512
  if (has_avx512()) {
    choice.here[choice.count++] = &kAvx512;
    choice.classifiers[choice.classifier_count++] = &avx512_kernel::classifiers;
  }
#endif
  choice.active = choice.here[choice.count - 1];
#ifdef PRIMEPACK_KERNEL_CAP
  // A benchmark build may cap the choice, to time a kernel against the one
  // below it in whole runs.
  for (std::size_t i = 0; i < choice.count; ++i) {
    if (std::string_view(choice.here[i]->name) == PRIMEPACK_KERNEL_CAP) choice.active = choice.here[i];
  }
#endif
  return choice;
}

const Choice& choice() {
  static const Choice made = choose();
  return made;
}

}  // namespace

const Kernel& active_kernel() { return *choice().active; }

std::span<const Kernel* const> kernels_here() { return {choice().here.data(), choice().count}; }

std::span<const ChunkClassifiers* const> classifiers_here() {
  return {choice().classifiers.data(), choice().classifier_count};
}
