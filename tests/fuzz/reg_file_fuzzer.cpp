// libFuzzer target: any bytes as a registry file. Whatever parses must write
// back byte for byte, and a value set in it must read back after a rewrite.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/reg_file.h"

using vp::platform::RegFile;
using vp::platform::RegValue;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<vp::platform::RegFileIssue> skipped;
  auto file = RegFile::Parse(text, "HKEY_CURRENT_USER", nullptr, &skipped);
  if (!file) return 0;
  const std::string written = file->Serialize();
  auto again = RegFile::Parse(written, "HKEY_CURRENT_USER");
  if (!again || again->Serialize() != written) __builtin_trap();

  again->CreateKey("Software\\Nivre\\VP-COUNTER").Set("char0", RegValue{RegValue::Kind::Dword, 3, {}});
  again->CreateKey("Software\\Nivre\\VP-COUNTER").Set("dirwave", RegValue{RegValue::Kind::String, 0, "a\"b\\c\nd"});
  auto third = RegFile::Parse(again->Serialize(), "HKEY_CURRENT_USER");
  if (!third) __builtin_trap();
  const auto* key = third->FindKey("software\\nivre\\vp-counter");
  if (!key || !key->Find("char0") || key->Find("char0")->dword != 3 || !key->Find("dirwave") ||
      key->Find("dirwave")->text != "a\"b\\c\nd")
    __builtin_trap();
  return 0;
}
