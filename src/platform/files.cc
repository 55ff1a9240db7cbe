// Opening the named files: UTF-8 names on Windows, bytes elsewhere. An
// output is made beside its name and renamed over it once complete.
#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "platform/interruption.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

std::filesystem::path file_path(const std::string& name) {
#ifdef _WIN32
  return std::u8string_view(reinterpret_cast<const char8_t*>(name.data()), name.size());
#else
  return name;
#endif
}

bool open_input_file(const std::string& name, std::ifstream& file) {
  const std::filesystem::path path = file_path(name);
  std::error_code ignored;
  if (std::filesystem::is_directory(path, ignored)) return false;
  file.open(path, std::ios::in | std::ios::binary);
  return file.is_open();
}

namespace {

constexpr auto kWrite = std::ios::out | std::ios::trunc | std::ios::binary;

// `path` with its symbolic links followed, so that the file they lead to
// is replaced and the links stay. A loop of links is left to fail on opening.
fs::path through_links(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) break;
    const fs::path next = fs::read_symlink(path, error);
    if (error) break;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return path;
}

// The name of a temporary file beside `target`, from a draw of `seed`: a
// hidden one on Linux, which says whose file it stands for.
fs::path temporary_name(const fs::path& target, std::uint64_t seed) {
  constexpr std::string_view kLetters = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string draw = ".";
  for (int i = 0; i < 6; ++i, seed /= kLetters.size()) draw += kLetters[seed % kLetters.size()];
  fs::path leaf = target.filename();
  if (leaf.native().size() > 200) leaf = "primepack";  // the name and the draw must fit a folder entry
  fs::path name = ".";
  name += leaf;
  name += draw;
  return target.parent_path() / name;
}

// Draws that differ between processes and between tries (splitmix64).
std::uint64_t draw(std::uint64_t attempt) {
#ifdef _WIN32
  const std::uint64_t process = GetCurrentProcessId();
#else
  const auto process = static_cast<std::uint64_t>(getpid());
#endif
  std::uint64_t z = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    process << 40 ^ (attempt + 1) * 0x9e3779b97f4a7c15ULL;
  z = (z ^ z >> 30) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ z >> 27) * 0x94d049bb133111ebULL;
  return z ^ z >> 31;
}

enum class Created {
  created,
  taken,    // another file has the name
  refused,  // no file can be made there
  failed,   // made, but the system reported an error on closing it
};

// Creates `path` only if no file has that name; streams cannot promise that.
// A new file gets the permission bits that creating any file gives.
Created create_new(const fs::path& path) {
#ifdef _WIN32
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) return CloseHandle(file) ? Created::created : Created::failed;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Created::taken : Created::refused;
#else
  const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (file >= 0) return close(file) == 0 ? Created::created : Created::failed;
  return errno == EEXIST ? Created::taken : Created::refused;
#endif
}

// Gives `to` the owner and group of `from` where the system lets us (any,
// for root; a group of our own, for others), as writing in place kept them.
// Streams know no owners.
void keep_owner(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  (void)from, (void)to;  // a new file takes the folder's permissions
#else
  struct stat old {};
  if (stat(from.c_str(), &old) != 0) return;
  if (chown(to.c_str(), old.st_uid, old.st_gid) != 0 && chown(to.c_str(), static_cast<uid_t>(-1), old.st_gid) != 0) {
    // Neither: it stays ours, as any file that we create.
  }
#endif
}

// True when every part of `path` fits a folder entry: 255 bytes on Linux,
// 255 UTF-16 units on Windows. A longer part names no file, which the
// system would only tell at the rename, once the whole run is written.
bool fits_folder_entries(const fs::path& path) {
  return std::ranges::all_of(path, [](const fs::path& part) { return part.native().size() <= 255; });
}

// Puts `from` in the place of `to` in one step, replacing what stood there.
bool replace(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  std::error_code error;
  fs::rename(from, to, error);
  return !error;
#endif
}

}  // namespace

bool open_output_file(const std::string& name, OutputFile& output) {
  if (name.empty()) return false;  // an answer too long to be a name
  output.target = through_links(file_path(name));
  std::error_code unknown;
  const fs::file_status status = fs::status(output.target, unknown);
  // A name that the system cannot take (too long) fails now, not at the
  // rename once the whole run is written.
  if (!fits_folder_entries(output.target) || (unknown && status.type() != fs::file_type::not_found)) return false;
  if (fs::exists(status) && !fs::is_regular_file(status)) {  // a device, a pipe or a terminal; a folder fails
    output.stream.open(output.target, kWrite);
    return output.stream.is_open();
  }
  if (fs::exists(status) && !std::ofstream(output.target, std::ios::app | std::ios::binary).is_open()) {
    return false;  // a file that the user may not write stays refused
  }
  // Made and noted for removal as one step, so that no interruption can
  // leave it behind.
  Created made = Created::taken;
  for (std::uint64_t attempt = 0; attempt < 100 && made == Created::taken; ++attempt) {
    output.temporary = temporary_name(output.target, draw(attempt));
    const bool stopped = hold_interruptions();
    if (!stopped) made = create_new(output.temporary);
    if (made == Created::created || made == Created::failed) remove_on_interruption(output.temporary);
    release_interruptions();
    if (stopped) break;
  }
  if (made != Created::created) {
    // No file can be made beside it (or a signal came): nothing is written,
    // since writing in place would lose the old file if the run failed.
    if (made == Created::failed) discard_output_file(output);
    output.temporary.clear();
    return false;
  }
  bool ready = true;
  if (fs::exists(status)) {
    keep_owner(output.target, output.temporary);
    // The permission bits, not set-user-ID and the like, which a new owner must not gain.
    std::error_code error;
    fs::permissions(output.temporary, status.permissions() & fs::perms::all, error);
    ready = !error;
  }
  if (ready) output.stream.open(output.temporary, kWrite);
  if (output.stream.is_open()) return true;
  discard_output_file(output);
  return false;
}

bool commit_output_file(OutputFile& output) {
  output.stream.close();                   // may wait on a pipe: an interruption still ends it
  if (output.stream.fail()) return false;  // the data may not have reached the file
  if (output.temporary.empty()) return true;
  // Renamed only if no signal came first; one that comes while held finds
  // the file still to remove once released.
  const bool renamed = !hold_interruptions() && replace(output.temporary, output.target);
  if (renamed) {
    forget_on_interruption();
    output.temporary.clear();
  }
  release_interruptions();
  return renamed;
}

void discard_output_file(OutputFile& output) {
  if (output.stream.is_open()) output.stream.close();
  if (output.temporary.empty()) return;
  std::error_code ignored;
  fs::remove(output.temporary, ignored);
  forget_on_interruption();
  output.temporary.clear();
}
