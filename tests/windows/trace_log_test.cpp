// The trace viewer in Perinax's place, started as a deployment tool starts a program: without a
// console and without handles of its own. Its log (--log) then holds the whole trace in order,
// each line stamped, and the exit code; a log it cannot write costs the record, never the run.

#include <gtest/gtest.h>

#include <regex>

#include "wine_support.h"

TEST(TraceViewerLog, RecordsAnUnattendedRunAndNeverStopsIt) {
  const wine::TempFolder folder(L"perinax trace log");
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
    EXPECT_EQ(wine::Run(L"\"" + wine::kBuildDir + L"/tools/perinax-trace.exe\" --log \"" + log +
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
    expected.push_back(L"perinax-trace: exit code 3010 (0x00000bc2)");
    EXPECT_EQ(texts, expected);
  }
}
