#pragma once
#include <string>
#include <vector>

namespace vp::shell {

inline constexpr const char* kApplicationTitle = "ヴェルベル起動カウンター＋";

enum class RunMode { Counter, Settings };

// Only the first argument counts, byte for byte: "/C" is counter mode.
RunMode ChooseRunMode(const std::vector<std::string>& arguments);

}  // namespace vp::shell
