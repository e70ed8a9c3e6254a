#include "common/dll_fence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "recording_trace.h"

namespace {

// Records the search calls; System32 is C:\Windows\system32 unless set otherwise.
class FakeDllSearch final : public DllSearchApi {
 public:
  bool defaultDirectoriesExist = true;
  std::wstring systemDirectory = L"C:\\Windows\\system32";
  std::vector<std::wstring> calls;

  bool SearchSystem32Only() override {
    calls.emplace_back(L"default directories");
    return defaultDirectoriesExist;
  }
  void RemoveCurrentDirectoryFromSearch() override { calls.emplace_back(L"no current directory"); }
  std::uint32_t SystemDirectory(wchar_t* buffer, std::uint32_t size) override {
    const auto length = static_cast<std::uint32_t>(systemDirectory.size());
    if (length + 1 > size) return length + 1;
    buffer[systemDirectory.copy(buffer, length)] = L'\0';
    return length;
  }
  DllModule LoadFromSystem32(const wchar_t* name) override {
    calls.push_back(L"system32 " + std::wstring(name));
    return this;
  }
  DllModule LoadByFullPath(const wchar_t* path) override {
    calls.push_back(L"path " + std::wstring(path));
    return this;
  }
};

}  // namespace

TEST(FenceDllSearch, UsesTheDefaultDirectoriesWhereTheyExistElseFullPathsAndPreloads) {
  FakeDllSearch api;
  EXPECT_EQ(FenceDllSearch(api), DllFence::kSystem32Only);
  EXPECT_EQ(LoadSystemDll(api, DllFence::kSystem32Only, L"ole32.dll"), &api);
  EXPECT_EQ(Joined(api.calls), L"default directories|system32 ole32.dll");

  // Vista and 7 without KB2533623: the current directory goes, and the DLLs that the shell and
  // COM load by bare name are in memory by their System32 path first (planted under Wine).
  FakeDllSearch old;
  old.defaultDirectoriesExist = false;
  EXPECT_EQ(FenceDllSearch(old), DllFence::kFullPaths);
  EXPECT_EQ(LoadSystemDll(old, DllFence::kFullPaths, L"shell32"), &old);
  EXPECT_EQ(Joined(std::vector(old.calls.begin(), old.calls.begin() + 3)),
            L"default directories|no current directory|path C:\\Windows\\system32\\uxtheme.dll");
  for (const std::wstring& call : std::vector(old.calls.begin() + 2, old.calls.end()))
    EXPECT_TRUE(call.starts_with(L"path C:\\Windows\\system32\\")) << call;
  EXPECT_EQ(old.calls.back(), L"path C:\\Windows\\system32\\shell32");

  // Among them, once each, those that COM, the RPC runtime and the shell load by name when the
  // WMI service is asked and a program on a share is started.
  for (const wchar_t* name :
       {L"RpcRtRemote.dll", L"cscapi.dll", L"ntshrui.dll", L"srvcli.dll", L"mpr.dll", L"comres.dll",
        L"crypt32.dll", L"msasn1.dll", L"clbcatq.dll", L"version.dll", L"shcore.dll"}) {
    EXPECT_EQ(std::count(old.calls.begin(), old.calls.end(),
                         L"path C:\\Windows\\system32\\" + std::wstring(name)),
              1)
        << name;
  }
}

// A System32 path that cannot be read or would be cut names nothing: nothing is loaded.
TEST(FenceDllSearch, LoadsNothingByACutOrUnreadablePath) {
  for (const std::size_t length : {0, 246, 247, 259, 300}) {
    SCOPED_TRACE(length);
    FakeDllSearch api;
    api.systemDirectory = length == 0 ? L"" : L"C:\\" + std::wstring(length - 3, L's');
    const bool fits = length != 0 && length + 1 + 12 < 260;  // "\advapi32.dll" and its end
    EXPECT_EQ(LoadSystemDll(api, DllFence::kFullPaths, L"advapi32.dll") != nullptr, fits);
    EXPECT_EQ(api.calls.size(), fits ? 1u : 0u);
  }
}
