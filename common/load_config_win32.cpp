// The image's load configuration, linked into every program of ours. Its one
// setting that matters here: from Windows 10 1607 on, the loader resolves the
// program's load-time imports, and their own imports, from System32 alone, so
// a DLL planted beside the program is not loaded even before its first line
// runs. The link does not record the directory by itself;
// cmake/set-load-config.sh enters it in the image's header after the link.
#include <windows.h>

namespace {

// Every field zero but two. The structure declares its own size; the header's
// directory entry says 64, the size every x86 Windows accepts.
constexpr IMAGE_LOAD_CONFIG_DIRECTORY32 PerinaxLoadConfig() noexcept {
  IMAGE_LOAD_CONFIG_DIRECTORY32 config{};
  config.Size = sizeof(config);
  // DependentLoadFlags; mingw-w64's headers still call the field Reserved1.
  config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;
  return config;
}

}  // namespace

extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY32 _load_config_used = PerinaxLoadConfig();
