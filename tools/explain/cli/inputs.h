#pragma once

// What perinax-explain reads: a file's bytes (or why they cannot be read), and
// the Perinax.ini files below a folder, found in a stable order.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

struct ReadResult {
  std::optional<std::string> bytes;
  std::string reason;  // why not: "no such file", "a FIFO", "larger than 2 GiB"
};

// The file's bytes, when it is a regular file below the INI reader's limit.
ReadResult ReadInput(const std::filesystem::path& path);
// Standard input's bytes, read whole (as binary), below the same limit.
ReadResult ReadStandardInput();

// Calls `found` for each file named Perinax.ini in any letter case below
// `folder`, in the order of the names (each folder's entries sorted), passing
// over hidden entries (".git") and links to folders; `failed` for a folder
// that cannot be listed, with the reason.
void FindIniFiles(
    const std::filesystem::path& folder,
    const std::function<void(const std::filesystem::path&)>& found,
    const std::function<void(const std::filesystem::path&, const std::string&)>& failed);
