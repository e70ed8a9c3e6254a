#include "tools/explain/cli/inputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "lib/ini/ini_reader.h"

namespace {

constexpr const char* kTooLarge = "larger than 2 GiB";

std::string KindReason(std::filesystem::file_type type) {
  switch (type) {
    case std::filesystem::file_type::not_found:
      return "no such file";
    case std::filesystem::file_type::directory:
      return "a folder";
    case std::filesystem::file_type::fifo:
      return "a FIFO";
    case std::filesystem::file_type::socket:
      return "a socket";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
      return "a device";
    default:
      return "not a regular file";
  }
}

bool IsIniName(const std::filesystem::path& name) {
  static constexpr std::string_view kName = "perinax.ini";
  const std::string text = name.string();
  if (text.size() != kName.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (c != kName[i]) return false;
  }
  return true;
}

}  // namespace

ReadResult ReadInput(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (status.type() != std::filesystem::file_type::regular) {
    if (error && status.type() != std::filesystem::file_type::not_found) {
      return {std::nullopt, error.message()};
    }
    return {std::nullopt, KindReason(status.type())};
  }
  // A file the INI reader would take for missing is not read into memory at all.
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return {std::nullopt, error.message()};
  if (size >= IniReader::kTooLargeBytes) return {std::nullopt, kTooLarge};
  std::ifstream file(path, std::ios::binary);
  if (!file) return {std::nullopt, std::generic_category().message(errno)};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (file.bad() || static_cast<std::uintmax_t>(file.gcount()) != size) {
    return {std::nullopt, "cannot be read whole"};
  }
  return {std::move(bytes), ""};
}

ReadResult ReadStandardInput() {
#ifdef _WIN32
  // Bytes as they are: a UTF-16 file holds CR and LF bytes that text mode would change.
  static_cast<void>(_setmode(_fileno(stdin), _O_BINARY));
#endif
  std::string bytes;
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    bytes.append(buffer, got);
    if (bytes.size() >= IniReader::kTooLargeBytes) return {std::nullopt, kTooLarge};
  }
  if (std::ferror(stdin)) return {std::nullopt, "standard input cannot be read"};
  return {std::move(bytes), ""};
}

void FindIniFiles(
    const std::filesystem::path& folder,
    const std::function<void(const std::filesystem::path&)>& found,
    const std::function<void(const std::filesystem::path&, const std::string&)>& failed) {
  std::error_code error;
  std::vector<std::pair<std::filesystem::path, bool>> entries;  // and whether a folder
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::path name = it->path().filename();
    if (name.native().empty() || name.native()[0] == '.') continue;
    std::error_code kind;
    // A link to a folder is not followed: a link to an ancestor would never end.
    if (it->symlink_status(kind).type() == std::filesystem::file_type::directory) {
      entries.emplace_back(it->path(), true);
    } else if (IsIniName(name) && it->is_regular_file(kind)) {
      entries.emplace_back(it->path(), false);
    }
  }
  if (error) {
    failed(folder, error.message());
    return;
  }
  std::sort(entries.begin(), entries.end());
  for (const auto& [path, isFolder] : entries) {
    if (isFolder) {
      FindIniFiles(path, found, failed);
    } else {
      found(path);
    }
  }
}
