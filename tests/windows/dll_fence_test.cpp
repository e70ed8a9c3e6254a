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
  return _wcslwr(text.data());
}

}  // namespace

TEST(DllFence, NoDllPlantedInTheFolderIsLoadedAndTheRunIsUnchanged) {
  // The setup program lives elsewhere: it is not ours, and no fence of ours covers it.
  const wine::TempFolder media(L"perinax fence media");
  const wine::TempFolder scratch(L"perinax fence scratch");
  const std::wstring key = L"SOFTWARE\\PerinaxFence";
  for (const auto& [from, to] : {std::pair(L"/Perinax.exe", media / L"Perinax.exe"),
                                 {L"/tools/perinax-trace.exe", media / L"perinax-trace.exe"},
                                 {L"/tools/perinax-demo-setup.exe", scratch / L"setup.exe"}}) {
    ASSERT_TRUE(CopyFileW((wine::kBuildDir + from).c_str(), to.c_str(), FALSE));
  }
  wine::WriteBytes(media / L"Perinax.ini",
                   "[Default]\r\nSetupFile=" + wine::Narrow(scratch / L"setup.exe") +
                       "\r\nRegPath32KeyPath=SOFTWARE\\PerinaxFence\r\nRegPath32KeyName=Fence"
                       "\r\nRegPath32KeyValue=9\r\nRegPath64KeyPath=SOFTWARE\\PerinaxFence"
                       "\r\nRegPath64KeyName=Fence\r\nRegPath64KeyValue=9\r\n");
  const wine::PerinaxSetting shown(L"Version", L"win10");
  const std::wstring perinax = media / L"Perinax.exe", viewer = media / L"perinax-trace.exe",
                     dlls = scratch / L"dlls.txt";

  // Runs the program under the build's viewer, which records the DLLs that the program it starts
  // loads (their names join those to plant), from the folder; without the key, so that each run
  // traces "create".
  std::set<std::wstring> names(std::begin(kLoadedByName), std::end(kLoadedByName));
  const auto run = [&](const std::wstring& program) {
    wine::RemoveMachineKey(key);
    const std::wstring args =
        program == viewer ? L"\"" + perinax + L"\" /exitcode=7" : L"/exitcode=7";
    const wine::Traced traced =
        wine::RunTraced(media.path, args, program, L"--dlls \"" + dlls + L"\" ");
    EXPECT_EQ(traced.code, 7u);
    EXPECT_EQ(wine::MachineDword(key, L"Fence", wine::IsWin64Prefix() ? RRF_SUBKEY_WOW6464KEY : 0),
              std::optional<DWORD>(9));
    const std::vector<std::wstring> loaded = wine::Lines(dlls);
    for (const std::wstring& dll : loaded)
      names.insert(Lower(dll.substr(dll.find_last_of(L"\\/") + 1)));
    return std::pair(traced.trace, loaded);
  };
  // The marker files that planted DLLs left in the folder when they were loaded.
  const auto markers = [&] {
    std::vector<std::wstring> found;
    for (const auto& entry : std::filesystem::directory_iterator(wine::Long(media.path))) {
      if (entry.path().extension() == L".loaded") found.push_back(entry.path().wstring());
    }
    return found;
  };
  // The trace and the DLLs loaded, of each program, before any DLL is planted.
  const auto [clean, cleanDlls] = run(perinax);
  const std::vector<std::wstring> cleanViewer = run(viewer).first;
  ASSERT_FALSE(cleanDlls.empty());

  // One planted copy under every name either program loaded, and every name the shell and COM
  // load by name.
  const std::wstring plantedDll = wine::kBuildDir + L"/tests/windows/helpers/planted.dll";
  for (const std::wstring& name : names) {
    EXPECT_TRUE(CopyFileW(plantedDll.c_str(), (media / name).c_str(), FALSE)) << wine::Narrow(name);
  }

  for (const bool throughViewer : {false, true}) {
    SCOPED_TRACE(throughViewer ? "perinax-trace.exe in the folder" : "Perinax.exe");
    EXPECT_EQ(run(throughViewer ? viewer : perinax).first, throughViewer ? cleanViewer : clean);
    EXPECT_EQ(markers(), std::vector<std::wstring>{});
  }
  wine::RemoveMachineKey(key);
}
