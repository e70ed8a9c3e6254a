// Nothing from the folder that Perinax.exe starts from runs inside it: a DLL planted there under
// the name of any DLL it loads (or the shell and COM load for it) is never loaded, and the run
// is the same as without it.

#include <gtest/gtest.h>

#include <set>

#include "wine_support.h"

TEST(DllFence, NoDllPlantedInTheFolderIsLoadedAndTheRunIsUnchanged) {
  // The setup program lives elsewhere: it is not ours, and no fence of ours covers it.
  const wine::TempFolder media(L"perinax fence media"), scratch(L"perinax fence scratch");
  const std::wstring key = L"SOFTWARE\\PerinaxFence", perinax = media / L"Perinax.exe",
                     dlls = scratch / L"dlls.txt";
  for (const auto& [from, to] : {std::pair(L"/Perinax.exe", perinax),
                                 {L"/tools/perinax-demo-setup.exe", scratch / L"setup.exe"}})
    ASSERT_TRUE(CopyFileW((wine::kBuildDir + from).c_str(), to.c_str(), FALSE));
  wine::WriteBytes(media / L"Perinax.ini",
                   "[Default]\r\nSetupFile=" + wine::Narrow(scratch / L"setup.exe") +
                       "\r\nRegPath32KeyPath=SOFTWARE\\PerinaxFence\r\nRegPath32KeyName=Fence"
                       "\r\nRegPath32KeyValue=9\r\nRegPath64KeyPath=SOFTWARE\\PerinaxFence"
                       "\r\nRegPath64KeyName=Fence\r\nRegPath64KeyValue=9\r\n");
  const wine::PerinaxSetting shown(L"Version", L"win10");

  // Runs Perinax.exe under the build's viewer, which records the DLLs it loads (their names join
  // those to plant), from the folder; without the key, so that each run traces "create".
  std::set<std::wstring> names;
  const auto run = [&] {
    wine::RemoveMachineKey(key);
    const auto [code, trace] =
        wine::RunTraced(media.path, L"/exitcode=7", perinax, L"--dlls \"" + dlls + L"\" ");
    EXPECT_EQ(code, 7u);
    EXPECT_EQ(wine::MachineDword(key, L"Fence", wine::kWin64Prefix ? RRF_SUBKEY_WOW6464KEY : 0),
              std::optional<DWORD>(9));
    for (std::wstring dll : wine::Lines(dlls))
      names.insert(_wcslwr(&dll[dll.find_last_of(L"\\/") + 1]));
    return trace;
  };
  const std::vector<std::wstring> clean = run();
  ASSERT_FALSE(names.empty());

  // One planted copy under every name loaded: a name not loaded without it is not looked for.
  const std::wstring plantedDll = wine::kBuildDir + L"/tests/windows/helpers/planted.dll";
  for (const std::wstring& name : names)
    EXPECT_TRUE(CopyFileW(plantedDll.c_str(), (media / name).c_str(), FALSE)) << wine::Narrow(name);

  EXPECT_EQ(run(), clean);
  // A planted DLL that was loaded left its marker beside itself.
  for (const auto& entry : std::filesystem::directory_iterator(wine::Long(media.path)))
    EXPECT_NE(entry.path().extension().wstring(), L".loaded") << entry.path().string();
  wine::RemoveMachineKey(key);
}
