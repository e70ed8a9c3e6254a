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

}  // namespace

TEST(DllFence, NoDllPlantedInTheFolderIsLoadedAndTheRunIsUnchanged) {
  // The setup program lives elsewhere: it is not ours, and no fence of ours covers it.
  const wine::TempFolder media(L"perinax fence media"), scratch(L"perinax fence scratch");
  const std::wstring key = L"SOFTWARE\\PerinaxFence", perinax = media / L"Perinax.exe",
                     viewer = media / L"perinax-trace.exe", dlls = scratch / L"dlls.txt";
  for (const auto& [from, to] : {std::pair(L"/Perinax.exe", perinax),
                                 {L"/tools/perinax-trace.exe", viewer},
                                 {L"/tools/perinax-demo-setup.exe", scratch / L"setup.exe"}})
    ASSERT_TRUE(CopyFileW((wine::kBuildDir + from).c_str(), to.c_str(), FALSE));
  wine::WriteBytes(media / L"Perinax.ini",
                   "[Default]\r\nSetupFile=" + wine::Narrow(scratch / L"setup.exe") +
                       "\r\nRegPath32KeyPath=SOFTWARE\\PerinaxFence\r\nRegPath32KeyName=Fence"
                       "\r\nRegPath32KeyValue=9\r\nRegPath64KeyPath=SOFTWARE\\PerinaxFence"
                       "\r\nRegPath64KeyName=Fence\r\nRegPath64KeyValue=9\r\n");
  const wine::PerinaxSetting shown(L"Version", L"win10");

  // Runs the program under the build's viewer, which records the DLLs that the program it starts
  // loads (their names join those to plant), from the folder; without the key, so that each run
  // traces "create".
  std::set<std::wstring> names(std::begin(kLoadedByName), std::end(kLoadedByName));
  const auto run = [&](const std::wstring& program) {
    wine::RemoveMachineKey(key);
    const std::wstring args =
        program == viewer ? L"\"" + perinax + L"\" /exitcode=7" : L"/exitcode=7";
    const auto traced = wine::RunTraced(media.path, args, program, L"--dlls \"" + dlls + L"\" ");
    EXPECT_EQ(traced.code, 7u);
    EXPECT_EQ(wine::MachineDword(key, L"Fence", wine::IsWin64Prefix() ? RRF_SUBKEY_WOW6464KEY : 0),
              std::optional<DWORD>(9));
    for (std::wstring dll : wine::Lines(dlls))
      names.insert(_wcslwr(&dll[dll.find_last_of(L"\\/") + 1]));
    return traced.trace;
  };
  // The trace of each program before any DLL is planted, and the names of the DLLs they loaded.
  const std::vector<std::wstring> clean = run(perinax), cleanViewer = run(viewer);
  ASSERT_GT(names.size(), std::size(kLoadedByName));

  // One planted copy under every name either program loaded, and every name the shell and COM
  // load by name.
  const std::wstring plantedDll = wine::kBuildDir + L"/tests/windows/helpers/planted.dll";
  for (const std::wstring& name : names) {
    EXPECT_TRUE(CopyFileW(plantedDll.c_str(), (media / name).c_str(), FALSE)) << wine::Narrow(name);
  }

  EXPECT_EQ(run(perinax), clean);
  EXPECT_EQ(run(viewer), cleanViewer);
  // A planted DLL that was loaded, by either, left its marker beside itself.
  for (const auto& entry : std::filesystem::directory_iterator(wine::Long(media.path)))
    EXPECT_NE(entry.path().extension().wstring(), L".loaded") << entry.path().string();
  wine::RemoveMachineKey(key);
}
