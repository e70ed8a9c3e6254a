#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "osinfo/os_probe_win32.h"
#include "osinfo/os_version.h"
#include "tests/unit/recording_trace.h"

namespace {

// The architecture byte of the prefix the tests run in.
std::uint32_t PrefixArchitecture() {
  const char* arch = std::getenv("PERINAX_WINE_ARCH");
  return arch != nullptr && std::string(arch) == "win64" ? kArchitectureX64 : kArchitectureX86;
}

// Copies the probe program into the temp folder under the name osprobe_<version>.exe,
// has Wine's per-program settings give that name the Windows version, runs it
// and returns its exit code (0xDEAD000n when it could not be run). The setting
// and the copy are removed again.
DWORD RunProbeAs(const std::wstring& version) {
  std::wstring probe = L"Z:" PERINAX_BINARY_DIR "/tests/windows/helpers/osprobe.exe";
  for (wchar_t& c : probe) c = c == L'/' ? L'\\' : c;
  wchar_t temp[MAX_PATH] = {};
  if (GetTempPathW(MAX_PATH, temp) == 0) return 0xDEAD0001u;
  const std::wstring exeName = L"osprobe_" + version + L".exe";
  const std::wstring copy = temp + exeName;
  if (!CopyFileW(probe.c_str(), copy.c_str(), FALSE)) return 0xDEAD0002u;

  DWORD exitCode = 0xDEAD0003u;
  const std::wstring settings = L"Software\\Wine\\AppDefaults\\" + exeName;
  const DWORD bytes = static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t));
  if (RegSetKeyValueW(HKEY_CURRENT_USER, settings.c_str(), L"Version", REG_SZ, version.c_str(),
                      bytes) == ERROR_SUCCESS) {
    std::wstring commandLine = L"\"" + copy + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
      if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0 ||
          !GetExitCodeProcess(process.hProcess, &exitCode)) {
        exitCode = 0xDEAD0004u;
      }
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, settings.c_str());
  }
  DeleteFileW(copy.c_str());
  return exitCode;
}

}  // namespace

TEST(GetOSVersionUnderWine, ReportsTheVersionWineIsSetToForTheProgram) {
  struct Row {
    const wchar_t* version;
    std::uint32_t versionHalf;
  };
  const Row rows[] = {
      {L"vista", 0x0600}, {L"win7", 0x0601},  {L"win8", 0x0602},
      {L"win81", 0x0603}, {L"win10", 0x1000},  // 10.0 read as hexadecimal
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.version)));
    const DWORD code = RunProbeAs(row.version);
    EXPECT_EQ(code, (row.versionHalf << 16) | PrefixArchitecture()) << std::hex << code;
  }
}

TEST(GetOSVersionUnderWine, CanProbeAgainInTheSameProcess) {
  Win32OsProbe probe;
  RecordingTrace trace;
  const OSVersionCode first = GetOSVersion(probe, trace);
  EXPECT_NE(first, kOSProbeFailed);
  EXPECT_EQ(ArchitectureOf(first), PrefixArchitecture());
  EXPECT_EQ(GetOSVersion(probe, trace), first);
  EXPECT_TRUE(trace.lines.empty());
}

TEST(GetOSVersionUnderWine, ThreadAlreadyInTheMultithreadedApartmentIsAFailedProbe) {
  OSVersionCode code = 0;
  RecordingTrace trace;
  HRESULT stillInitialised = E_FAIL;
  std::thread worker([&] {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return;
    Win32OsProbe probe;
    code = GetOSVersion(probe, trace);
    // The probe must leave alone the COM it did not initialise: the thread is
    // still in its apartment, so initialising again only adds a reference.
    stillInitialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(stillInitialised)) CoUninitialize();
    CoUninitialize();
  });
  worker.join();
  EXPECT_EQ(code, kOSProbeFailed);
  EXPECT_EQ(trace.lines,
            std::vector<std::wstring>{L"Failed to initialize COM library. hres = 0x80010106"});
  EXPECT_EQ(stillInitialised, S_FALSE);
}
