// Blocks in from a source and out to a sink: page-aligned buffers, refills
// that skip a byte order mark at the start, and writes of whole blocks.
#include "codec/block_stream.h"

#include <algorithm>
#include <cstdint>

namespace {

// A page-aligned block of `size` bytes within `storage`, with `margin`
// bytes before and behind it, and `extra` bytes after those, zeroed when
// `zeroed` (so that what is read beyond the data is always defined). Null
// when the memory cannot be had.
char* make_block(Storage& storage, std::size_t margin, std::size_t size, std::size_t extra, bool zeroed) {
  const std::size_t total = margin + PAGE_SIZE + size + margin + extra;
  storage.reset(static_cast<char*>(zeroed ? std::calloc(total, 1) : std::malloc(total)));
  if (storage == nullptr) return nullptr;
  const auto after_margin = reinterpret_cast<std::uintptr_t>(storage.get()) + margin;
  return storage.get() + (margin + (PAGE_SIZE - after_margin % PAGE_SIZE) % PAGE_SIZE);
}

// Reads until `size` bytes came or the source ended: a pipe gives what it
// holds, and a short block would only mean more calls.
std::size_t read_fully(BlockReader& in, char* to, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const std::ptrdiff_t part = in.source.read(in.source.context, to + got, size - got);
    if (part <= 0) {
      in.failed = part < 0;
      break;
    }
    got += static_cast<std::size_t>(part);
  }
  return got;
}

}  // namespace

bool make_reader(BlockReader& in, Source source, std::size_t block_size) {
  in.source = source;
  in.block_size = block_size;
  in.block = make_block(in.storage, READ_MARGIN, block_size, SPILL_SIZE, true);
  if (in.block == nullptr) return false;
  in.spill = in.block + block_size + READ_MARGIN;
  in.next = in.end = in.block;
  return true;
}

bool make_writer(BlockWriter& out, Sink sink, std::size_t block_size) {
  out.sink = sink;
  out.block_size = block_size;
  out.block = make_block(out.storage, WRITE_MARGIN, block_size, 0, false);
  return out.block != nullptr;
}

bool refill(BlockReader& in) {
  if (in.failed || in.ended) return false;
  std::size_t got = read_fully(in, in.block, in.block_size);
  if (!in.started && got < BYTE_ORDER_MARK.size() && got == in.block_size && !in.failed) {
    // A block too small to hold the mark (tests only): the margin takes the rest.
    got += read_fully(in, in.block + got, BYTE_ORDER_MARK.size() - got);
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
  if (!out.sink.write(out.sink.context, data, size)) out.failed = true;
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
  return !out.failed;
}
