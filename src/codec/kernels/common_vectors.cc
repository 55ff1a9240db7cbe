// The decoding of the kernels without one of their own ("none" and
// "sse2"), on the vectors that every build has, and the classifiers of
// those vectors and of the portable words.
#include "codec/kernels/instruction_sets.h"
#include "codec/kernels/token_windows.h"

namespace common_vectors {

std::int64_t decode_windows(TokenWindows& windows) { return decode_token_windows<CommonLayer>(windows); }

const ChunkClassifiers classifiers{"common vectors", vectors::white_space_bits, vectors::up_to_blank_bits,
                                   vectors::byte_bits, vectors::digit_bits};
const ChunkClassifiers portable_classifiers{"portable words", portable::white_space_bits, portable::up_to_blank_bits,
                                            portable::byte_bits, portable::digit_bits};

}  // namespace common_vectors
