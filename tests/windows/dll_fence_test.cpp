// Nothing from the folder that Perinax.exe starts from runs inside it: a DLL planted there under
// the name of any DLL it loads (or the shell and COM load for it) is never loaded, and the run
// is the same as without it. The trace viewer is held to the same.

#include <gtest/gtest.h>

#include <set>

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

struct RecordedRun {
  DWORD exitCode;
  std::vector<std::wstring> trace;  // the viewer's standard output
  std::vector<std::wstring> dlls;   // the full path of every DLL loaded
};

}  // namespace

TEST(DllFence, NoDllPlantedInTheFolderIsLoadedAndTheRunIsUnchanged) {
  // The setup program lives elsewhere: it is not ours, and no fence of ours covers it.
  const wine::TempFolder media(L"perinax fence media");
  const wine::TempFolder scratch(L"perinax fence scratch");
  const std::wstring key = L"SOFTWARE\\PerinaxFence";
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
  const wine::UserSetting shown(wine::kAppDefaults + L"Perinax.exe", L"Version", L"win10");
  const std::wstring perinax = L"\"" + (media / L"Perinax.exe") + L"\" /exitcode=7";
  const std::wstring viewer = L"\"" + (media / L"perinax-trace.exe") + L"\" " + perinax;

  // Runs the command line under the build's viewer, which records the DLLs that the program it
  // starts loads, from the folder; without the key, so that each run traces "create".
  const auto run = [&](const std::wstring& commandLine) {
    wine::RemoveMachineKey(key);
    const DWORD code = wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" --dlls \"" +
                                     (scratch / L"dlls.txt") + L"\" " + commandLine,
                                 media.path, scratch / L"trace.txt");
    EXPECT_EQ(wine::MachineDword(key, L"Fence", wine::IsWin64Prefix() ? RRF_SUBKEY_WOW6464KEY : 0),
              std::optional<DWORD>(9));
    return RecordedRun{code, wine::Lines(wine::Wide(*wine::ReadBytes(scratch / L"trace.txt"))),
                       wine::Lines(wine::Wide(*wine::ReadBytes(scratch / L"dlls.txt")))};
  };
  // The DLLs loaded from the folder, and the marker files that planted ones left there.
  const auto fromFolder = [&](const RecordedRun& run) {
    std::vector<std::wstring> found;
    for (const std::wstring& dll : run.dlls) {
      if (Lower(dll).find(Lower(media.path + L"\\")) != std::wstring::npos) found.push_back(dll);
    }
    for (const auto& entry : std::filesystem::directory_iterator(wine::Long(media.path))) {
      if (entry.path().extension() == L".loaded") found.push_back(entry.path().wstring());
    }
    return found;
  };
  const RecordedRun clean = run(perinax);
  const RecordedRun cleanViewer = run(viewer);
  ASSERT_EQ(clean.exitCode, 7u);
  ASSERT_EQ(cleanViewer.exitCode, 7u);
  ASSERT_FALSE(clean.dlls.empty());
  EXPECT_EQ(fromFolder(clean), std::vector<std::wstring>{});

  // One planted copy under every name either program loaded, and every name the shell and COM
  // load by name.
  std::set<std::wstring> names(std::begin(kLoadedByName), std::end(kLoadedByName));
  for (const RecordedRun* recorded : {&clean, &cleanViewer}) {
    for (const std::wstring& dll : recorded->dlls) {
      names.insert(Lower(dll.substr(dll.find_last_of(L"\\/") + 1)));
    }
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
    EXPECT_EQ(fromFolder(planted), std::vector<std::wstring>{});
  }
  wine::RemoveMachineKey(key);
}
