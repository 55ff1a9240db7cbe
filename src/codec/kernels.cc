// The one place that chooses a kernel: once, at start, by what the
// processor and the operating system support.
#include "codec/kernels.h"

#include <array>

namespace {

// No window path for compression: numbers one at a time. Decoding on the
// vectors that every build has (SSE2, or the portable words).
constexpr Kernel kNone{"none", nullptr, plain::decode_windows};
#ifdef PRIMEPACK_KERNEL_SSE2
constexpr Kernel kSse2{"sse2", sse2::code_windows, plain::decode_windows};  // SSE2 already
#endif
#ifdef PRIMEPACK_KERNEL_AVX2
constexpr Kernel kAvx2{"avx2", avx2::code_windows, avx2::decode_windows};

// The processor has the instructions, and the system saves their registers
// (which __builtin_cpu_supports checks too).
bool has_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("popcnt");
}
#endif
#ifdef PRIMEPACK_KERNEL_AVX512
constexpr Kernel kAvx512{"avx512", avx512::code_windows, avx512::decode_windows};

bool has_avx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
         __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("popcnt");
}
#endif

struct Choice {
  std::array<const Kernel*, 4> here{};
  std::size_t count = 0;
  const Kernel* active = nullptr;
};

Choice choose() {
  Choice choice;
  choice.here[choice.count++] = &kNone;
#ifdef PRIMEPACK_KERNEL_SSE2
  choice.here[choice.count++] = &kSse2;
#endif
#ifdef PRIMEPACK_KERNEL_AVX2
  if (has_avx2()) choice.here[choice.count++] = &kAvx2;
#endif
#ifdef PRIMEPACK_KERNEL_AVX512
  if (has_avx512()) choice.here[choice.count++] = &kAvx512;
#endif
  choice.active = choice.here[choice.count - 1];
  return choice;
}

Choice& choice() {
  static Choice made = choose();
  return made;
}

}  // namespace

std::int64_t plain::decode_windows(TokenWindows& run) { return decode_token_windows<PlainLines>(run); }

const Kernel& active_kernel() { return *choice().active; }

std::span<const Kernel* const> kernels_here() { return {choice().here.data(), choice().count}; }

void use_kernel(const Kernel& kernel) { choice().active = &kernel; }
