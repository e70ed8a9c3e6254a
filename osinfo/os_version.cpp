#include "osinfo/os_version.h"

#include <cstdint>

#include "common/owner.h"
#include "common/text.h"
#include "common/trace_texts.h"

namespace {

// The only failure that CoInitializeSecurity may report without ending the probe:
// security was already set for the process, which serves the query as well.
constexpr HResult kRpcErrorTooLate = static_cast<HResult>(0x80010119u);

// Room for the version text copied out of the property value.
constexpr std::size_t kVersionTextChars = 260;

constexpr std::int32_t kLongMax = 0x7FFFFFFF;
constexpr std::uint32_t kLongMinMagnitude = 0x80000000u;

int HexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Reads a token as wcstol(token, nullptr, 16) does with a 32-bit long, the
// width it has on Windows: leading white space, a sign and a 0x prefix are
// accepted, the digits end at the first character that is not one, and a number
// out of range gives LONG_MAX or LONG_MIN. The result is that long's bit pattern.
std::uint32_t ReadHexLong(const wchar_t* p) {
  while (IsNumberBlank(*p)) ++p;
  bool negative = false;
  if (*p == L'+' || *p == L'-') {
    negative = *p == L'-';
    ++p;
  }
  if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X') && HexDigitValue(p[2]) >= 0) p += 2;
  // The magnitude stops growing once it is past every value a long can hold.
  std::uint64_t magnitude = 0;
  for (int digit = HexDigitValue(*p); digit >= 0; digit = HexDigitValue(*++p)) {
    if (magnitude <= kLongMinMagnitude) magnitude = magnitude * 16 + static_cast<unsigned>(digit);
  }
  if (negative) {
    if (magnitude >= kLongMinMagnitude) return kLongMinMagnitude;
    return 0u - static_cast<std::uint32_t>(magnitude);
  }
  if (magnitude > static_cast<std::uint64_t>(kLongMax)) return static_cast<std::uint32_t>(kLongMax);
  return static_cast<std::uint32_t>(magnitude);
}

// Finds the next token as wcstok with the delimiter "." does: dots before it are
// skipped, so a run of dots separates like one. Null when no token is left; else
// the token's start, with *end just past its last character.
const wchar_t* NextToken(const wchar_t* p, const wchar_t** end) {
  while (*p == L'.') ++p;
  if (*p == L'\0') return nullptr;
  const wchar_t* q = p;
  while (*q != L'\0' && *q != L'.') ++q;
  *end = q;
  return p;
}

// The first two components of a version text, read as hexadecimal numbers. A
// token is bounded by a dot or the end, where the conversion stops anyway, so
// it is read in place.
bool ReadMajorMinor(const wchar_t* text, std::uint32_t* major, std::uint32_t* minor) {
  const wchar_t* end = text;
  const wchar_t* first = NextToken(text, &end);
  if (first == nullptr) return false;
  const wchar_t* second = NextToken(end, &end);
  if (second == nullptr) return false;
  *major = ReadHexLong(first);
  *minor = ReadHexLong(second);
  return true;
}

// Lets go of every object the probe holds, in the fixed order.
void ReleaseAll(OsProbeApi& api, WmiObject instance) {
  api.ReleaseServices();
  api.ReleaseLocator();
  api.ReleaseEnumerator();
  if (instance != nullptr) api.ReleaseInstance(instance);
}

// COM on this thread, from its initialisation on: uninitialised after the
// objects are let go, on every way out of the probe.
using ComApartment = Held<OsProbeApi, &OsProbeApi::UninitializeCom>;

}  // namespace

bool ParseOSVersionText(const wchar_t* text, std::uint32_t architecture, OSVersionCode* code) {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  if (!ReadMajorMinor(text, &major, &minor)) return false;
  *code = PackOSVersionCode(major, minor, architecture);
  return true;
}

OSVersionCode GetOSVersion(OsProbeApi& api, TraceSink& trace) {
  HResult hres = api.InitializeCom();
  if (hres < 0) {
    TraceFormatted(trace, kTraceComFailed, static_cast<unsigned int>(hres));
    return kOSProbeFailed;
  }
  const ComApartment com(api);

  hres = api.InitializeSecurity();
  if (hres < 0 && hres != kRpcErrorTooLate) {
    TraceFormatted(trace, kTraceSecurityFailed, static_cast<unsigned int>(hres));
    return kOSProbeFailed;
  }

  hres = api.CreateLocator();
  if (hres < 0) {
    TraceFormatted(trace, kTraceLocatorFailed, static_cast<unsigned int>(hres));
    return kOSProbeFailed;
  }

  if (api.ConnectServer(L"ROOT\\CIMV2") < 0) {
    Trace(trace, kTraceConnectFailed);
    api.ReleaseLocator();
    return kOSProbeFailed;
  }

  if (api.SetProxyBlanket() < 0) {
    Trace(trace, kTraceBlanketFailed);
    api.ReleaseServices();
    api.ReleaseLocator();
    return kOSProbeFailed;
  }

  if (api.ExecQuery("WQL", "Select * from Win32_OperatingSystem") < 0) {
    Trace(trace, kTraceQueryFailed);
    api.ReleaseServices();
    api.ReleaseLocator();
    return kOSProbeFailed;
  }

  // One instance is expected; should more come back, each earlier one is let go
  // as the next arrives, and the last one's version is the one used.
  wchar_t version[kVersionTextChars] = {};
  bool haveVersion = false;
  WmiObject instance = nullptr;
  for (WmiObject next = api.NextInstance(); next != nullptr; next = api.NextInstance()) {
    if (instance != nullptr) api.ReleaseInstance(instance);
    instance = next;
    haveVersion = api.GetVersionText(instance, version, kVersionTextChars);
  }

  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  if (instance == nullptr) {
    Trace(trace, kTraceNoInstance);
  } else if (!haveVersion) {
    Trace(trace, kTraceNoVersion);
  } else if (!ReadMajorMinor(version, &major, &minor)) {
    TraceFormatted(trace, kTraceBadVersion, version);
  } else {
    const std::uint32_t architecture = api.NativeProcessorArchitecture();
    ReleaseAll(api, instance);
    return PackOSVersionCode(major, minor, architecture);
  }
  ReleaseAll(api, instance);
  return kOSProbeFailed;
}
