#include "png/png_error.h"

namespace vp::png {

const char* PngErrorMessage(PngErrorCode code) {
  switch (code) {
    case PngErrorCode::NotPng: return "PNG LoadStream: Not PNG Format";
    case PngErrorCode::Unreadable: return "PNG LoadStream: Cannot read the file";
    case PngErrorCode::TwoHeaders: return "Read Header(PNG): appear two IHDR";
    case PngErrorCode::BadColourType: return "Read Header(PNG): Error ColorType";
    case PngErrorCode::BadCompression: return "Read Header(PNG): not support Compression";
    case PngErrorCode::BadFilterMethod: return "Read Header(PNG): not supprt Filter";
    case PngErrorCode::BadInterlace: return "Read Header(PNG): not interlace type";
    case PngErrorCode::BadGreyDepth: return "Read Header(PNG): Error Bitdepth";
    case PngErrorCode::GreyAlphaBelow8: return "Read Header(PNG): not Use AlphaChannel";
    case PngErrorCode::BadDepth: return "Read Header(PNG): Error BitDepth";
    case PngErrorCode::BadImageSize: return "Read Header(PNG): Error ImageSize";
    case PngErrorCode::BadCriticalChunk:
    case PngErrorCode::ChunkFieldPastEnd: return "Read Header(PNG): Error ChunkLength";
    case PngErrorCode::MissingPalette: return "Read Image (PNG): Missing PLTE";
    case PngErrorCode::ZlibStart: return "PNG LoadStream: Error ZLIB";
    case PngErrorCode::RowData:
    case PngErrorCode::RowFilter:
    case PngErrorCode::ImageDataBroken:
    case PngErrorCode::TooLittleData: return "Read Image (PNG): Read Error";
    case PngErrorCode::WriteFailed: return "Write Image (PNG): Write Error";
    case PngErrorCode::BadReadBufferSize: return "PNG Param: Err IDAT Size(min:256  max:100000)";
    case PngErrorCode::BadWriteBufferSize: return "Write PNG Param: Err IDAT Size(min:256  max:100000)";
    case PngErrorCode::OutOfMemory: return "PNG: Out of memory";
  }
  return "PNG: Error";
}

}  // namespace vp::png
