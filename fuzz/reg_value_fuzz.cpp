#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "recording_trace.h"
#include "registry/registry_marker.h"

namespace {

// The number _wtoi reads, worked out in 64 bits (saturating long before they
// overflow), then stored as the launcher stores it: the 32-bit pattern from
// -2147483648 to 4294967295, clamped beyond.
std::uint32_t ReferenceValue(const std::wstring& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  std::int64_t sign = 1;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) sign = text[i++] == L'-' ? -1 : 1;
  std::int64_t number = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    number = std::min<std::int64_t>(number * 10 + (text[i] - L'0'), std::int64_t{1} << 40);
  }
  number *= sign;
  if (number < -2147483648LL) return 0x80000000u;
  if (number > 4294967295LL) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(number);
}

// An access mask as the registry fake records it.
std::wstring Hex(std::uint32_t value) {
  wchar_t text[16] = {};
  std::swprintf(text, 16, L" 0x%x", value);
  return text;
}

// A registry where every key is missing and can be created; keeps the open,
// create and set calls as text and counts the keys handed out less those closed.
class RecordingRegistry final : public RegistryApi {
 public:
  std::vector<std::wstring> calls;
  int openKeys = 0;
  bool redirectionOff = false;

  std::int32_t OpenKey(const wchar_t* path, std::uint32_t access, RegKey*) override {
    calls.push_back(L"open " + std::wstring(path) + Hex(access));
    return 2;  // ERROR_FILE_NOT_FOUND
  }
  std::int32_t CreateKey(const wchar_t* path, std::uint32_t access, RegKey* key) override {
    calls.push_back(L"create " + std::wstring(path) + Hex(access));
    *key = &openKeys;
    ++openKeys;
    return 0;
  }
  std::int32_t SetDwordValue(RegKey, const wchar_t*, std::uint32_t value) override {
    calls.push_back(L"set " + std::to_wstring(value));
    return 0;
  }
  void CloseKey(RegKey) override { --openKeys; }
  void DisableFsRedirection(void** oldValue) override {
    *oldValue = &redirectionOff;
    redirectionOff = true;
  }
  void RevertFsRedirection(void* oldValue) override {
    if (oldValue == &redirectionOff) redirectionOff = false;
  }
};

}  // namespace

// The input, as UTF-16LE text, is read as a value text and then serves as the
// x64 target's key path and value on 64-bit Windows: the first "Wow6432Node\"
// is taken out of the path (the 32-bit view), else the 64-bit view is used.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = WideText(data, size);
  FUZZ_CHECK(RegValueFromText(text.c_str()) == ReferenceValue(text));

  const std::wstring field = text.substr(0, kSettingChars - 1);
  LauncherState state;
  field.copy(state.settings.m_szReg64KeyPath, field.size());
  field.copy(state.settings.m_szReg64KeyValue, field.size());
  RecordingRegistry registry;
  RecordingTrace trace;
  WriteRegMarker(state, registry, trace, PackOSVersionCode(6, 1, kArchitectureX64));

  std::wstring path = field;
  const std::size_t node = path.find(L"Wow6432Node\\");
  if (node != std::wstring::npos) path.erase(node, 12);
  FUZZ_CHECK(path == state.settings.m_szReg64KeyPath);
  const std::uint32_t view = node == std::wstring::npos ? kRegView64Key : 0;
  FUZZ_CHECK(state.registryView.m_dwRegViewFlag == view);
  const std::wstring access = Hex(view | kRegAccessReadWrite);
  const std::vector<std::wstring> expected = {L"open " + path + access, L"create " + path + access,
                                              L"set " + std::to_wstring(ReferenceValue(field))};
  FUZZ_CHECK(registry.calls == expected);
  FUZZ_CHECK(registry.openKeys == 0 && !registry.redirectionOff);
  for (const std::wstring& line : trace.lines) FUZZ_CHECK(line.size() < kTraceLineChars);
  return 0;
}
