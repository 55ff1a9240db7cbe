#include "codec/text_stream.h"

#include <filesystem>
#include <istream>
#include <ostream>

TextReader make_reader(std::istream& source, std::size_t block_size) {
  TextReader in;
  in.source = &source;
  in.block_size = block_size;
  in.buffer = std::make_unique_for_overwrite<char[]>(block_size);
  in.next = in.end = in.buffer.get();
  return in;
}

TextWriter make_writer(std::ostream& sink) {
  TextWriter out;
  out.sink = &sink;
  out.buffer = std::make_unique_for_overwrite<char[]>(BLOCK_SIZE + SHORT_LINE);
  return out;
}

bool open_input_file(const std::string& name, std::ifstream& file) {
  std::error_code ignored;
  if (std::filesystem::is_directory(name, ignored)) return false;
  file.open(name, std::ios::in);
  return file.is_open();
}

bool refill(TextReader& in) {
  if (in.failed) return false;
  in.source->read(in.buffer.get(), static_cast<std::streamsize>(in.block_size));
  const auto got = static_cast<std::size_t>(in.source->gcount());
  // A read error sets badbit (the end of input only sets eofbit and failbit).
  if (in.source->bad()) in.failed = true;
  in.next = in.buffer.get();
  in.end = in.next + got;
  return got > 0 && !in.failed;
}

namespace {

void put_block(TextWriter& out, const char* data, std::size_t size) {
  if (out.failed || size == 0) return;
  if (!out.sink->write(data, static_cast<std::streamsize>(size))) out.failed = true;
}

}  // namespace

void drain_writer(TextWriter& out) {
  put_block(out, out.buffer.get(), out.used);
  out.used = 0;
}

void write_long_line(TextWriter& out, std::string_view text) {
  drain_writer(out);
  if (text.size() >= BLOCK_SIZE) {
    put_block(out, text.data(), text.size());
    text = {};
  }
  write_line(out, text);
}

bool flush_writer(TextWriter& out) {
  drain_writer(out);
  if (!out.failed && !out.sink->flush()) out.failed = true;
  return !out.failed;
}
