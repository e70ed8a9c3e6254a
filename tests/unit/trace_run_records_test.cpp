// The trace viewer's records of a run: the SHA-256 it names Perinax.ini by, what it knows before
// the run, the OS code it takes from the launcher's trace, and what the run did, as the launcher's
// own logic plans it for that code and as the registry holds it afterwards.

#include <gtest/gtest.h>

#include "tools/common/sha256.h"

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
