// docs/warnings/ against the catalogue: a page for every code and a code for
// every page, and each page's two INI files draw the code and no longer draw it.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tools/explain/engine/explainer.h"

namespace {

const std::filesystem::path kPages = std::filesystem::path(PERINAX_SOURCE_DIR) / "docs/warnings";

// The ```ini blocks of a page, in order.
std::vector<std::string> IniBlocks(const std::filesystem::path& page) {
  std::ifstream in(page);
  std::vector<std::string> blocks;
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line == "```ini") {
      blocks.emplace_back();
      inside = true;
    } else if (line == "```") {
      inside = false;
    } else if (inside) {
      blocks.back() += line + "\n";
    }
  }
  return blocks;
}

bool Draws(const std::string& ini, Code code, const std::filesystem::path& folder) {
  const std::optional<Explanation> explanation =
      Explain({.bytes = ini, .file = L"Perinax.ini", .folder = folder});
  for (const Finding& finding : explanation.value().findings) {
    if (finding.code == code) return true;
  }
  return false;
}

}  // namespace

TEST(ExplainDocs, EveryCodeHasItsPageAndEachPageItsCode) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "perinax-docs";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "setup.exe") << "MZ";
  std::set<std::string> pages;
  for (const auto& entry : std::filesystem::directory_iterator(kPages)) {
    pages.insert(entry.path().stem().string());
  }
  for (const CodeInfo& info : kCatalogue) {
    SCOPED_TRACE(info.name);
    ASSERT_EQ(pages.erase(info.name), 1u) << "no page docs/warnings/" << info.name << ".md";
    const std::vector<std::string> blocks = IniBlocks(kPages / (std::string(info.name) + ".md"));
    ASSERT_EQ(blocks.size(), 2u) << "a file that draws it, and the file fixed";
    // An abridged file ("..." for what is too long to show) is not run.
    if (blocks[0].find("\n...\n") != std::string::npos) continue;
    EXPECT_TRUE(Draws(blocks[0], info.code, folder)) << blocks[0];
    EXPECT_FALSE(Draws(blocks[1], info.code, folder)) << blocks[1];
  }
  EXPECT_TRUE(pages.empty()) << "a page without a code: " << *pages.begin();
  std::filesystem::remove_all(folder);
}
