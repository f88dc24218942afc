#pragma once
#include <stdexcept>

namespace vp::png {

// The codec's own error; its messages are part of the codec's interface.
class EPngError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vp::png
