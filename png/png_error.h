#pragma once
#include <stdexcept>
#include <string>

#include "base/error.h"

namespace vp::png {

// Every cause the codec reports, one code each.
enum class PngErrorCode {
  NotPng,              // signature mismatch
  Unreadable,          // the file could not be read
  TwoHeaders,          // a second IHDR
  BadColourType,       // colour type 1, 5 or 7
  BadCompression,      // compression method >= 2
  BadFilterMethod,     // filter method >= 2
  BadInterlace,        // interlace method >= 2
  BadGreyDepth,        // grey depth not 1, 2, 4, 8, 16
  GreyAlphaBelow8,     // grey with alpha below 8 bits
  BadDepth,            // colour or palette depth not allowed
  BadImageSize,        // zero, overflowing or beyond the memory limit
  BadCriticalChunk,    // a critical chunk of the wrong length
  ChunkFieldPastEnd,   // a chunk's fields read past the chunk's own length
  MissingPalette,      // an indexed-colour image without a PLTE chunk, or an empty one
  ZlibStart,           // inflation could not start
  RowData,             // a row could not be decompressed
  RowFilter,           // a row's filter type is unknown
  ImageDataBroken,     // the IDAT run was interrupted or the data ended
  TooLittleData,       // the compressed data cannot hold the image
  WriteFailed,         // the encoder's deflate or output failed
  BadReadBufferSize,   // graphic object's IDAT size option
  BadWriteBufferSize,  // encoder's IDAT size option
  OutOfMemory,         // the image is valid but memory for it could not be had
};

// The message of a code: the English texts of the codec's interface, several
// causes sharing one text where the interface has only one.
const char* PngErrorMessage(PngErrorCode code);

// The codec's own error: its message is part of the codec's interface; the
// code tells the cause and the detail what zlib said, if anything.
class EPngError : public vp::Error {
 public:
  explicit EPngError(PngErrorCode code, int zlibCode = 0, std::string detail = {})
      : vp::Error(PngErrorMessage(code)), code_(code), zlibCode_(zlibCode), detail_(std::move(detail)) {}
  PngErrorCode code() const { return code_; }
  int zlibCode() const { return zlibCode_; }  // 0 when zlib was not involved
  const std::string& detail() const { return detail_; }

 private:
  PngErrorCode code_;
  int zlibCode_;
  std::string detail_;
};

}  // namespace vp::png
