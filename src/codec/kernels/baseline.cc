// The decoding of the kernels without one of their own ("none" and
// "sse2"), on the vectors that every build has, and the classifiers of
// both kinds of vectors.
#include "codec/kernels/instruction_sets.h"
#include "codec/kernels/token_windows.h"

namespace baseline_kernel {

std::int64_t decode_windows(TokenWindows& run) { return decode_token_windows<BaselineLines>(run); }

const ChunkClassifiers portable_classifiers{"portable words", portable::white_space_bits, portable::up_to_blank_bits,
                                            portable::byte_bits, portable::digit_bits};
#ifdef PRIMEPACK_HAVE_SSE2
const ChunkClassifiers sse2_classifiers{"sse2 vectors", sse2::white_space_bits, sse2::up_to_blank_bits, sse2::byte_bits,
                                        sse2::digit_bits};
#endif

}  // namespace baseline_kernel
