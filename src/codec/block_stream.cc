// Blocks in and out of the binary streams: page-aligned buffers, refills
// that stop at a Ctrl-Z where the platform ends a text there, and writes
// of whole blocks.
#include "codec/block_stream.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <istream>
#include <ostream>

#include "platform/interruption.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRIMEPACK_PORTABLE)
#include <emmintrin.h>
#endif

namespace {

// The first byte of [from, to) equal to `byte`, or `to`: 16 at a time where
// SSE2 is at hand, since Windows's memchr takes a byte at a time.
[[maybe_unused]] const char* find_byte(const char* from, const char* to, char byte) {
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(PRIMEPACK_PORTABLE)
  const __m128i wanted = _mm_set1_epi8(byte);
  for (; to - from >= 16; from += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)));
    if (hits != 0) return from + std::countr_zero(hits);
  }
#endif
  return std::find(from, to, byte);
}

// A page-aligned block of `size` bytes within `storage`, with `margin`
// bytes before and behind it, zeroed when `zeroed` (so that what is read
// beyond the data is always defined).
char* make_block(std::unique_ptr<char[]>& storage, std::size_t margin, std::size_t size, bool zeroed) {
  const std::size_t total = margin + PAGE_SIZE + size + margin;
  storage = zeroed ? std::make_unique<char[]>(total) : std::make_unique_for_overwrite<char[]>(total);
  const auto after_margin = reinterpret_cast<std::uintptr_t>(storage.get()) + margin;
  return storage.get() + (margin + (PAGE_SIZE - after_margin % PAGE_SIZE) % PAGE_SIZE);
}

}  // namespace

BlockReader make_reader(std::istream& source, std::size_t block_size) {
  BlockReader in;
  in.source = &source;
  in.block_size = block_size;
  in.block = make_block(in.storage, READ_MARGIN, block_size, true);
  in.next = in.end = in.block;
  return in;
}

BlockWriter make_writer(std::ostream& sink, std::size_t block_size) {
  BlockWriter out;
  out.sink = &sink;
  out.block_size = block_size;
  out.block = make_block(out.storage, WRITE_MARGIN, block_size, false);
  return out;
}

bool refill(BlockReader& in) {
  // An interruption also ends a number or token that never ends, such as
  // the digits of an endless device.
  if (in.failed || in.ended || interrupted()) return false;
  in.source->read(in.block, static_cast<std::streamsize>(in.block_size));
  auto got = static_cast<std::size_t>(in.source->gcount());
  if (!in.started && got < BYTE_ORDER_MARK.size() && got == in.block_size) {
    // A block too small to hold the mark (tests only): the margin takes the rest.
    in.source->read(in.block + got, static_cast<std::streamsize>(BYTE_ORDER_MARK.size() - got));
    got += static_cast<std::size_t>(in.source->gcount());
  }
  // A read error sets badbit (the end of input only sets eofbit and failbit).
  if (in.source->bad()) in.failed = true;
  if constexpr (ENDS_AT_CTRL_Z) {
    const char* stop = find_byte(in.block, in.block + got, '\x1a');
    in.ended = stop < in.block + got;
    got = static_cast<std::size_t>(stop - in.block);
  }
  in.next = in.block;
  in.end = in.block + got;
  if (!in.started) {
    in.started = true;
    if (std::string_view(in.block, got).starts_with(BYTE_ORDER_MARK)) {
      in.next += BYTE_ORDER_MARK.size();
      if (in.next == in.end && !in.failed) return refill(in);  // the block held nothing else
    }
  }
  return got > 0 && !in.failed;
}

namespace {

void put_block(BlockWriter& out, const char* data, std::size_t size) {
  if (out.failed || size == 0) return;
  if (!out.sink->write(data, static_cast<std::streamsize>(size))) out.failed = true;
}

}  // namespace

void drain_writer(BlockWriter& out) {
  if (out.used < out.block_size) return;
  put_block(out, out.block, out.block_size);
  out.used -= out.block_size;
  std::memcpy(out.block, out.block + out.block_size, out.used);
}

void write_line(BlockWriter& out, std::string_view text) {
  for (;;) {
    drain_writer(out);
    const std::size_t part = std::min(text.size(), out.block_size - out.used);
    std::memcpy(out.block + out.used, text.data(), part);
    out.used += part;
    text.remove_prefix(part);
    if (text.empty()) break;
  }
  out.used = static_cast<std::size_t>(put_line_end(out.block + out.used) - out.block);
}

bool flush_writer(BlockWriter& out) {
  put_block(out, out.block, out.used);
  out.used = 0;
  if (!out.failed && !out.sink->flush()) out.failed = true;
  return !out.failed;
}
