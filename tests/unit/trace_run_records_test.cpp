// The trace viewer's records of a run: the SHA-256 it names Perinax.ini by, what it knows before
// the run, the OS code it takes from the launcher's trace, and what the run did, as the launcher's
// own logic plans it for that code and as the registry holds it afterwards.

#include <gtest/gtest.h>

#include "lib/ini/ini_reader.h"
#include "perinax_version.h"
#include "tools/trace/run_records.h"

namespace {

// Each record as "TYPE TEXT".
std::vector<std::wstring> Shown(const std::vector<ViewerLine>& lines) {
  std::vector<std::wstring> shown;
  for (const ViewerLine& line : lines)
    shown.push_back(std::to_wstring(static_cast<int>(line.severity)) + L" " + line.text);
  return shown;
}

RunWatch Watching(std::wstring_view line) {
  RunWatch watch;
  watch.See(line);
  return watch;
}

}  // namespace

TEST(Sha256, GivesTheStandardDigests) {
  // FIPS 180-4's examples, then the lengths around the end of a block, where the padding takes
  // one block or two.
  const std::pair<std::string, std::wstring_view> rows[] = {
      {"", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       L"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
       "nopqrsmnopqrstnopqrstu",
       L"cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {std::string(55, 'a'), L"9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(56, 'a'), L"b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(64, 'a'), L"ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(119, '\xff'),
       L"b863f94597d433ef2280e3b4656f13ea265a79bb8047287321c218905b03c99b"},
  };
  for (const auto& [bytes, digest] : rows) {
    SCOPED_TRACE(bytes.size());
    EXPECT_EQ(HexDigits(Sha256Of(bytes)), digest);
  }
}

TEST(TraceRunRecords, SaysWhoseVersionsWhereAndAsWhomBeforeTheRun) {
  const std::wstring viewer = L"1 perinax-trace " PERINAX_VERSION_TEXT;
  const std::wstring sha =
      L"1 Perinax.ini SHA-256: ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const std::pair<BeforeRunFacts, std::vector<std::wstring>> rows[] = {
      {{L"Perinax.exe", L"1.0.0.2", L"C:\\pkg", L"NT AUTHORITY\\SYSTEM", Sha256Of("abc")},
       {viewer + L"; Perinax.exe 1.0.0.2", L"1 working folder: C:\\pkg",
        L"1 account: NT AUTHORITY\\SYSTEM", sha}},
      // A program without a version resource, an account that cannot be read, and a folder
      // without Perinax.ini, which the run then cannot read.
      {{L"setup.exe", std::nullopt, L"C:\\Windows\\system32", L"", std::nullopt},
       {viewer + L"; setup.exe: no version resource", L"1 working folder: C:\\Windows\\system32",
        L"1 account: cannot be read",
        L"3 Perinax.ini is not in the working folder C:\\Windows\\system32: set the deployment "
        L"tool's working folder (start-in folder) to the package's folder, or start Perinax from "
        L"a .cmd beside it that runs pushd \"%~dp0\" first"}},
  };
  for (const auto& [facts, records] : rows) {
    std::vector<ViewerLine> lines = RunnerRecords(facts);
    lines.push_back(IniRecord(facts));
    EXPECT_EQ(Shown(lines), records);
  }
}

TEST(TraceRunRecords, TakesTheOsCodeFromTheLaunchersOwnLine) {
  // The line as the launcher's configuration phase writes it, for codes of every kind, and the
  // case of perinax-explain's table each is (Windows 10's "10.0" is read as hexadecimal).
  const IniReader ini = IniReader::FromBytes("[Default]\r\nSetupFile=setup.exe\r\n");
  const std::pair<OSVersionCode, std::string_view> codes[] = {
      {0x06010009, "win7-x64"},
      {0x06030000, "win81-x86"},
      {0x10000009, "win10-x64"},
      {0x1000000C, ""},  // ARM64, which the table does not hold
      {kOSProbeFailed, "probe-failed"}};
  const std::optional<std::filesystem::path> noFolder;
  const std::wstring none;
  for (const auto& [code, name] : codes) {
    const CasePlan plan = PlanOsCode(code, {ini, noFolder, none, none});
    RunWatch watch;
    for (const std::wstring& line : plan.phase) watch.See(line);
    EXPECT_EQ(watch.osCode(), code);
    EXPECT_EQ(plan.spec ? plan.spec->name : "", name);
  }
  // Lines that only look like it name no code; %d shows the highest bit as a minus.
  const std::pair<std::wstring_view, std::optional<OSVersionCode>> rows[] = {
      {L"OS version -1", 0xFFFFFFFFu},
      {L"OS version -2147483648", 0x80000000u},
      {L"OS version 2147483648", {}},
      {L"OS version 12x", {}},
      {L"OS version ", {}},
      {L"Setup CMD OS version 1", {}},
  };
  for (const auto& [line, code] : rows) EXPECT_EQ(Watching(line).osCode(), code);
  EXPECT_FALSE(PlanOfRun(Watching(L"Exit Code 0"), ini, L"C:\\pkg")) << "a trace not Perinax's";
}

TEST(TraceRunRecords, SaysWhatTheRunDidAsThePlanAndTheRegistryTellIt) {
  const IniReader ini = IniReader::FromBytes(
      "[win7]\r\nSetupFile=setup.exe\r\nRegPath64KeyPath=SOFTWARE\\Contoso\\Setup\r\n"
      "RegPath64KeyName=LaunchedOn\r\nRegPath64KeyValue=61\r\n"
      "RegPath32KeyPath=SOFTWARE\\Contoso\\Setup\r\nRegPath32KeyName=LaunchedOn\r\n"
      "RegPath32KeyValue=61\r\n"
      "[win8]\r\nSetupFile=C:\\tools\\setup.exe\r\nRegPath64KeyPath=SOFTWARE\\Wow6432Node\\Contoso"
      "\r\nRegPath64KeyName=\r\nRegPath64KeyValue=62\r\n"
      "[Default]\r\nSetupFile=setup.exe\r\n");
  const IniReader missing = IniReader::Missing();
  const std::wstring win7 = L"1 section read: [win7]";
  const std::wstring started = L"1 program started: setup.exe (C:\\pkg\\setup.exe)";
  const std::wstring value = L"registry value: HKLM\\SOFTWARE\\Contoso\\Setup LaunchedOn";
  const std::wstring none = L"1 registry value: none written, ";
  struct Row {
    const IniReader& ini;
    OSVersionCode code;
    bool started, beside;  // the trace's "CreateProcess"; the program lies beside the INI file
    std::optional<ReadBack> readBack;
    std::optional<std::uint32_t> viewBits;  // the view it is read back through
    std::vector<std::wstring> records;
  };
  const Row rows[] = {
      {ini,
       0x06010009,
       true,
       true,
       ReadBack{0, 61, {}},
       0x100,
       {win7, started, L"1 " + value + L" = 61 (0x3d), 64-bit view"}},
      {ini,
       0x06010009,
       true,
       true,
       ReadBack{5, 0, L"Access is denied. (error 5)"},
       0x100,
       {win7, started,
        L"2 " + value + L" cannot be read, 64-bit view: Access is denied. (error 5)"}},
      {ini,
       0x06010000,
       true,
       true,
       ReadBack{2, 0, {}},
       0,
       {win7, started, L"2 " + value + L" is not there, 32-bit Windows"}},
      // Wow6432Node\ names the 32-bit view; a full path is shown once; an empty name is the
      // key's default value; a value other than the planned one is not Perinax's.
      {ini,
       0x06020009,
       true,
       true,
       ReadBack{0, 7, {}},
       0x200,
       {L"1 section read: [win8]", L"1 program started: C:\\tools\\setup.exe",
        L"2 registry value: HKLM\\SOFTWARE\\Contoso (Default) = 7 (0x7), 32-bit view, not the 62 "
        L"(0x3e) that Perinax.ini gives"}},
      {ini,
       0x0A000009,
       false,
       false,
       {},
       {},
       {L"1 section read: [Default]", L"1 program not started: setup.exe",
        none + L"no RegPath64KeyPath in [Default]"}},
      {ini,
       0x0A00000C,
       true,
       false,
       {},
       {},
       {L"1 section read: [Default]", L"1 program started: setup.exe",
        none + L"Perinax writes one on x86 and x64 Windows only"}},
      {ini,
       kOSProbeFailed,
       true,
       false,
       {},
       {},
       {L"1 section read: [Default]", L"1 program started: setup.exe",
        none + L"the version cannot be read"}},
      {missing,
       0x06010009,
       false,
       false,
       {},
       {},
       {L"1 section read: none, there is no Perinax.ini",
        L"1 program not started: none, Perinax.ini names none", none + L"there is no Perinax.ini"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    std::optional<CasePlan> plan =
        PlanOfRun(Watching(L"OS version " + std::to_wstring(int(row.code))), row.ini, L"C:\\pkg");
    ASSERT_TRUE(plan);
    plan->startedFound = row.beside;
    const std::optional<ReadBackTarget> target = ReadBackTargetOf(*plan);
    EXPECT_EQ(target ? std::optional(ViewAccessBits(target->view)) : std::nullopt, row.viewBits);
    EXPECT_EQ(
        Shown(AfterRunRecords({*plan, row.ini.exists(), L"C:\\pkg", row.started, row.readBack})),
        row.records);
  }
}
