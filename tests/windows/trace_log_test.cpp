// The trace viewer in Perinax's place, started as a deployment tool starts a program: without a
// console and without handles of its own. Its log (--log) then holds the whole trace in order,
// each line stamped, and the exit code; a log it cannot write costs the record, never the run.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <vector>

#include "wine_support.h"

namespace {

const std::wstring kKey = L"SOFTWARE\\PerinaxTraceLog";
constexpr DWORD kSetupExitCode = 3010;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Starts the command line detached, with no standard handles: its exit code and process id.
std::pair<DWORD, DWORD> RunDetached(std::wstring commandLine, const std::wstring& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  DWORD code = wine::kNotRun;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                      nullptr, folder.c_str(), &startup, &process)) {
    return {code, 0};
  }
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, wine::kNotRun);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return {code, process.dwProcessId};
}

}  // namespace

TEST(TraceViewerLog, RecordsAnUnattendedRunAndNeverStopsIt) {
  const wine::TempFolder folder(L"perinax trace log");
  CopyFileW((wine::kBuildDir + L"/Perinax.exe").c_str(), (folder / L"Perinax.exe").c_str(), FALSE);
  CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
            (folder / L"setup.exe").c_str(), FALSE);
  std::string ini = "[Default]\r\nSetupFile=setup.exe\r\n";
  for (const char* bits : {"32", "64"}) {
    ini += std::string("RegPath") + bits + "KeyPath=" + wine::Narrow(kKey) + "\r\nRegPath" + bits +
           "KeyName=Stage\r\nRegPath" + bits + "KeyValue=1\r\n";
  }
  wine::WriteBytes(folder / L"Perinax.ini", ini);
  const std::wstring viewer = L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\"";
  const std::wstring program = L"Perinax.exe /quiet \"/log=C:\\a b.txt\" /exitcode=3010";

  // The trace the viewer prints, for the log to be held against.
  wine::RemoveMachineKey(kKey);
  ASSERT_EQ(wine::Run(viewer + L" " + program, folder.path(), folder / L"trace.txt"),
            kSetupExitCode);
  const std::vector<std::string> trace = Lines(wine::ReadBytes(folder / L"trace.txt").value_or(""));
  ASSERT_GT(trace.size(), 10u);

  struct LogRun {
    const wchar_t* label;
    std::wstring log;
    bool written;
  };
  const LogRun runs[] = {
      {L"log beside", folder / L"deploy log.txt", true},
      {L"folder missing", folder / L"no such folder\\x.log", false},
      {L"log is a folder", folder.path(), false},
  };
  // An earlier run's line stays: the log is appended to.
  wine::WriteBytes(folder / L"deploy log.txt", "earlier run\r\n");
  const std::regex stamped(R"((\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z) \[(\d+)\] (.*))");
  for (const LogRun& run : runs) {
    SCOPED_TRACE(run.label);
    wine::RemoveMachineKey(kKey);
    DeleteFileW((folder / L"setup-received.txt").c_str());
    const auto [exitCode, viewerId] =
        RunDetached(viewer + L" --log \"" + run.log + L"\" " + program, folder.path());
    EXPECT_EQ(exitCode, kSetupExitCode);
    EXPECT_TRUE(wine::ReadBytes(folder / L"setup-received.txt"));
    EXPECT_EQ(wine::MachineDword(kKey, L"Stage", wine::IsWin64Prefix() ? RRF_SUBKEY_WOW6464KEY : 0),
              std::optional<DWORD>(1));
    if (!run.written) continue;
    const std::vector<std::string> log = Lines(wine::ReadBytes(run.log).value_or(""));
    ASSERT_EQ(log.size(), trace.size() + 3);
    EXPECT_EQ(log[0], "earlier run");
    std::vector<std::string> texts;  // the program's lines
    std::vector<std::string> own;    // the viewer's
    std::string previousTime;
    std::string programId;
    for (std::size_t i = 1; i < log.size(); ++i) {
      std::smatch part;
      ASSERT_TRUE(std::regex_match(log[i], part, stamped)) << log[i];
      EXPECT_LE(previousTime, part[1].str()) << log[i];
      previousTime = part[1];
      // The viewer's own first and last lines carry its id, the trace lines the program's.
      const bool byViewer = i == 1 || i + 1 == log.size();
      if (!byViewer && programId.empty()) programId = part[2];
      EXPECT_EQ(part[2].str(), byViewer ? std::to_string(viewerId) : programId) << log[i];
      (byViewer ? own : texts).push_back(part[3]);
    }
    EXPECT_NE(programId, std::to_string(viewerId));
    EXPECT_EQ(texts, trace);
    EXPECT_EQ(own, (std::vector<std::string>{"perinax-trace: running " + wine::Narrow(program),
                                             "perinax-trace: exit code 3010 (0x00000bc2)"}));
  }
  wine::RemoveMachineKey(kKey);
}
