// Opening the named files: UTF-8 names on Windows, bytes elsewhere.
#include "platform/files.h"

#include <string_view>
#include <system_error>

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

bool open_output_file(const std::string& name, std::ofstream& file) {
  file.open(file_path(name), std::ios::out | std::ios::trunc | std::ios::binary);
  return file.is_open();
}
