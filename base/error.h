#pragma once
#include <stdexcept>

namespace vp {

// The base of every error the program raises (registry, game data, codec,
// streams), so a caller can catch them as one kind. Header-only: the codec
// uses it without linking the platform layer.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vp
