// The trace viewer in Perinax's place, started as a deployment tool starts a program: without a
// console. Its log (--log) holds the whole trace in order, one record a line in the form CMTrace
// reads (or, asked for, the plain text form), with each line's type, the viewer's own lines for
// what the trace leaves unsaid, and its records of the run: before it, whose versions run where,
// as whom and over which Perinax.ini; after it, the section read, the program started and the
// registry value read back in its view. A log it cannot write costs the record, never the run.

#include <gtest/gtest.h>

#include <regex>

#include "log_records.h"
#include "perinax_version.h"
#include "tools/common/sha256.h"
#include "wine_support.h"

namespace {

using Record = wine::LogRecord;

// The log's records; the UTF-8 mark opens the file and appears nowhere else.
std::vector<Record> ParseLog(const std::wstring& file) {
  const std::string bytes = wine::ReadBytes(file).value_or("");
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF"), 0u);
  return wine::ParseLogRecords(bytes);
}

// The time-zone bias as Windows gives it. The tests run east of UTC and off the hour (their CMake
// file sets the zone), so that it is negative and not whole hours.
int BiasMinutes() {
  TIME_ZONE_INFORMATION zone;
  const DWORD which = GetTimeZoneInformation(&zone);
  return int(zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias));
}

std::wstring UserName() {
  wchar_t name[257];
  DWORD size = 257;
  return GetUserNameW(name, &size) ? name : L"?";
}

std::vector<std::wstring> Shown(std::vector<Record>::const_iterator first,
                                std::vector<Record>::const_iterator last) {
  std::vector<std::wstring> shown;
  for (; first != last; ++first) shown.push_back(std::to_wstring(first->type) + L" " + first->text);
  return shown;
}

}  // namespace

TEST(TraceViewerLog, WritesEachLineAsARecordWithItsTypeAndSaysWhatTheRunDid) {
  const wine::TempFolder top(L"perinax trace log");
  const std::string target = "Name=Stage\r\nRegPath32KeyValue=1\r\nRegPath64KeyName=Stage\r\n";
  const std::wstring started = L"1 program started: setup.exe (";
  // The folder, its INI file, the argument text and the exit code; the records that are not the
  // launcher's information lines, each after the one before it, as "TYPE COMPONENT: TEXT"; and the
  // viewer's records of what the run did, as "TYPE TEXT", the program's path less its folder.
  const std::tuple<std::wstring, std::string, std::wstring, DWORD, std::vector<std::wstring>,
                   std::vector<std::wstring>>
      runs[] = {
          // RegPath64KeyValue is missing: 0 stands in the 64-bit view.
          {L"good",
           "[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=SOFTWARE\\PerinaxLog\r\n"
           "RegPath64KeyPath=SOFTWARE\\PerinaxLog\r\nRegPath32Key" +
               target,
           L"/quiet \"/log=C:\\a b.txt\" /exitcode=3010",
           3010,
           {L"Exit Code 3010 > 1 PerinaxTrace: exit code 3010 (0x00000bc2): success, a restart "
            L"is needed to finish"},
           {L"1 section read: [Default]", started + L"setup.exe)",
            wine::kWin64Prefix
                ? L"1 registry value: HKLM\\SOFTWARE\\PerinaxLog Stage = 0 (0x0), 64-bit view"
                : L"1 registry value: HKLM\\SOFTWARE\\PerinaxLog Stage = 1 (0x1), 32-bit Windows"}},
          {L"no ini",
           "",
           L"/quiet",
           1603,
           {L"INI path > 2 Perinax: Please check the path of INI file!",
            L"version > 2 Perinax: No registry target in the INI file",
            L"Setup CMD /quiet > 3 PerinaxTrace: the setup program could not be started: "
            L"Perinax.ini was not found in the working folder (the trace says \"Please check the "
            L"path of INI file!\"), so no SetupFile was read; start Perinax in the folder that "
            L"holds Perinax.ini",
            L"the setup program > 3 PerinaxTrace: exit code 1603 (0x00000643): failure"},
           {L"1 section read: none, there is no Perinax.ini",
            L"1 program not started: none, Perinax.ini names none",
            L"1 registry value: none written, there is no Perinax.ini"}},
          // The registry refuses a key path that starts with a backslash.
          {L"refused",
           "[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=\\SOFTWARE\\PerinaxLog\r\n"
           "RegPath64KeyPath=\\SOFTWARE\\PerinaxLog\r\nRegPath32Key" +
               target,
           L"/exitcode=0",
           0,
           {wine::kWin64Prefix
                ? L"X64 > 2 PerinaxTrace: the registry value was not written: the key could not "
                  L"be opened or created (no \"open\" or \"create\" after \"X64\")"
                : L"WriteToReg > 2 PerinaxTrace: the registry value was not written: the key "
                  L"could not be opened or created, or the value could not be set (no \"Write "
                  L"VUZA Value\" or \"win 7 Write VUZA Value\" after \"WriteToReg\")",
            L"Exit Code 0 > 1 PerinaxTrace: exit code 0 (0x00000000): success"},
           {L"1 section read: [Default]", started + L"setup.exe)",
            L"1 registry value: none written, the registry refuses the key path"}},
      };
  const std::wstring log = top / L"deploy.log";
  std::size_t logged = 0;  // records of the runs before: the log is appended to
  for (const auto& [name, ini, args, code, notable, after] : runs) {
    SCOPED_TRACE(wine::Narrow(name));
    const std::wstring folder = top / name;
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
              (folder + L"\\setup.exe").c_str(), FALSE);
    if (!ini.empty()) wine::WriteBytes(folder + L"\\Perinax.ini", ini);
    wine::RemoveMachineKey(L"SOFTWARE\\PerinaxLog");
    const std::wstring program = L"\"" + wine::kBuildDir + L"/Perinax.exe\" " + args;
    ASSERT_EQ(wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" --log \"" + log +
                            L"\" " + program,
                        folder, top / L"out.txt"),
              code);
    std::vector<Record> records = ParseLog(log);
    ASSERT_GT(records.size(), logged + 5 + after.size() + 2);
    records.erase(records.begin(), records.begin() + std::ptrdiff_t(logged));
    logged += records.size();

    // Before the run: whose versions, where, as whom, the command line, and which Perinax.ini,
    // or an error that there is none.
    const std::wstring version = L"" PERINAX_VERSION_TEXT;
    EXPECT_EQ(Shown(records.begin(), records.begin() + 5),
              (std::vector<std::wstring>{
                  L"1 perinax-trace " + version + L"; Perinax.exe " + version,
                  L"1 working folder: " + folder, L"1 " + records[2].text, L"1 running " + program,
                  ini.empty() ? L"3 Perinax.ini is not in the working folder " + folder +
                                    L": set the deployment tool's working folder (start-in "
                                    L"folder) to the package's folder, or start Perinax from a "
                                    L".cmd beside it that runs pushd \"%~dp0\" first"
                              : L"1 Perinax.ini SHA-256: " + HexDigits(Sha256Of(ini))}));
    EXPECT_TRUE(records[2].text.starts_with(L"account: ") &&
                records[2].text.ends_with(L"\\" + UserName()))
        << wine::Narrow(records[2].text);
    // After it, before the exit code: what it did, the program named with its folder.
    std::vector<std::wstring> done(after.begin(), after.end());
    done[1] = done[1].starts_with(started)
                  ? started + folder + L"\\" + done[1].substr(started.size())
                  : done[1];
    EXPECT_EQ(Shown(records.end() - 1 - std::ptrdiff_t(after.size()), records.end() - 1), done);
    records.erase(records.end() - 1 - std::ptrdiff_t(after.size()), records.end() - 1);

    // Between them, every record is what the viewer printed (its own lines marked), the viewer's
    // from its thread, the trace from another.
    const Record viewer = records.front(), trace = records[5];
    EXPECT_NE(viewer.thread, trace.thread);
    std::vector<std::wstring> printed, seen;
    for (auto record = records.begin() + 5; record != records.end(); ++record) {
      const bool viewers = record->component == L"PerinaxTrace";
      EXPECT_EQ(record->thread, (viewers ? viewer : trace).thread);
      EXPECT_EQ(record->component, viewers ? L"PerinaxTrace" : L"Perinax");
      EXPECT_EQ(record->biasMinutes, BiasMinutes());
      if (record + 1 != records.end())
        printed.push_back((viewers ? L"perinax-trace: " : L"") + record->text);
      if (record->type == 1 && !viewers) continue;
      // The line before, as far as it tells which it is.
      std::wstring before = record[-1].text;
      if (before.ends_with(L"\\Perinax.ini")) before = L"INI path";
      if (before.starts_with(L"OS version") || before.starts_with(L"CheckINISection"))
        before = L"version";
      if (before.starts_with(L"the setup program")) before = L"the setup program";
      seen.push_back(before + L" > " + std::to_wstring(record->type) + L" " + record->component +
                     L": " + record->text);
    }
    EXPECT_EQ(printed, wine::Lines(top / L"out.txt"));
    EXPECT_EQ(seen, notable);
  }
}

TEST(TraceViewerLog, KeepsThePlainFormAndNeverStopsTheRun) {
  const wine::TempFolder folder(L"perinax trace text log");
  CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
            (folder / L"setup.exe").c_str(), FALSE);
  wine::WriteBytes(folder / L"Perinax.ini", "[Default]\r\nSetupFile=setup.exe\r\n");
  const std::wstring program = L"\"" + wine::kBuildDir + L"/Perinax.exe\" /exitcode=3010";

  // An earlier run's line stays: the log is appended to. A log that cannot be written (its
  // folder is missing, or it is a folder) leaves the run as it is.
  wine::WriteBytes(folder / L"deploy log.txt", "earlier run\r\n");
  for (const std::wstring& log :
       {folder / L"deploy log.txt", folder / L"no such folder\\x.log", folder.path}) {
    SCOPED_TRACE(wine::Narrow(log));
    DeleteFileW((folder / L"setup-received.txt").c_str());
    DWORD viewerId = 0;
    EXPECT_EQ(wine::Run(L"\"" + wine::kBuildDir +
                            L"/tools/perinax-trace.exe\" --log-format text --log \"" + log +
                            L"\" " + program,
                        folder.path, L"", &viewerId),
              3010u);
    EXPECT_TRUE(wine::ReadBytes(folder / L"setup-received.txt"));
    if (log != folder / L"deploy log.txt") continue;

    // Each line: the time in UTC, the id of the process that sent it and its text; the viewer's
    // own records before and after the run marked, the program's trace between them.
    std::vector<std::wstring> lines = wine::Lines(log), texts;
    EXPECT_EQ(lines[0], L"earlier run");
    const std::wregex stamped(LR"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \[(\d+)\] (.*))");
    for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
      std::wsmatch part;
      ASSERT_TRUE(std::regex_match(*line, part, stamped)) << wine::Narrow(*line);
      const bool viewers = part[2].str().starts_with(L"perinax-trace: ");
      EXPECT_EQ(part[1] == std::to_wstring(viewerId), viewers);
      if (line == lines.begin() + 4 || line == lines.begin() + 6 || line + 1 == lines.end())
        texts.push_back(part[2]);
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{
                         L"perinax-trace: running " + program, L"-----LoadINIFile file start-----",
                         L"perinax-trace: exit code 3010 (0x00000bc2): success, a restart is "
                         L"needed to finish"}));
  }
}
