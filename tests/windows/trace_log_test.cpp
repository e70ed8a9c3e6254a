// The trace viewer in Perinax's place, started as a deployment tool starts a program: without a
// console. Its log (--log) holds the whole trace in order, one record a line in the form CMTrace
// reads (or, asked for, the plain text form), with each line's type, and the viewer's own lines
// for what the trace leaves unsaid; a log it cannot write costs the record, never the run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>

#include "wine_support.h"

namespace {

// One record of the trace-log form, as its readers take it apart.
struct Record {
  std::wstring text, component;
  int type = 0, biasMinutes = 0;
  long long localMs = 0;  // the time of day
  std::wstring thread;
};

const std::wregex kRecord(
    LR"re(<!\[LOG\[((?:(?!\]LOG\]!>).)*)\]LOG\]!><time="(\d\d):(\d\d):(\d\d)\.(\d{3})([+-]\d{3})" )re"
    LR"re(date="(?:0[1-9]|1[0-2])-(?:0[1-9]|[12]\d|3[01])-\d{4}" component="([A-Za-z0-9]+)" )re"
    LR"re(context="" type="([123])" thread="(\d+)" file="">)re");

// The log's records; every line must be one, each ending with CR LF, and the UTF-8 mark must
// open the file and appear nowhere else.
std::vector<Record> ParseLog(const std::wstring& file) {
  const std::string bytes = wine::ReadBytes(file).value_or("");
  EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF"), 0u);
  std::vector<Record> records;
  std::size_t at = 3;
  for (std::size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::wstring line = wine::Wide(bytes.substr(at, end - at));
    std::wsmatch part;
    if (!std::regex_match(line, part, kRecord)) {
      ADD_FAILURE() << "not a record: " << wine::Narrow(line);
      continue;
    }
    const auto number = [&](int index) { return std::stoi(part[index].str()); };
    records.push_back({part[1], part[7], number(8), number(6),
                       ((number(2) * 60LL + number(3)) * 60 + number(4)) * 1000 + number(5),
                       part[9]});
  }
  EXPECT_EQ(at, bytes.size()) << "a last line without its line end";
  return records;
}

// The time-zone bias now, as Windows gives it: the tests run east of UTC, off the hour (their
// CMake file sets the zone), so that it is negative and not a whole number of hours.
int BiasMinutes() {
  TIME_ZONE_INFORMATION zone;
  const DWORD which = GetTimeZoneInformation(&zone);
  return int(zone.Bias + (which == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : zone.StandardBias));
}

long long UtcMs() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  return ((now.wHour * 60LL + now.wMinute) * 60 + now.wSecond) * 1000 + now.wMilliseconds;
}

// The viewer's added line: the trace line it follows, its text and its type.
struct Added {
  std::wstring after, text;
  int type;
};

struct LoggedRun {
  std::wstring folder;
  std::wstring args;
  DWORD code;
  std::vector<std::wstring> warnings;  // the trace lines of type 2; all others are of type 1
  std::vector<Added> added;
};

}  // namespace

TEST(TraceViewerLog, WritesEachLineAsARecordWithItsTypeAndSaysWhatTheTraceLeavesUnsaid) {
  const wine::TempFolder top(L"perinax trace log");
  const std::wstring good = top / L"good", noIni = top / L"no ini", refused = top / L"refused";
  for (const std::wstring& folder : {good, noIni, refused}) {
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
              (folder + L"\\setup.exe").c_str(), FALSE);
  }
  const std::string target =
      "RegPath32KeyName=Stage\r\nRegPath32KeyValue=1\r\n"
      "RegPath64KeyName=Stage\r\nRegPath64KeyValue=1\r\n";
  wine::WriteBytes(good + L"\\Perinax.ini",
                   "[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=SOFTWARE\\PerinaxLog\r\n"
                   "RegPath64KeyPath=SOFTWARE\\PerinaxLog\r\n" +
                       target);
  // The registry refuses a key path that starts with a backslash.
  wine::WriteBytes(refused + L"\\Perinax.ini",
                   "[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyPath=\\SOFTWARE\\PerinaxLog\r\n"
                   "RegPath64KeyPath=\\SOFTWARE\\PerinaxLog\r\n" +
                       target);
  const std::wstring end = L"-----LoadINIFile file end-----";
  const std::wstring keyRefused =
      wine::kWin64Prefix
          ? L"the registry value was not written: the key could not be opened or created (no "
            L"\"open\" or \"create\" after \"X64\")"
          : L"the registry value was not written: the key could not be opened or created, or the "
            L"value could not be set (no \"Write VUZA Value\" or \"win 7 Write VUZA Value\" after "
            L"\"WriteToReg\")";
  const LoggedRun runs[] = {
      {good, L"/quiet \"/log=C:\\a b.txt\" /exitcode=3010", 3010, {}, {}},
      {noIni,
       L"/quiet",
       0x643,
       {L"Please check the path of INI file!", L"No registry target in the INI file"},
       {{L"Setup CMD /quiet",
         L"the setup program could not be started: the trace ends with the two \"Setup CMD\" "
         L"lines; check that SetupFile in the INI file names a program that exists, or a "
         L"document with an associated program",
         3}}},
      {refused, L"", 0, {}, {{wine::kWin64Prefix ? L"X64" : L"WriteToReg", keyRefused, 2}}},
  };
  const std::wstring log = top / L"deploy.log";
  std::size_t logged = 0;  // records of the runs before: the log is appended to
  for (const LoggedRun& run : runs) {
    SCOPED_TRACE(wine::Narrow(run.folder));
    wine::RemoveMachineKey(L"SOFTWARE\\PerinaxLog");
    const std::wstring program =
        L"\"" + wine::kBuildDir + L"/Perinax.exe\"" + (run.args.empty() ? L"" : L" ") + run.args;
    const long long before = UtcMs();
    ASSERT_EQ(wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" --log \"" + log +
                            L"\" " + program,
                        run.folder, top / L"out.txt"),
              run.code);
    const long long after = UtcMs();
    const std::vector<std::wstring> printed = wine::Lines(top / L"out.txt");
    std::vector<Record> records = ParseLog(log);
    ASSERT_GT(records.size(), logged + 2);
    records.erase(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(logged));
    logged += records.size();

    // The viewer's first and last records: the command line and the exit code, read as the
    // deployment tools read it.
    const Record first = records.front(), last = records.back();
    EXPECT_EQ(first.text, L"running " + program);
    wchar_t exitText[80];
    swprintf(exitText, 80, L"exit code %lu (0x%08lx): %ls", run.code, run.code,
             run.code == 3010 ? L"success, a restart is needed to finish"
             : run.code == 0  ? L"success"
                              : L"failure");
    EXPECT_EQ(last.text, exitText);
    EXPECT_EQ(last.type, run.code == 0x643 ? 3 : 1);
    records.erase(records.begin());
    records.pop_back();

    // Between them, the trace as printed, the viewer's added lines marked on standard output and
    // in the log by its component; every line of the viewer from one thread, the trace from
    // another.
    std::vector<std::wstring> out;
    std::vector<int> types;
    for (const Record& record : records) {
      const bool viewers = record.component == L"PerinaxTrace";
      out.push_back((viewers ? L"perinax-trace: " : L"") + record.text);
      types.push_back(record.type);
      EXPECT_EQ(record.thread, (viewers ? first : records.front()).thread);
      EXPECT_EQ(record.component, viewers ? L"PerinaxTrace" : L"Perinax");
      EXPECT_EQ(record.biasMinutes, BiasMinutes());
      // Local time and bias give back the moment of the run in UTC.
      const long long utc = (record.localMs + record.biasMinutes * 60000LL + 86400000) % 86400000;
      EXPECT_LE((utc - before + 86400000) % 86400000, after - before + 1000) << record.localMs;
    }
    EXPECT_NE(first.thread, records.front().thread);
    EXPECT_EQ(out, printed);

    // The added lines, each where it belongs, and each record's type.
    std::vector<std::wstring> addedSeen, addedExpected;
    std::vector<int> expectedTypes;
    for (std::size_t i = 0; i < printed.size(); ++i) {
      const std::wstring& line = printed[i];
      if (line.starts_with(L"perinax-trace: ")) {
        addedSeen.push_back(printed[i - 1] + L" > " + line.substr(15));
        const auto added = std::find_if(run.added.begin(), run.added.end(),
                                        [&](const Added& a) { return a.text == line.substr(15); });
        expectedTypes.push_back(added != run.added.end() ? added->type : 0);
      } else {
        expectedTypes.push_back(
            std::count(run.warnings.begin(), run.warnings.end(), line) != 0 ? 2 : 1);
      }
    }
    for (const Added& added : run.added) addedExpected.push_back(added.after + L" > " + added.text);
    EXPECT_EQ(addedSeen, addedExpected);
    EXPECT_EQ(types, expectedTypes);
    if (run.folder == refused) {
      const auto banner = std::find(printed.begin(), printed.end(), end);
      ASSERT_NE(banner, printed.begin());
      EXPECT_EQ(banner[-1], L"perinax-trace: " + keyRefused);
    }
  }
}

TEST(TraceViewerLog, KeepsThePlainFormAndNeverStopsTheRun) {
  const wine::TempFolder folder(L"perinax trace text log");
  CopyFileW((wine::kBuildDir + L"/tools/perinax-demo-setup.exe").c_str(),
            (folder / L"setup.exe").c_str(), FALSE);
  wine::WriteBytes(folder / L"Perinax.ini", "[Default]\r\nSetupFile=setup.exe\r\n");
  const std::wstring args = L"/quiet \"/log=C:\\a b.txt\" /exitcode=3010";
  const std::wstring program = L"\"" + wine::kBuildDir + L"/Perinax.exe\" " + args;
  const auto [code, printed] = wine::RunTraced(folder.path, args);
  ASSERT_EQ(code, 3010u);
  ASSERT_EQ(printed.back(), L"Exit Code 3010");

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

    // Each line: the time, then the id of the process that sent it: the viewer's own first and
    // last lines, and the program's trace between them, as the viewer prints it.
    std::vector<std::wstring> lines = wine::Lines(log), ids, texts;
    ASSERT_EQ(lines.size(), printed.size() + 3);
    EXPECT_EQ(lines[0], L"earlier run");
    const std::wregex stamped(LR"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z \[(\d+)\] (.*))");
    for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
      std::wsmatch part;
      ASSERT_TRUE(std::regex_match(*line, part, stamped)) << wine::Narrow(*line);
      ids.push_back(part[1]);
      texts.push_back(part[2]);
    }
    EXPECT_NE(ids[1], std::to_wstring(viewerId));
    std::vector<std::wstring> expectedIds(ids.size(), ids[1]), expected = printed;
    expectedIds.front() = expectedIds.back() = std::to_wstring(viewerId);
    EXPECT_EQ(ids, expectedIds);
    expected.insert(expected.begin(), L"perinax-trace: running " + program);
    expected.push_back(
        L"perinax-trace: exit code 3010 (0x00000bc2): success, a restart is needed to finish");
    EXPECT_EQ(texts, expected);
  }
}
