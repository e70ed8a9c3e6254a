// The trace viewer's console twin: typed as "perinax-trace" at a prompt, in its folder or from
// the PATH, cmd finds perinax-trace.com before perinax-trace.exe (PATHEXT lists .COM first) and
// waits for it, so the trace and the exit code reach the prompt. The traced helper names the
// viewer that started it, since both viewers print the same lines.

#include <gtest/gtest.h>

#include "wine_support.h"

namespace {

// The subsystem field of a PE image's optional header: 2 GUI, 3 console.
int Subsystem(const std::wstring& image) {
  const std::string bytes = wine::ReadBytes(image).value_or("");
  if (bytes.size() < 0x40) return 0;
  const std::size_t pe = std::uint8_t(bytes[0x3C]) | std::uint8_t(bytes[0x3D]) << 8;
  const std::size_t at = pe + 4 + 20 + 68;
  return at + 2 <= bytes.size() ? std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8 : 0;
}

}  // namespace

TEST(TraceViewerConsoleTwin, IsWhatAPromptRunsAndWaitsFor) {
  const wine::TempFolder top(L"perinax trace console");
  const std::wstring run = L"perinax-trace parent-image.exe";
  // With the twin beside the viewer or not, found in the current directory or on the PATH, under
  // "cmd /c" or at a prompt (commands read from standard input): the viewer that ran ("" when cmd
  // did not wait for it, so its lines come later) and the exit code cmd ends with.
  const struct {
    const wchar_t* name;
    bool twin, onPath, prompt;
    const wchar_t* ran;
    DWORD code;
  } rows[] = {
      {L"beside", true, false, false, L"perinax-trace.com", 3010},
      {L"on the path", true, true, false, L"perinax-trace.com", 3010},
      {L"at a prompt", true, false, true, L"perinax-trace.com", 3010},
      // Wine's cmd waits for any program when it runs no prompt; at a prompt it does not wait for
      // a GUI program, whose exit code is then lost: the reason the twin ships.
      {L"exe alone", false, false, false, L"perinax-trace.exe", 3010},
      {L"exe alone at a prompt", false, false, true, L"", 0},
  };
  const std::wstring path = wine::Wide(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (const auto& row : rows) {
    SCOPED_TRACE(wine::Narrow(row.name));
    const std::wstring folder = top / row.name, elsewhere = folder + L"\\elsewhere";
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW(elsewhere.c_str(), nullptr);
    for (const std::wstring file : {L"tools/perinax-trace.exe", L"tools/perinax-trace.com",
                                    L"tests/windows/helpers/parent-image.exe"}) {
      if (!row.twin && file.ends_with(L".com")) continue;
      const std::wstring name = file.substr(file.rfind(L'/') + 1);
      ASSERT_TRUE(CopyFileW((wine::kBuildDir + L"/" + file).c_str(),
                            (folder + L"\\" + name).c_str(), FALSE));
    }
    wine::WriteBytes(folder + L"\\commands.txt", wine::Narrow(run) + "\r\nexit %errorlevel%\r\n");
    if (row.onPath) SetEnvironmentVariableW(L"PATH", (folder + L";" + path).c_str());
    const std::wstring output = folder + L"\\out.txt";
    const DWORD code = row.prompt
                           ? wine::Run(L"cmd", folder, output, nullptr, folder + L"\\commands.txt")
                           : wine::Run(L"cmd /c " + run, row.onPath ? elsewhere : folder, output);
    SetEnvironmentVariableW(L"PATH", path.c_str());

    EXPECT_EQ(code, row.code);
    std::wstring ran;
    for (const std::wstring& line : wine::Lines(output))
      if (const auto at = line.find(L"parent "); at != std::wstring::npos)
        ran = line.substr(at + 7);
    if (*row.ran == L'\0') continue;
    EXPECT_EQ(ran, folder + L"\\" + row.ran);
    EXPECT_EQ(Subsystem(ran), std::wstring(row.ran).ends_with(L".com") ? 3 : 2);
  }
}
