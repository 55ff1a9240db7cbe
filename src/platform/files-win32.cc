// The files on Windows: handles opened once, UTF-8 names turned into UTF-16
// in fixed buffers, and an output made in the folder that the system says
// holds it, that folder held open until the run is done so that it cannot
// be moved or renamed meanwhile.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <cstring>
#include <cwchar>

#include "platform/files.h"
#include "platform/interruption.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A path as long as Windows takes one, with its terminating zero.
struct WidePath {
  wchar_t text[32768];
};

// Too large for the stack beside the dialogue's names; a process runs one
// conversion, and each is filled just before its use.
WidePath wide_name;                                 // the user's name
WidePath target_path, temporary_path, backup_path;  // full paths where a call takes only names

// The UTF-8 name as UTF-16. False for an empty name, one that is no UTF-8,
// or one longer than a path.
bool widen(const char* name, WidePath& path) {
  return *name != '\0' && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, path.text,
                                              sizeof path.text / sizeof(wchar_t)) > 0;
}

FileIdentity identity_of(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info)) return {};
  return {info.dwVolumeSerialNumber, std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow, true};
}

bool same_file(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.device == b.device && a.file == b.file;
}

void close_handle(FileHandle& handle) {
  if (handle != NO_FILE) CloseHandle(handle);
  handle = NO_FILE;
}

// The path that `file` has now, through every link: "\\?\C:\folder\name",
// or "\\?\Volume{...}\folder\name" on a volume without a drive letter.
bool final_path(HANDLE file, WidePath& path) {
  for (const DWORD volume : {VOLUME_NAME_DOS, VOLUME_NAME_GUID}) {
    const DWORD size =
        GetFinalPathNameByHandleW(file, path.text, sizeof path.text / sizeof(wchar_t), FILE_NAME_NORMALIZED | volume);
    if (size > 0 && size < sizeof path.text / sizeof(wchar_t)) return true;
  }
  return false;
}

// The full path of `entry` in the folder that `folder` is now. With `nt`,
// as a rename by handle takes it ("\??\C:\..." for "\\?\C:\...").
bool path_in(HANDLE folder, const wchar_t* entry, WidePath& path, bool nt = false) {
  if (!final_path(folder, path)) return false;
  std::size_t size = std::wcslen(path.text);
  if (path.text[size - 1] != L'\\') path.text[size++] = L'\\';  // a volume's root has its own
  const std::size_t entry_size = std::wcslen(entry);
  if (size + entry_size >= sizeof path.text / sizeof(wchar_t)) return false;
  std::wmemcpy(path.text + size, entry, entry_size + 1);
  if (nt) path.text[1] = L'?';
  return true;
}

// Opens the folder that `path` names, so that it cannot be moved, renamed
// or removed until the handle is closed: reading its entries without
// sharing deletion refuses any opening that a rename needs.
bool open_folder(const wchar_t* path, HANDLE& folder) {
  folder = CreateFileW(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return folder != NO_FILE;
}

// Takes the last part of `path` (the part after its last backslash) as
// the target in `output`, and opens the folder up to it. False when that
// part is too long for a folder entry.
bool take_folder_and_entry(wchar_t* path, wchar_t* last_part, OutputFile& output) {
  const std::size_t size = std::wcslen(last_part);
  if (size == 0 || size > MAX_ENTRY_SIZE) return false;
  std::wmemcpy(output.target, last_part, size + 1);
  const wchar_t kept = *last_part;
  *last_part = L'\0';  // the folder, with its trailing backslash
  const bool opened = open_folder(path, output.folder);
  *last_part = kept;
  return opened;
}

// Whether `file`, found through the folder and target of `output`, is
// what stands there, or (for NO_FILE) nothing does: the paths used at the
// commit lead where the checks were made.
bool target_is(const OutputFile& output, HANDLE file) {
  if (!path_in(output.folder, output.target, target_path)) return false;
  const HANDLE found = CreateFileW(target_path.text, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (found == NO_FILE) return file == NO_FILE && GetLastError() == ERROR_FILE_NOT_FOUND;
  const bool same = file != NO_FILE && same_file(identity_of(found), identity_of(file));
  CloseHandle(found);
  return same;
}

// Whether the user's name goes on past its drive with a colon: a stream
// of a file, which is no file of its own to be replaced.
bool names_a_stream(const wchar_t* name) {
  if (std::wcsncmp(name, L"\\\\?\\", 4) == 0 || std::wcsncmp(name, L"\\\\.\\", 4) == 0) name += 4;
  if (name[0] != L'\0' && name[1] == L':') name += 2;
  return std::wcschr(name, L':') != nullptr;
}

// A name for the new file beside `target`, from a draw of `seed`: it says
// whose file it stands for.
void temporary_name(const wchar_t* target, std::uint64_t seed, wchar_t* name) {
  constexpr wchar_t kLetters[] = L"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  constexpr std::uint64_t kCount = sizeof kLetters / sizeof(wchar_t) - 1;
  // The name and the draw must fit a folder entry.
  const wchar_t* leaf = std::wcslen(target) > MAX_ENTRY_SIZE - 8 ? L"primepack" : target;
  wchar_t* at = name;
  *at++ = L'.';
  const std::size_t size = std::wcslen(leaf);
  at = std::wmemcpy(at, leaf, size) + size;
  *at++ = L'.';
  for (int i = 0; i < 6; ++i, seed /= kCount) *at++ = kLetters[seed % kCount];
  *at = L'\0';
}

// Draws that differ between processes and between tries (splitmix64).
std::uint64_t draw(std::uint64_t attempt) {
  std::uint64_t z = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                    std::uint64_t{GetCurrentProcessId()} << 40 ^ (attempt + 1) * 0x9e3779b97f4a7c15ULL;
  z = (z ^ z >> 30) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ z >> 27) * 0x94d049bb133111ebULL;
  return z ^ z >> 31;
}

// Marks the file of `handle` to go when the handle is closed, or takes the
// mark off. While it is on, nobody can open the file, and however the
// process ends, nothing of it is left.
bool delete_on_close(HANDLE handle, bool remove) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = remove ? TRUE : FALSE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

// Makes the new file beside the target, under a name that no file has,
// marked to go at its close until the commit takes the mark off. A
// replacement takes the old file's attributes (hidden, system...) at
// once, so that a failure to take them fails the run before it starts.
bool create_beside(OutputFile& output) {
  for (std::uint64_t attempt = 0; attempt < 100; ++attempt) {
    temporary_name(output.target, draw(attempt), output.temporary);
    if (!path_in(output.folder, output.temporary, temporary_path)) break;
    output.handle = CreateFileW(temporary_path.text, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output.handle != NO_FILE) break;
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (output.handle == NO_FILE) {
    output.temporary[0] = L'\0';
    return false;
  }
  if (!delete_on_close(output.handle, true)) return false;  // discard_output_file removes it by its name
  if (output.old == NO_FILE) return true;
  BY_HANDLE_FILE_INFORMATION old{};
  if (!GetFileInformationByHandle(output.old, &old)) return false;
  FILE_BASIC_INFO basic{};  // times left as they are
  basic.FileAttributes = old.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  // None of them: the new file keeps the attributes it was made with.
  return basic.FileAttributes == 0 || SetFileInformationByHandle(output.handle, FileBasicInfo, &basic, sizeof basic);
}

// The output once the name was opened as a device (NUL, CON) or a pipe:
// written directly. Standard output's own pipe cannot be named: opening a
// pipe by its name connects a new instance of it, which the messages do
// not share.
bool take_directly(const InputFile& input, OutputFile& output, HANDLE file) {
  if (same_file(identity_of(file), input.identity)) {
    CloseHandle(file);
    return false;
  }
  output.handle = file;
  output.beside = false;
  return true;
}

// A name beside the target that no file has now, and its full path.
bool free_name_beside(const OutputFile& output, wchar_t* name, WidePath& path) {
  for (std::uint64_t attempt = 0; attempt < 100; ++attempt) {
    temporary_name(output.target, draw(attempt), name);
    if (!path_in(output.folder, name, path)) return false;
    if (GetFileAttributesW(path.text) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND) return true;
  }
  return false;
}

// Puts the new file under the name of a file that had none, by its handle:
// the mark comes off only for the rename, and goes back on if it fails.
bool move_new(OutputFile& output) {
  if (!path_in(output.folder, output.target, target_path, true)) return false;
  const std::size_t size = std::wcslen(target_path.text) * sizeof(wchar_t);
  alignas(FILE_RENAME_INFO) static char rename[sizeof(FILE_RENAME_INFO) + sizeof target_path.text];
  auto& info = *reinterpret_cast<FILE_RENAME_INFO*>(rename);
  info.ReplaceIfExists = FALSE;  // a file that came meanwhile is not ours to replace
  info.RootDirectory = nullptr;
  info.FileNameLength = static_cast<DWORD>(size);
  std::memcpy(info.FileName, target_path.text, size + sizeof(wchar_t));
  if (!delete_on_close(output.handle, false)) return false;
  if (!SetFileInformationByHandle(output.handle, FileRenameInfo, &info,
                                  static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + size))) {
    delete_on_close(output.handle, true);
    return false;
  }
  output.temporary[0] = L'\0';
  const bool closed = CloseHandle(output.handle) != 0;
  output.handle = NO_FILE;
  return closed;
}

// Puts the new file in the place of the old one with ReplaceFileW, which
// gives it the old file's attributes, security and streams. The old file
// is kept aside under a name of its own until the new one stands, so that
// no failure loses both: on a failure ReplaceFileW leaves the old file
// under its name or aside, from where it is put back.
bool replace_old(OutputFile& output) {
  wchar_t backup[MAX_ENTRY_SIZE + 1];
  if (!free_name_beside(output, backup, backup_path) || !path_in(output.folder, output.target, target_path) ||
      !path_in(output.folder, output.temporary, temporary_path) || !delete_on_close(output.handle, false)) {
    return false;
  }
  // ReplaceFileW opens both files itself: neither may stay open here.
  const bool closed = CloseHandle(output.handle) != 0;
  output.handle = NO_FILE;
  close_handle(output.old);
  if (!closed) return false;
  if (!ReplaceFileW(target_path.text, temporary_path.text, backup_path.text, 0, nullptr, nullptr)) {
    if (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileExW(backup_path.text, target_path.text, 0);
    return false;
  }
  output.temporary[0] = L'\0';
  DeleteFileW(backup_path.text);
  return true;
}

}  // namespace

bool open_input_file(const char* name, InputFile& input) {
  if (!widen(name, wide_name)) return false;
  // Opening a folder too lets its handle tell that it is one.
  HANDLE file =
      CreateFileW(wide_name.text, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == NO_FILE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file) == FILE_TYPE_DISK &&
      (!GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) {
    CloseHandle(file);
    return false;
  }
  input.identity = identity_of(file);
  const HANDLE standard_input = GetStdHandle(STD_INPUT_HANDLE);
  if (same_file(input.identity, identity_of(standard_input))) {
    // Standard input itself, read on from where the answers ended.
    CloseHandle(file);
    if (!DuplicateHandle(GetCurrentProcess(), standard_input, GetCurrentProcess(), &file, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
      return false;
    }
  }
  input.handle = file;
  return true;
}

std::ptrdiff_t read_input_file(InputFile& input, char* to, std::size_t size) {
  DWORD got = 0;
  const auto asked = static_cast<DWORD>(size < (1u << 30) ? size : 1u << 30);
  if (ReadFile(input.handle, to, asked, &got, nullptr)) return got;
  // A pipe whose writer closed has ended; a read cancelled at an
  // interruption has failed.
  return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

void close_input_file(InputFile& input) { close_handle(input.handle); }

bool open_output_file(const char* name, const InputFile& input, OutputFile& output) {
  if (!widen(name, wide_name)) return false;  // an answer too long to be a name
  // Opened as it stands for writing, the name tells what it is, and whether
  // we may write it, without a change to it.
  const HANDLE file =
      CreateFileW(wide_name.text, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == NO_FILE && GetLastError() != ERROR_FILE_NOT_FOUND) return false;  // a folder, a read-only file...
  if (file != NO_FILE && GetFileType(file) != FILE_TYPE_DISK) return take_directly(input, output, file);
  output.beside = true;
  bool ready = !names_a_stream(wide_name.text);
  if (file != NO_FILE) {
    // The old file is held with the right to delete it, which ReplaceFileW
    // needs: nobody can open it meanwhile in a way that would refuse the
    // commit. Its final path is where it is, through every link, so that
    // the file linked to is replaced and the link stays.
    output.old = ReOpenFile(file, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, 0);
    CloseHandle(file);
    wchar_t* last_part = nullptr;
    ready = ready && output.old != NO_FILE && !same_file(identity_of(output.old), input.identity) &&
            final_path(output.old, target_path) && (last_part = std::wcsrchr(target_path.text, L'\\')) != nullptr &&
            take_folder_and_entry(target_path.text, last_part + 1, output) && target_is(output, output.old);
  } else {
    // A new file: the folder that the name leads to, however it is written
    // ("C:name", "..\name", trailing dots that Windows drops).
    wchar_t* last_part = nullptr;
    const DWORD size =
        GetFullPathNameW(wide_name.text, sizeof target_path.text / sizeof(wchar_t), target_path.text, &last_part);
    ready = ready && size > 0 && size < sizeof target_path.text / sizeof(wchar_t) && last_part != nullptr &&
            take_folder_and_entry(target_path.text, last_part, output) && target_is(output, NO_FILE);
  }
  ready = ready && create_beside(output);
  if (!ready) discard_output_file(output);
  return ready;
}

bool write_output_file(OutputFile& output, const char* from, std::size_t size) {
  while (size > 0) {
    DWORD wrote = 0;
    const auto asked = static_cast<DWORD>(size < (1u << 30) ? size : 1u << 30);
    if (!WriteFile(output.handle, from, asked, &wrote, nullptr) || wrote == 0) return false;
    from += wrote;
    size -= wrote;
  }
  return true;
}

bool commit_output_file(OutputFile& output) {
  if (!output.beside) {
    const bool closed = CloseHandle(output.handle) != 0;
    output.handle = NO_FILE;
    return closed;
  }
  // The old file's data stay until the new ones are on the disk: a new
  // output, with nothing under its name to lose, is not forced.
  if (output.old != NO_FILE && !FlushFileBuffers(output.handle)) return false;
  bool done = false;
  if (!hold_interruptions()) {
    done = output.old != NO_FILE ? replace_old(output) : move_new(output);
    if (done) drop_held_interruptions();
  }
  release_interruptions();
  if (done) discard_output_file(output);  // closes the folder
  return done;
}

void discard_output_file(OutputFile& output) {
  // A new file still open goes at its close; one closed for ReplaceFileW,
  // or one that could not be marked, by its name.
  const bool goes_at_close = output.handle != NO_FILE && (!output.beside || delete_on_close(output.handle, true));
  close_handle(output.handle);
  if (output.temporary[0] != L'\0' && !goes_at_close && path_in(output.folder, output.temporary, temporary_path)) {
    DeleteFileW(temporary_path.text);
  }
  output.temporary[0] = L'\0';
  close_handle(output.folder);
  close_handle(output.old);
}
