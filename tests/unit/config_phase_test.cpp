#include "app/config_phase.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_os_probe.h"
#include "fake_profile.h"
#include "fake_registry.h"
#include "recording_trace.h"

namespace {

using Lines = std::vector<std::wstring>;

constexpr char kIni[] =
    "[win7]\n"
    "SetupFile=setup7.exe\n"
    "RegPath32KeyPath=SOFTWARE\\Contoso\\Win7\n"
    "RegPath32KeyName=Stage\n"
    "RegPath32KeyValue=7\n"
    "RegPath64KeyPath=SOFTWARE\\Contoso\\Win7x64\n"
    "RegPath64KeyName=Stage\n"
    "RegPath64KeyValue=70\n"
    "[win8.1]\n"
    "SetupFile=setup81.exe\n"
    "RegPath64KeyPath=SOFTWARE\\Contoso\\Win81\n"
    "RegPath64KeyName=Stage\n"
    "RegPath64KeyValue=81\n"
    "[Default]\n"
    "SetupFile=setup.exe\n"
    "RegPath64KeyPath=SOFTWARE\\Wow6432Node\\Contoso\\Other\n"
    "RegPath64KeyName=Stage\n"
    "RegPath64KeyValue=1\n";

// One configuration phase over recording fakes of the whole platform.
struct ConfigRun {
  FakeProfile profile;
  FakeOsProbe probe;
  FakeRegistry registry;
  RecordingTrace trace;
  LauncherState state;

  explicit ConfigRun(const wchar_t* version, std::uint16_t architecture) {
    profile.currentDirectory = L"C:\\Setup";
    profile.SetIniText(kIni);
    probe.instances = {{version}};
    probe.architecture = architecture;
  }
  int Run() {
    ConfigPlatform platform{profile, probe, registry, trace};
    return LoadINIFile(state, platform);
  }
};

TEST(LoadINIFile, TracesEveryStageOfA64BitWindows81Run) {
  ConfigRun run(L"6.3.9600", 9);
  EXPECT_EQ(run.Run(), 1);
  EXPECT_EQ(run.trace.lines, (Lines{
                                 L"-----LoadINIFile file start-----",
                                 L"C:\\Setup\\Perinax.ini",
                                 L"OS version 100859913",
                                 L"CheckINISection win8.1",
                                 L"m_szReg64KeyPath SOFTWARE\\Contoso\\Win81",
                                 L"Not find",
                                 L"szRegPath SOFTWARE\\Contoso\\Win81",
                                 L"WriteToReg",
                                 L"X64",
                                 L"create",
                                 L"Write VUZA Value",
                                 L"-----LoadINIFile file end-----",
                             }));
  EXPECT_STREQ(run.state.settings.m_szSetupFile, L"setup81.exe");
  EXPECT_EQ(run.state.registryView.m_dwRegViewFlag, 0x100u);
  EXPECT_EQ(run.registry.calls, (Lines{L"disable", L"open SOFTWARE\\Contoso\\Win81 0x2011f",
                                       L"create SOFTWARE\\Contoso\\Win81 0x2011f", L"set Stage=81",
                                       L"close", L"revert saved"}));
  EXPECT_TRUE(run.probe.AllReleased());
}

TEST(LoadINIFile, WithoutAFileOrAWorkingProbeReadsNothingAndWritesNothing) {
  ConfigRun run(L"6.1.7601", 9);
  run.profile.RemoveIni();
  run.probe.initializeCom = static_cast<HResult>(0x80010106);  // RPC_E_CHANGED_MODE
  EXPECT_EQ(run.Run(), 1);
  EXPECT_EQ(run.trace.lines, (Lines{
                                 L"-----LoadINIFile file start-----",
                                 L"C:\\Setup\\Perinax.ini",
                                 L"Please check the path of INI file!",
                                 L"Failed to initialize COM library. hres = 0x80010106",
                                 L"OS version 255",
                                 L"-----LoadINIFile file end-----",
                             }));
  for (const wchar_t* field :
       {run.state.settings.m_szSetupFile, run.state.settings.m_szReg32KeyPath,
        run.state.settings.m_szReg32KeyName, run.state.settings.m_szReg32KeyValue,
        run.state.settings.m_szReg64KeyPath, run.state.settings.m_szReg64KeyName,
        run.state.settings.m_szReg64KeyValue}) {
    EXPECT_STREQ(field, L"Unknow");
  }
  EXPECT_TRUE(run.registry.calls.empty());
}

TEST(LoadINIFile, On32BitWindows7WritesThe32BitTargetOfSectionWin7) {
  ConfigRun run(L"6.1.7601", 0);
  run.registry.existing.insert(L"SOFTWARE\\Contoso\\Win7");
  EXPECT_EQ(run.Run(), 1);
  EXPECT_EQ(run.trace.lines, (Lines{
                                 L"-----LoadINIFile file start-----",
                                 L"C:\\Setup\\Perinax.ini",
                                 L"OS version 100728832",
                                 L"CheckINISection win7",
                                 L"WriteToReg",
                                 L"win 7 Write VUZA Value",
                                 L"-----LoadINIFile file end-----",
                             }));
  EXPECT_EQ(run.registry.calls,
            (Lines{L"open SOFTWARE\\Contoso\\Win7 0x2001f", L"set Stage=7", L"close"}));
  EXPECT_STREQ(run.state.settings.m_szSetupFile, L"setup7.exe");
}

TEST(LoadINIFile, OnWindows10ReadsDefaultWithoutTestingASectionAndStillWritesByArchitecture) {
  ConfigRun run(L"10.0.19045", 9);
  EXPECT_EQ(run.Run(), 1);
  EXPECT_EQ(run.trace.lines, (Lines{
                                 L"-----LoadINIFile file start-----",
                                 L"C:\\Setup\\Perinax.ini",
                                 L"OS version 268435465",
                                 L"m_szReg64KeyPath SOFTWARE\\Wow6432Node\\Contoso\\Other",
                                 L"SOFTWARE\\Contoso\\Other",
                                 L"szRegPath SOFTWARE\\Contoso\\Other",
                                 L"WriteToReg",
                                 L"X64",
                                 L"create",
                                 L"Write VUZA Value",
                                 L"-----LoadINIFile file end-----",
                             }));
  EXPECT_EQ(run.profile.CountCalls(L"GetSectionNames"), 0u);
  EXPECT_STREQ(run.state.settings.m_szReg64KeyPath, L"SOFTWARE\\Contoso\\Other");
  EXPECT_EQ(run.state.registryView.m_dwRegViewFlag, 0u);
}

}  // namespace
