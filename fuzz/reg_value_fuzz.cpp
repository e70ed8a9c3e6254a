#include <algorithm>
#include <string>
#include <vector>

#include "fake_registry.h"
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
  state.settings.m_szReg64KeyName[0] = L'N';
  FakeRegistry registry;
  RecordingTrace trace;
  WriteRegMarker(state, registry, trace, PackOSVersionCode(6, 1, kArchitectureX64));
  for (const std::wstring& line : trace.lines) FUZZ_CHECK(line.size() < kTraceLineChars);
  std::wstring path = field;
  const std::size_t node = path.find(L"Wow6432Node\\");
  if (node != std::wstring::npos) path.erase(node, 12);
  if (field == kSettingDefault || path.empty()) {  // no key path: nothing is written
    FUZZ_CHECK(registry.calls.empty());
    return 0;
  }
  FUZZ_CHECK(path == state.settings.m_szReg64KeyPath);
  const bool view64 = node == std::wstring::npos;
  FUZZ_CHECK(state.registryView.m_dwRegViewFlag == (view64 ? kRegView64Key : 0));
  const std::wstring access = view64 ? L" 0x2011f" : L" 0x2001f";
  std::vector<std::wstring> expected = {L"open " + path + access, L"create " + path + access,
                                        L"set N=" + std::to_wstring(ReferenceValue(field)),
                                        L"close", view64 ? L"revert saved" : L"revert null"};
  if (view64) expected.insert(expected.begin(), L"disable");
  FUZZ_CHECK(registry.calls == expected);
  return 0;
}
