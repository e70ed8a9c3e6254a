// perinax-explain.exe under Wine, whose runtime differs from Linux's: a UTF-16 file with
// full-width digits (which the Windows runtime's iswxdigit takes) and network SetupFiles, which
// are the target machine's and are never joined to the folder nor looked up.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "wine_support.h"

namespace {

std::string Utf16Le(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t c : text) bytes += {char(c & 0xFF), char(c >> 8)};
  return bytes;
}

std::wstring Section(const std::wstring& setup, const std::wstring& value) {
  std::wstring text = L"[Default]\r\nSetupFile=" + setup + L"\r\n";
  for (const std::wstring bits : {L"32", L"64"}) {
    text += L"RegPath" + bits + L"KeyPath=SOFTWARE\\V\r\nRegPath" + bits + L"KeyName=N\r\nRegPath" +
            bits + L"KeyValue=" + value + L"\r\n";
  }
  return text;
}

}  // namespace

TEST(ExplainUnderWine, FullWidthDigitsAndNetworkPaths) {
  // The file, and the codes its JSON must hold, in order.
  const std::pair<std::wstring, std::vector<std::string>> rows[] = {
      {Section(L"setup.exe", L"0x\uff11\uff21"), {"value-number", "value-number"}},
      {Section(L"setup.exe", L"\uff11\uff12"), {"value-number", "value-number"}},
      {Section(L"\\\\server\\share\\setup.exe", L"1"), {}},
      {Section(L"//server/share/setup.exe", L"1"), {}},
      {Section(L"\\\\server\\share\\install.ps1", L"0x10"),
       {"setup-verb", "value-number", "value-number"}},
  };
  const wine::TempFolder folder(L"perinax explain");
  wine::WriteBytes(folder / L"setup.exe", "MZ");
  for (const auto& [text, codes] : rows) {
    SCOPED_TRACE(wine::Narrow(text.substr(0, 60)));
    wine::WriteBytes(folder / L"Perinax.ini", Utf16Le(text));
    const DWORD code = wine::Run(
        L"\"" + wine::kBuildDir + L"/tools/perinax-explain.exe\" --json " + L"Perinax.ini",
        folder.path, folder / L"plan.json");
    EXPECT_EQ(code, codes.empty() ? 0u : 1u);
    const nlohmann::json plan = nlohmann::json::parse(
        wine::ReadBytes(folder / L"plan.json").value_or("{}"), nullptr, false);
    ASSERT_FALSE(plan.is_discarded());
    std::vector<std::string> found;
    for (const auto& warning : plan["warnings"]) found.push_back(warning["code"]);
    EXPECT_EQ(found, codes);
  }
}

// The checker fuzz target's corpus through the Windows build, whose runtime differs from the one
// the fuzzer runs on: every file is checked (exit code 0 or 1) and its JSON and SARIF parse. The
// committed seeds by default; PERINAX_EXPLAIN_CORPUS names a corpus a longer fuzzing run grew.
TEST(ExplainUnderWine, FuzzCorpus) {
  const char* grown = std::getenv("PERINAX_EXPLAIN_CORPUS");
  const std::filesystem::path corpus =
      grown != nullptr ? std::filesystem::path(wine::Wide(grown))
                       : std::filesystem::path(L"Z:" PERINAX_SOURCE_DIR L"/fuzz/corpus/explain");
  const wine::TempFolder folder(L"perinax explain corpus");
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    SCOPED_TRACE(entry.path().string());
    ++files;
    wine::WriteBytes(folder / L"Perinax.ini", wine::ReadBytes(entry.path().wstring()).value());
    for (const std::wstring form : {L"json", L"sarif"}) {
      const DWORD code = wine::Run(L"\"" + wine::kBuildDir +
                                       L"/tools/perinax-explain.exe\" --no-folder --format " +
                                       form + L" Perinax.ini",
                                   folder.path, folder / L"out.json");
      EXPECT_LE(code, 1u);
      const std::string out = wine::ReadBytes(folder / L"out.json").value_or("");
      EXPECT_FALSE(nlohmann::json::parse(out, nullptr, false).is_discarded()) << out.substr(0, 200);
    }
  }
  EXPECT_GT(files, 0u);
}
