// Nothing from the folder that Perinax.exe starts from runs inside it: a DLL planted there under
// the name of any DLL it loads (or the shell and COM load for it) is never loaded, and the run
// is the same as without it. The trace viewer is held to the same.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "wine_support.h"

namespace {

// The names that the shell and COM load by bare name, which a fence without
// SetDefaultDllDirectories must have in memory first.
const wchar_t* const kLoadedByName[] = {
    L"uxtheme.dll", L"userenv.dll",   L"setupapi.dll", L"apphelp.dll", L"propsys.dll",
    L"dwmapi.dll",  L"cryptbase.dll", L"oleacc.dll",   L"clbcatq.dll", L"version.dll",
    L"profapi.dll", L"sspicli.dll",   L"shcore.dll"};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::vector<std::wstring> Lines(const std::wstring& file) {
  std::vector<std::wstring> lines;
  std::wistringstream stream(wine::Wide(wine::ReadBytes(file).value_or("")));
  for (std::wstring line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

struct RecordedRun {
  DWORD exitCode;
  std::vector<std::wstring> trace;  // the viewer's standard output
  std::vector<std::wstring> dlls;   // the full path of every DLL loaded
};

// Runs the command line under the trace viewer of the build, recording the DLLs loaded by the
// program it starts (not by the viewer itself), from the folder.
RecordedRun RunRecorded(const std::wstring& commandLine, const wine::TempFolder& folder,
                        const std::wstring& scratch) {
  const std::wstring dlls = scratch + L"\\dlls.txt";
  RecordedRun run;
  run.exitCode = wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" --dlls \"" +
                               dlls + L"\" " + commandLine,
                           folder.path(), scratch + L"\\trace.txt");
  run.trace = Lines(scratch + L"\\trace.txt");
  run.dlls = Lines(dlls);
  return run;
}

std::wstring BaseName(const std::wstring& path) {
  return Lower(path.substr(path.find_last_of(L"\\/") + 1));
}

// The DLLs loaded from the folder, and the marker files that planted ones left.
std::vector<std::wstring> FromFolder(const RecordedRun& run, const wine::TempFolder& folder) {
  std::vector<std::wstring> found;
  const std::wstring prefix = Lower(folder.path() + L"\\");
  for (const std::wstring& dll : run.dlls) {
    if (Lower(dll).find(prefix) != std::wstring::npos) found.push_back(dll);
  }
  for (const auto& entry : std::filesystem::directory_iterator(wine::Long(folder.path()))) {
    if (entry.path().extension() == L".loaded") found.push_back(entry.path().wstring());
  }
  return found;
}

}  // namespace

TEST(DllFence, NoDllPlantedInTheFolderIsLoadedAndTheRunIsUnchanged) {
  // The setup program lives elsewhere: it is not ours, and no fence of ours covers it.
  const wine::TempFolder media(L"perinax fence media");
  const wine::TempFolder scratch(L"perinax fence scratch");
  const std::wstring key = L"SOFTWARE\\PerinaxFence";
  wine::RemoveMachineKey(key);
  ASSERT_TRUE(CopyFileW((wine::kBuildDir + L"/Perinax.exe").c_str(),
                        (media / L"Perinax.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((wine::kBuildDir + L"/tools/perinax-trace.exe").c_str(),
                        (media / L"perinax-trace.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
                        (scratch / L"setup.exe").c_str(), FALSE));
  std::string ini = "[Default]\r\nSetupFile=" + wine::Narrow(scratch / L"setup.exe") + "\r\n";
  for (const char* bits : {"32", "64"}) {
    ini += std::string("RegPath") + bits + "KeyPath=" + wine::Narrow(key) + "\r\nRegPath" + bits +
           "KeyName=Fence\r\nRegPath" + bits + "KeyValue=9\r\n";
  }
  wine::WriteBytes(media / L"Perinax.ini", ini);
  const wine::WineVersionFor version(L"Perinax.exe", L"win10");
  const std::wstring perinax = L"\"" + (media / L"Perinax.exe") + L"\" /exitcode=7";
  const std::wstring viewer = L"\"" + (media / L"perinax-trace.exe") + L"\" " + perinax;

  // Each run starts without the key, so that each traces "create", and without markers.
  const auto run = [&](const std::wstring& commandLine) {
    wine::RemoveMachineKey(key);
    for (const auto& entry : std::filesystem::directory_iterator(wine::Long(media.path()))) {
      if (entry.path().extension() == L".loaded") std::filesystem::remove(entry.path());
    }
    return RunRecorded(commandLine, media, scratch.path());
  };
  const RecordedRun clean = run(perinax);
  const RecordedRun cleanViewer = run(viewer);
  ASSERT_EQ(clean.exitCode, 7u);
  ASSERT_EQ(cleanViewer.exitCode, 7u);
  ASSERT_FALSE(clean.dlls.empty());
  EXPECT_EQ(FromFolder(clean, media), std::vector<std::wstring>{});

  // One planted copy under every name either program loaded, and every name the shell and COM
  // load by name.
  std::set<std::wstring> names(std::begin(kLoadedByName), std::end(kLoadedByName));
  for (const RecordedRun* run : {&clean, &cleanViewer}) {
    for (const std::wstring& dll : run->dlls) names.insert(BaseName(dll));
  }
  const std::wstring plantedDll = wine::kBuildDir + L"/tests/windows/helpers/planted.dll";
  for (const std::wstring& name : names) {
    EXPECT_TRUE(CopyFileW(plantedDll.c_str(), (media / name).c_str(), FALSE)) << wine::Narrow(name);
  }

  for (const bool throughViewer : {false, true}) {
    SCOPED_TRACE(throughViewer ? "perinax-trace.exe in the folder" : "Perinax.exe");
    const RecordedRun planted = run(throughViewer ? viewer : perinax);
    EXPECT_EQ(planted.exitCode, 7u);
    EXPECT_EQ(planted.trace, (throughViewer ? cleanViewer : clean).trace);
    EXPECT_EQ(FromFolder(planted, media), std::vector<std::wstring>{});
    EXPECT_EQ(wine::MachineDword(key, L"Fence", wine::IsWin64Prefix() ? RRF_SUBKEY_WOW6464KEY : 0),
              std::optional<DWORD>(9));
  }
  wine::RemoveMachineKey(key);
}
