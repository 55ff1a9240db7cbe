// The two conversion runs on a source and a sink, and the steps that they
// repeat until the input ends. Each run has two steps: a span of items
// coded many at a time while they lie well inside the block and take no
// special care, and a single item coded the general way, which takes
// everything else.
#pragma once

#include <cstdint>

#include "codec/block_stream.h"
#include "codec/kernels/kernel.h"
#include "codec/suffix_list.h"

// Shows `dots` progress dots: one for every PROGRESS_INTERVAL numbers.
using ShowDots = void (*)(std::int64_t dots);

// Converts everything that `in` holds into `out`, with `kernel`'s window
// paths, showing the dots as the count passes each PROGRESS_INTERVAL, and
// hands all that was written to the sink. Gives how many numbers it
// converted in `count`. False when the input holds a number or token that
// cannot be converted (see the steps), or reading or writing failed.
bool compress_list(const Kernel& kernel, BlockReader& in, BlockWriter& out, ShowDots dots, std::int64_t& count);
bool decompress_list(const Kernel& kernel, BlockReader& in, BlockWriter& out, ShowDots dots, std::int64_t& count);

// Either run, for those that take one of them.
using ListConversion = decltype(&compress_list);

enum class Step {
  item,    // one number was converted
  end,     // the input holds no further number
  failed,  // the input holds a number or token that cannot be converted
};

// What compression keeps from one number to the next, and the kernel that
// codes its windows.
struct CompressState {
  NumberText number;  // the number last read, its text rebuilt in canonical form
  NumberText prev;    // empty at first, so that the first number is written in full
  const Kernel* kernel = &active_kernel();
};

// Codes the numbers from `in.next` on that are written as bare digits in
// canonical form and certain to be in range, while they lie well inside
// the block. Gives how many it coded, 0 when the next number needs care.
std::int64_t compress_span(CompressState& state, BlockReader& in, BlockWriter& out);

// Reads the next number of a plain list and writes its line of the
// suffix-coded list. Fails on a number beyond signed 64 bits, and on an
// input whose first word is not a number.
Step compress_item(CompressState& state, BlockReader& in, BlockWriter& out);

// What decompression keeps from one number to the next, and the kernel
// that decodes its windows.
struct DecompressState {
  DecodedText current;  // empty at first, so that the first token is taken whole
  const Kernel* kernel = &active_kernel();
};

// Decodes the tokens from `in.next` on while they and the decoded text fit
// a vector and lie well inside the block. Gives how many it decoded.
std::int64_t decompress_span(DecompressState& state, BlockReader& in, BlockWriter& out);

// Reads the next token of a suffix-coded list and writes the number it
// stands for on a line of its own. Fails on a token longer than
// MAX_TOKEN_SIZE.
Step decompress_item(DecompressState& state, BlockReader& in, BlockWriter& out);
