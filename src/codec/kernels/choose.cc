// The kernel table and the one place that chooses from it: once, at start,
// by what the processor and the operating system support. Everything that
// lists kernels (the choice, kernels_here, the fuzz program's checks)
// derives from the table.
#include <array>
#include <string_view>

#include "codec/kernels/instruction_sets.h"

namespace {

// No window path for compression: numbers one at a time. Decoding by the
// windows on the vectors that every build has.
constexpr KernelRow kNone{
    {"none", nullptr, common_vectors::decode_windows}, on_any_processor, &common_vectors::classifiers};

}  // namespace

// Each kernel's row, defined in its own file.
#ifdef PRIMEPACK_X86_KERNELS
namespace sse2_kernel {
extern const KernelRow row;
}
namespace avx2_kernel {
extern const KernelRow row;
}
namespace avx512_kernel {
extern const KernelRow row;
}
#endif

namespace {

// The kernels that the build holds, from the least preferred to the most:
// the last one that runs here is chosen.
constexpr std::array kTable{
    &kNone,
#ifdef PRIMEPACK_X86_KERNELS
    &sse2_kernel::row,
    &avx2_kernel::row,
    &avx512_kernel::row,
#endif
};

struct Choice {
  std::array<const KernelRow*, kTable.size()> rows{};
  std::array<const Kernel*, kTable.size()> kernels{};
  std::size_t count = 0;
  const Kernel* active = nullptr;
};

Choice choose() {
  Choice choice;
  for (const KernelRow* row : kTable) {
    if (!row->runs_here()) continue;
    choice.rows[choice.count] = row;
    choice.kernels[choice.count++] = &row->kernel;
  }
  choice.active = choice.kernels[choice.count - 1];
#ifdef PRIMEPACK_KERNEL_CAP
  // A benchmark build may cap the choice, to time a kernel against the one
  // below it in whole runs.
  for (std::size_t i = 0; i < choice.count; ++i) {
    if (std::string_view(choice.kernels[i]->name) == PRIMEPACK_KERNEL_CAP) choice.active = choice.kernels[i];
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

std::span<const Kernel* const> kernels_here() { return {choice().kernels.data(), choice().count}; }

std::span<const KernelRow* const> kernel_rows_here() { return {choice().rows.data(), choice().count}; }
