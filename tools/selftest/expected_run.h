#pragma once

// What one run of Perinax.exe should trace and where its value should land, made from the
// checker's own plan of the run (PlanOsCode) and the launcher's own launch logic, so that the
// self-test holds the real program against the same rules the checker and the viewer use and
// writes none of them again.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/explain/engine/explainer.h"
#include "tools/trace/run_records.h"

// How the setup program ends in the run: its exit code, or none when the start fails.
using SetupEnd = std::optional<std::uint32_t>;

// The whole trace of the run the plan describes. The plan's registry has no key yet: with
// `keyExists` the key is opened instead of created. With `end`, the setup program starts and
// ends with that code; without, the start fails after the two "Setup CMD" lines.
std::vector<std::wstring> ExpectedTrace(const CasePlan& plan, bool keyExists, SetupEnd end,
                                        const std::wstring& args);

// One DWORD value as it lies in the registry: in the 64-bit or the 32-bit storage of x64
// Windows (or the one registry of 32-bit Windows), by its path without any Wow6432Node\.
struct StoredValue {
  RegistryView storage = RegistryView::kOnlyView;
  std::wstring key;  // below HKEY_LOCAL_MACHINE, as the registry shows it in its own view
  std::wstring name;
  std::uint32_t value = 0;
  bool operator==(const StoredValue&) const = default;
};

// Where the plan's value lies: a path through Wow6432Node\ (in any case) names the 32-bit
// storage from either view, as Windows maps it.
std::optional<StoredValue> StoredValueOf(const CasePlan& plan);

// "StoredValue" as a line of a test's message: "64-bit SOFTWARE\X Name = 7".
std::wstring Describe(const StoredValue& value);

// Debug strings that came through the ANSI code page lose what it cannot hold: the expected
// line after the same trip, given the code page's conversion.
using AnsiTrip = std::wstring (*)(const std::wstring&);

// Empty when the traces match line by line; else the first line that differs, both ways.
// Lines marked in `ansi` are compared after `trip`.
std::wstring TraceDifference(const std::vector<std::wstring>& expected,
                             const std::vector<std::wstring>& actual, const std::vector<bool>& ansi,
                             AnsiTrip trip);
