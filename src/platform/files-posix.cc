// The files on Linux: descriptors opened once, and an output made in the
// folder that was opened for it, every later step relative to that folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstring>
#include <string_view>

#include "platform/files.h"
#include "platform/interruption.h"

namespace {

// Each call again while a signal that the run does not end at (a stop and
// continue, say) interrupts it.
template <typename Call>
auto again_if_interrupted(Call call) {
  for (;;) {
    const auto result = call();
    if (!(result < 0 && errno == EINTR)) return result;
  }
}

FileIdentity identity_of(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino), true};
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.device == b.device && a.file == b.file;
}

FileIdentity identity_of_handle(int handle) {
  struct stat status {};
  return fstat(handle, &status) == 0 ? identity_of(status) : FileIdentity{};
}

void close_handle(FileHandle& handle) {
  if (handle != NO_FILE) close(handle);
  handle = NO_FILE;
}

// Opens the folder of `path` (relative to `base`) and gives the entry that
// `path` names in it. False when `path` names a folder itself (it ends in
// a slash), its entry is too long for a folder, or its folder cannot be
// opened.
bool open_folder_of(int base, const char* path, int& folder, const char*& entry) {
  const char* slash = std::strrchr(path, '/');
  entry = slash != nullptr ? slash + 1 : path;
  if (*entry == '\0' || std::strlen(entry) > MAX_ENTRY_SIZE) return false;
  char part[PATH_MAX];
  if (slash == nullptr) {
    std::strcpy(part, ".");
  } else if (slash == path) {
    std::strcpy(part, "/");
  } else {
    const auto size = static_cast<std::size_t>(slash - path);
    if (size >= sizeof part) return false;
    std::memcpy(part, path, size);
    part[size] = '\0';
  }
  folder = again_if_interrupted([&] { return openat(base, part, O_PATH | O_DIRECTORY | O_CLOEXEC); });
  return folder >= 0;
}

// The folder and entry that `name` leads to through its symbolic links, so
// that the file they lead to is replaced and the links stay: each link's
// text is taken relative to the folder that holds the link, never looked
// up from the start again.
bool follow_links(const char* name, OutputFile& output) {
  const char* entry = nullptr;
  if (!open_folder_of(AT_FDCWD, name, output.folder, entry)) return false;
  char link[PATH_MAX];
  for (int hops = 0; hops < 40; ++hops) {
    std::strcpy(output.target, entry);
    const ssize_t size = readlinkat(output.folder, output.target, link, sizeof link);
    if (size < 0) return errno == EINVAL || errno == ENOENT;  // not a link: the entry itself
    if (static_cast<std::size_t>(size) == sizeof link) return false;
    link[size] = '\0';
    int next = NO_FILE;
    const bool opened = open_folder_of(link[0] == '/' ? AT_FDCWD : output.folder, link, next, entry);
    close_handle(output.folder);
    output.folder = next;
    if (!opened) return false;
    // `entry` points into `link`, which the next pass overwrites: it was copied first.
  }
  return false;  // a loop of links
}

// A name for the new file beside `target`, from a draw of `seed`: hidden,
// and saying whose file it stands for.
void temporary_name(const char* target, std::uint64_t seed, char* name) {
  constexpr std::string_view kLetters = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  // The name and the draw must fit a folder entry.
  const char* leaf = std::strlen(target) > MAX_ENTRY_SIZE - 8 ? "primepack" : target;
  char* at = name;
  *at++ = '.';
  at = std::strcpy(at, leaf) + std::strlen(leaf);
  *at++ = '.';
  for (int i = 0; i < 6; ++i, seed /= kLetters.size()) *at++ = kLetters[seed % kLetters.size()];
  *at = '\0';
}

// Draws that differ between processes and between tries (splitmix64).
std::uint64_t draw(std::uint64_t attempt) {
  std::uint64_t z = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    static_cast<std::uint64_t>(getpid()) << 40 ^ (attempt + 1) * 0x9e3779b97f4a7c15ULL;
  z = (z ^ z >> 30) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ z >> 27) * 0x94d049bb133111ebULL;
  return z ^ z >> 31;
}

// Gives the new file a hidden name beside the target, `link` making the
// entry, trying draws until one is free, and notes it for removal in the
// same step, so that no interruption can leave it behind. Call while
// holding the signals.
template <typename Link>
bool name_beside(OutputFile& output, Link link) {
  for (std::uint64_t attempt = 0; attempt < 100; ++attempt) {
    temporary_name(output.target, draw(attempt), output.temporary);
    if (link()) {
      remove_on_interruption(output.folder, output.temporary);
      return true;
    }
    if (errno != EEXIST) break;
  }
  output.temporary[0] = '\0';
  return false;
}

// Makes the new file in the folder: without a name where the file system
// can (then nothing is left of it however the process ends, until the
// commit names it), else under a hidden name, created exclusively. A
// replacement is made private (0600) from the start: it takes the old
// file's mode only once it has taken its other rights.
bool create_beside(OutputFile& output) {
  const mode_t mode = output.old != NO_FILE ? 0600 : 0666;
  output.handle =
      again_if_interrupted([&] { return openat(output.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode); });
  if (output.handle != NO_FILE) return true;
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;  // a file system without them
  if (hold_interruptions()) {
    release_interruptions();
    return false;
  }
  const bool made = name_beside(output, [&] {
    output.handle = again_if_interrupted([&] {
      return openat(output.folder, output.temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
    });
    return output.handle != NO_FILE;
  });
  release_interruptions();
  return made;
}

// Gives the nameless new file a name in the folder: through the
// descriptor's entry in /proc, or by the descriptor itself where the
// process may (root, without /proc).
bool link_nameless(int file, int folder, const char* name) {
  char path[32] = "/proc/self/fd/";
  *std::to_chars(path + 14, path + sizeof path - 1, file).ptr = '\0';
  if (linkat(AT_FDCWD, path, folder, name, AT_SYMLINK_FOLLOW) == 0) return true;
  return errno == ENOENT && linkat(file, "", folder, name, AT_EMPTY_PATH) == 0;
}

// Whether a failed call on an attribute means only that this file system,
// or this user, cannot have it: then the attribute is not the file's to keep.
bool not_ours_to_keep(const char* name) {
  const bool kept_by_owner = std::strncmp(name, "user.", 5) == 0 || std::strncmp(name, "system.posix_acl", 16) == 0;
  return errno == ENOTSUP || errno == EOPNOTSUPP || (!kept_by_owner && (errno == EPERM || errno == EACCES));
}

constexpr const char* kAccessAcl = "system.posix_acl_access";

// Gives the new file the old one's extended attributes, its access control
// list among them; an access control list that the new file inherited
// from its folder goes, where the old file had none.
bool copy_attributes(int from, int to) {
  static char names[XATTR_LIST_MAX];
  static char value[XATTR_SIZE_MAX];
  const ssize_t listed = flistxattr(from, names, sizeof names);
  if (listed < 0 && errno != ENOTSUP && errno != EOPNOTSUPP) return false;
  bool had_acl = false;
  for (ssize_t at = 0; at < listed; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
    const char* name = names + at;
    const ssize_t size = fgetxattr(from, name, value, sizeof value);
    if (size < 0) {
      if (errno == ENODATA) continue;  // gone since it was listed
      return false;
    }
    had_acl = had_acl || std::strcmp(name, kAccessAcl) == 0;
    // Writing a file in place drops its capabilities: a new one gets none.
    if (std::strcmp(name, "security.capability") == 0) continue;
    if (fsetxattr(to, name, value, static_cast<std::size_t>(size), 0) != 0 && !not_ours_to_keep(name)) return false;
  }
  return had_acl || fremovexattr(to, kAccessAcl) == 0 || errno == ENODATA || errno == ENOTSUP || errno == EOPNOTSUPP;
}

// Gives the new file the owner and group of the old where the system lets
// us (any, for root; a group of our own, for others), its attributes, and
// then its permission bits (not set-user-ID and the like, which a new
// owner must not gain).
bool take_rights(int from, int to) {
  struct stat old {};
  if (fstat(from, &old) != 0) return false;
  if (fchown(to, old.st_uid, old.st_gid) != 0 && fchown(to, static_cast<uid_t>(-1), old.st_gid) != 0) {
    // Neither: it stays ours, as any file that we create.
  }
  return copy_attributes(from, to) && fchmod(to, old.st_mode & 0777) == 0;
}

// Whether a sticky folder would refuse to let us rename over `old`: only
// its owner, the folder's owner or root may.
bool sticky_refuses(int folder, int old) {
  struct stat folder_status {};
  struct stat old_status {};
  if (fstat(folder, &folder_status) != 0 || fstat(old, &old_status) != 0) return true;
  const uid_t me = geteuid();
  return (folder_status.st_mode & S_ISVTX) != 0 && me != 0 && me != old_status.st_uid && me != folder_status.st_uid;
}

// Whether the folder keeps every entry made in it (append-only or
// immutable): a new file could be named there, but never renamed over the
// output nor removed again.
bool keeps_entries(int folder) {
  struct statx status {};
  if (statx(folder, "", AT_EMPTY_PATH, 0, &status) != 0) return true;
  return (status.stx_attributes & status.stx_attributes_mask & (STATX_ATTR_APPEND | STATX_ATTR_IMMUTABLE)) != 0;
}

// The pipe or socket of standard output, where the messages would land in
// the list, or of standard input, which nobody would read: the run would
// wait on it for ever once it was full.
bool is_standard_stream(const struct stat& status) {
  if (!S_ISFIFO(status.st_mode) && !S_ISSOCK(status.st_mode)) return false;
  const FileIdentity identity = identity_of(status);
  return same_file(identity, identity_of_handle(STDOUT_FILENO)) ||
         same_file(identity, identity_of_handle(STDIN_FILENO));
}

// The output once the name was opened as a file that is not a regular one:
// written directly.
bool take_directly(const InputFile& input, OutputFile& output, int file) {
  struct stat status {};
  if (fstat(file, &status) != 0 || same_file(identity_of(status), input.identity) || is_standard_stream(status)) {
    close(file);
    return false;
  }
  output.handle = file;
  output.beside = false;
  return true;
}

}  // namespace

bool open_input_file(const char* name, InputFile& input) {
  int file = again_if_interrupted([&] { return open(name, O_RDONLY | O_NOCTTY | O_CLOEXEC); });
  struct stat status {};
  if (file < 0) {
    // No name opens a socket, but standard input's own name (/dev/stdin)
    // still tells it: checked below.
    if (stat(name, &status) != 0 || !S_ISSOCK(status.st_mode)) return false;
  } else if (fstat(file, &status) != 0 || S_ISDIR(status.st_mode)) {
    close(file);
    return false;
  }
  input.identity = identity_of(status);
  if (same_file(input.identity, identity_of_handle(STDIN_FILENO))) {
    // Standard input itself, read on from where the answers ended.
    if (file >= 0) close(file);
    file = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
  }
  if (file < 0) return false;
  // A pipe as large as an ordinary process may make it: its writer then
  // hands over a block at a time instead of switching with us every 64 KiB.
  if (S_ISFIFO(status.st_mode)) fcntl(file, F_SETPIPE_SZ, 1 << 20);
  input.handle = file;
  return true;
}

std::ptrdiff_t read_input_file(InputFile& input, char* to, std::size_t size) {
  return again_if_interrupted([&] { return read(input.handle, to, size); });
}

void close_input_file(InputFile& input) { close_handle(input.handle); }

bool open_output_file(const char* name, const InputFile& input, OutputFile& output) {
  if (*name == '\0') return false;  // an answer too long to be a name
  // Opened as it stands for writing, the name tells what it is, and whether
  // we may write it, without a change to it.
  const int file = again_if_interrupted([&] { return open(name, O_WRONLY | O_NOCTTY | O_CLOEXEC); });
  if (file < 0 && errno != ENOENT) return false;  // a folder, a file that we may not write, a name too long
  struct stat status {};
  if (file >= 0 && (fstat(file, &status) != 0 || !S_ISREG(status.st_mode))) {
    return take_directly(input, output, file);  // a device, a pipe or a terminal
  }
  output.old = file;
  output.beside = true;
  struct stat entry {};
  const bool ready =
      follow_links(name, output) && !keeps_entries(output.folder) &&
      // The entry the links led to must be the file opened, or stay absent.
      (file >= 0 ? fstatat(output.folder, output.target, &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
                       same_file(identity_of(entry), identity_of(status)) &&
                       !same_file(identity_of(status), input.identity) && !sticky_refuses(output.folder, file)
                 : fstatat(output.folder, output.target, &entry, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) &&
      create_beside(output) && (output.old == NO_FILE || take_rights(output.old, output.handle));
  if (!ready) discard_output_file(output);
  return ready;
}

bool write_output_file(OutputFile& output, const char* from, std::size_t size) {
  while (size > 0) {
    const ssize_t wrote = again_if_interrupted([&] { return write(output.handle, from, size); });
    if (wrote <= 0) return false;
    from += wrote;
    size -= static_cast<std::size_t>(wrote);
  }
  return true;
}

bool commit_output_file(OutputFile& output) {
  // The old file's data stay until the new ones are on the disk: a new
  // output, with nothing under its name to lose, is not forced.
  if (output.old != NO_FILE && fsync(output.handle) != 0) return false;
  if (output.beside && output.temporary[0] == '\0') {
    const bool named = !hold_interruptions() && name_beside(output, [&] {
      return link_nameless(output.handle, output.folder, output.temporary);
    });
    release_interruptions();
    if (!named) return false;
  }
  // A failed or interrupted close may have lost data: it fails the run.
  const bool closed = close(output.handle) == 0;
  output.handle = NO_FILE;
  if (!closed) return false;
  if (!output.beside) return true;
  bool renamed = false;
  if (!hold_interruptions()) {
    renamed = renameat(output.folder, output.temporary, output.folder, output.target) == 0;
    if (renamed) {
      forget_on_interruption();
      output.temporary[0] = '\0';
      drop_held_interruptions();
    }
  }
  release_interruptions();
  if (renamed) discard_output_file(output);  // closes the folder and the old file
  return renamed;
}

void discard_output_file(OutputFile& output) {
  close_handle(output.handle);
  if (output.temporary[0] != '\0') {
    unlinkat(output.folder, output.temporary, 0);
    forget_on_interruption();
    output.temporary[0] = '\0';
  }
  close_handle(output.folder);
  close_handle(output.old);
}
