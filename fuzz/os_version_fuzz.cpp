#include <climits>
#include <string>
#include <vector>

#include "fake_os_probe.h"
#include "fuzz_support.h"
#include "osinfo/os_version.h"
#include "recording_trace.h"

namespace {

// The dot-separated components, with runs of dots separating like one.
std::vector<std::wstring> Components(const std::wstring& text) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t dot = std::min(text.find(L'.', start), text.size());
    if (dot > start) parts.push_back(text.substr(start, dot - start));
    start = dot + 1;
  }
  return parts;
}

// strtoll in base 16, narrowed the way a 32-bit long saturates; only asked
// about ASCII text, where the C library and the Windows runtime read alike.
std::uint32_t ReferenceHexLong(const std::wstring& component) {
  const std::string ascii(component.begin(), component.end());
  const long long value = std::strtoll(ascii.c_str(), nullptr, 16);
  if (value > INT_MAX) return static_cast<std::uint32_t>(INT_MAX);
  if (value < INT_MIN) return static_cast<std::uint32_t>(INT_MIN);
  return static_cast<std::uint32_t>(value);
}

}  // namespace

// The first byte is the native architecture, the rest the WMI version text in
// UTF-16LE.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint16_t architecture = data[0];
  const std::wstring text = WideText(data + 1, size - 1);

  OSVersionCode parsed = 0;
  const bool read = ParseOSVersionText(text.c_str(), architecture, &parsed);
  const std::vector<std::wstring> parts = Components(text);
  FUZZ_CHECK(read == (parts.size() >= 2));
  if (read) {
    FUZZ_CHECK(ArchitectureOf(parsed) == architecture);
    bool ascii = true;
    for (const wchar_t c : parts[0] + parts[1]) ascii = ascii && c < 0x80;
    if (ascii) {
      FUZZ_CHECK(parsed == PackOSVersionCode(ReferenceHexLong(parts[0]), ReferenceHexLong(parts[1]),
                                             architecture));
    }
  }

  // The probe over a WMI that reports this text: the same code from the text as
  // cut to the probe's buffer, or the failure code, with everything let go.
  FakeOsProbe probe;
  probe.instances = {{text}};
  probe.architecture = architecture;
  RecordingTrace trace;
  const OSVersionCode probed = GetOSVersion(probe, trace);
  OSVersionCode expected = kOSProbeFailed;
  if (!ParseOSVersionText(text.substr(0, 259).c_str(), architecture, &expected)) {
    expected = kOSProbeFailed;
  }
  FUZZ_CHECK(probed == expected);
  FUZZ_CHECK(probe.AllReleased());
  for (const std::wstring& line : trace.lines) FUZZ_CHECK(line.size() < kTraceLineChars);
  return 0;
}
