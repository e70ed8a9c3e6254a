// perinax-explain.exe under Wine, whose runtime differs from Linux's: a UTF-16 file with
// full-width digits (which the Windows runtime's iswxdigit takes) and network SetupFiles, which
// are the target machine's and are never joined to the folder nor looked up.

#include <gtest/gtest.h>

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
  wine::WriteBytes(folder.path + L"/setup.exe", "MZ");
  for (const auto& [text, codes] : rows) {
    SCOPED_TRACE(wine::Narrow(text.substr(0, 60)));
    wine::WriteBytes(folder.path + L"/Perinax.ini", Utf16Le(text));
    const DWORD code = wine::Run(
        L"\"" + wine::kBuildDir + L"/tools/perinax-explain.exe\" --json " + L"Perinax.ini",
        folder.path, folder.path + L"/plan.json");
    EXPECT_EQ(code, codes.empty() ? 0u : 1u);
    const nlohmann::json plan = nlohmann::json::parse(
        wine::ReadBytes(folder.path + L"/plan.json").value_or("{}"), nullptr, false);
    ASSERT_FALSE(plan.is_discarded());
    std::vector<std::string> found;
    for (const auto& warning : plan["warnings"]) found.push_back(warning["code"]);
    EXPECT_EQ(found, codes);
  }
}
