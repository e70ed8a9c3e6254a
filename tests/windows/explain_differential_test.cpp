// perinax-explain against the real Perinax.exe: for the bundled example and a few tricky files,
// at every Windows version Wine can show and in this prefix's architecture, the explainer's
// trace of the configuration phase (from its third line on: the second is the INI path, which
// the explainer gives as FILE's own path) and its registry write must be what Perinax.exe
// really traces and writes there.
//
// Where Wine and Windows differ the explainer follows Windows, so those files are left out here
// and pinned by the host tests: a UTF-8 byte-order mark before a section header (Wine recognises
// the mark and finds the section; Windows reads the mark as text and loses it), keys before any
// section, ';' lines and a missing ']' (see ini_differential_test.cpp). The one UTF-8-marked file
// below starts with a comment line, where the two agree.

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "wine_support.h"

namespace {

struct ExplainedFile {
  const char* label;
  std::string bytes;                 // Perinax.ini
  std::vector<std::wstring> setups;  // names under which the demo setup program is put beside it
  std::vector<std::wstring> keys;    // below HKLM, removed before and after each run
};

std::string Utf16Le(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// The \\?\ form that ReadBytes uses takes backslashes only.
std::wstring WindowsPath(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::vector<ExplainedFile> Files() {
  const std::string longName(240, 'L');
  return {
      {"example",
       wine::ReadBytes(WindowsPath(L"Z:" PERINAX_SOURCE_DIR "/examples/Perinax.ini")).value_or(""),
       {},  // its package is left out: only the configuration phase is compared
       {L"SOFTWARE\\Perinax\\Demo", L"SOFTWARE\\Wow6432Node\\Perinax\\Demo"}},
      // Near misses of the version sections, repeats, and value texts and key paths that are
      // probably mistakes; [Default] has no x64 target.
      {"mistakes",
       "stray=1\r\n[Win7]\r\nSetupFile=setup.exe\r\n"
       "[win8]\r\nSetupFile=setup.exe /q\r\nRegPath32KeyPath=HKLM\\SOFTWARE\\PerinaxExplainA\r\n"
       "RegPath32KeyName=Stage\r\nRegPath32KeyValue=0x10\r\n"
       "RegPath64KeyPath=SOFTWARE\\wow6432node\\PerinaxExplainA\r\n"
       "RegPath64KeyName=\"Stage ; note\"\r\nRegPath64KeyValue= 42abc\r\nRegPath64KeyValue=5\r\n"
       "[WIN8]\r\nSetupFile=other.exe\r\n"
       "[win8.1]\r\nsetupfile = setup.exe \r\nRegPath32KeyPath=\\SOFTWARE\\PerinaxExplainA\r\n"
       "RegPath32KeyName=Stage\r\nRegPath32KeyValue=99999999999\r\n"
       "RegPath64KeyPath=SOFTWARE\\Wow6432Node\\Wow6432Node\\PerinaxExplainA\r\n"
       "RegPath64KeyName=Stage\r\nRegPath64KeyValue=-1\r\n"
       "[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=SOFTWARE\\PerinaxExplainA/Slash\r\n"
       "RegPath32KeyName=Stage\r\nRegPath32KeyValue=-2147483649\r\n",
       {L"setup.exe"},
       {L"HKLM", L"SOFTWARE\\PerinaxExplainA", L"SOFTWARE\\wow6432node\\PerinaxExplainA",
        L"SOFTWARE\\Wow6432Node\\PerinaxExplainA", L"SOFTWARE\\PerinaxExplainA/Slash",
        L"SOFTWARE\\Wow6432Node\\Wow6432Node\\PerinaxExplainA"}},
      // UTF-16LE with text beyond ASCII, quotes, blanks, a repeated section and a key path cut
      // at 259 characters.
      {"unicode",
       Utf16Le(
           L"[Default]\r\nSetupFile=\"setup.exe\"\r\nRegPath32KeyPath=SOFTWARE\\PerinaxExplainB\\" +
           std::wstring(longName.begin(), longName.end()) +
           L"\r\nRegPath32KeyName=Gr\u00f6\u00dfe\r\nRegPath32KeyValue=7\r\n"
           L"  RegPath64KeyPath = 'SOFTWARE\\PerinaxExplainB\\\u00dcn\u00efcode'\r\n"
           L"RegPath64KeyName=Gr\u00f6\u00dfe\r\nRegPath64KeyValue=+8\r\n"
           L"[DEFAULT]\r\nRegPath64KeyValue=9\r\n[win8.1]\r\nSetupFile=setup.exe\r\n"),
       {L"setup.exe"},
       {L"SOFTWARE\\PerinaxExplainB"}},
      // Only [win7]: every other version reads a missing [Default].
      {"no default",
       "\xEF\xBB\xBF; a comment on the first line\r\n[win7]\r\nSetupFile=setup.exe\r\n"
       "RegPath32KeyPath=SOFTWARE\\PerinaxExplainC\r\nRegPath32KeyName=Seven\r\n"
       "RegPath32KeyValue=7\r\nRegPath64KeyPath=SOFTWARE\\PerinaxExplainC\r\n"
       "RegPath64KeyName=Seven\r\nRegPath64KeyValue=7\r\n",
       {L"setup.exe"},
       {L"SOFTWARE\\PerinaxExplainC"}},
  };
}

std::vector<std::wstring> TraceLines(const std::wstring& path) {
  std::vector<std::wstring> lines;
  std::wistringstream stream(wine::Wide(wine::ReadBytes(path).value_or("")));
  for (std::wstring line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Wine may pass debug strings through the ANSI code page: compare both after that trip.
std::wstring Ansi(const std::wstring& text) {
  return wine::Wide(wine::Narrow(text, CP_ACP), CP_ACP);
}

void RemoveKeys(const ExplainedFile& file) {
  for (const std::wstring& key : file.keys) wine::RemoveMachineKey(key);
}

void Compare(const ExplainedFile& file, const wine::WindowsVersion& version) {
  const bool win64 = wine::IsWin64Prefix();
  const std::string caseName = wine::Narrow(version.wineName) + (win64 ? "-x64" : "-x86");
  SCOPED_TRACE(std::string(file.label) + ", " + caseName);
  const wine::TempFolder folder(L"perinax explain " + wine::Wide(file.label) + L" " +
                                version.wineName);
  wine::WriteBytes(folder / L"Perinax.ini", file.bytes);
  for (const std::wstring& setup : file.setups) {
    CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
              (folder / setup).c_str(), FALSE);
  }

  // What the explainer says, for this version and this prefix's architecture.
  const DWORD explained =
      wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-explain.exe\" --json --case " +
                    wine::Wide(caseName) + L" Perinax.ini",
                folder.path(), folder / L"explain.json");
  ASSERT_TRUE(explained == 0 || explained == 1) << explained;
  const nlohmann::json plan =
      nlohmann::json::parse(wine::ReadBytes(folder / L"explain.json").value_or("{}"));
  ASSERT_EQ(plan["cases"].size(), 1u);
  const nlohmann::json& explainedCase = plan["cases"][0];
  std::vector<std::wstring> predicted;
  for (const auto& line : explainedCase["trace"]) {
    predicted.push_back(wine::Wide(line.get<std::string>()));
  }
  ASSERT_GE(predicted.size(), 3u);
  EXPECT_FALSE(file.bytes.empty());
  EXPECT_EQ(predicted[1], folder / L"Perinax.ini");

  // What Perinax.exe does, on a registry where none of the file's keys exist yet.
  RemoveKeys(file);
  const wine::WineVersionFor shown(L"Perinax.exe", version.wineName);
  EXPECT_NE(wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" \"" + wine::kBuildDir +
                          L"/Perinax.exe\" /exitcode=5",
                      folder.path(), folder / L"trace.txt", 30000),
            wine::kNotRun);
  const std::vector<std::wstring> real = TraceLines(folder / L"trace.txt");
  ASSERT_GE(real.size(), predicted.size());
  for (std::size_t i = 2; i < predicted.size(); ++i) {
    EXPECT_EQ(Ansi(real[i]), Ansi(predicted[i])) << "line " << i + 1;
  }

  const nlohmann::json& registry = explainedCase["registry"];
  if (!registry.is_null()) {
    const DWORD view = !win64                   ? 0
                       : registry["view"] == 64 ? RRF_SUBKEY_WOW6464KEY
                                                : RRF_SUBKEY_WOW6432KEY;
    EXPECT_EQ(wine::MachineDword(wine::Wide(registry["key"].get<std::string>()),
                                 wine::Wide(registry["name"].get<std::string>()), view),
              std::optional<DWORD>(registry["value"].get<DWORD>()));
  }
  RemoveKeys(file);
}

}  // namespace

TEST(ExplainDifferential, PredictsWhatPerinaxTracesAndWritesAtEveryVersion) {
  for (const ExplainedFile& file : Files()) {
    for (const wine::WindowsVersion* version :
         {&wine::kVista, &wine::kWin7, &wine::kWin8, &wine::kWin81, &wine::kWin10}) {
      Compare(file, *version);
    }
  }
}
