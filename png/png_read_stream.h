#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "png/byte_stream.h"
#include "png/png_types.h"
#include "png/png_convert.h"
#include "png/png_interlace.h"
#include "png/png_filter.h"
#include "png/png_zlib.h"

namespace vp::png {

// What the decoder knows of a chunk it reads, kept in one table. Lengths: -1
// for "any"; those that depend on the colour class (sBIT, bKGD, tRNS) are worked
// out when the chunk comes. A critical chunk of the wrong length is an error,
// an ancillary one is skipped; so is a second one of a kind that appears once.
struct ChunkRule {
  std::uint32_t type;
  std::int64_t minLength, maxLength;
  bool mayRepeat;
  bool beforeImageData;  // ignored after the first IDAT (and before IHDR)
  bool beforePalette;    // ignored after PLTE (and before IHDR)
  bool critical;
};

enum TPngChunkFlag : unsigned { pcIHDR = 1, pcIDAT = 2, pcIEND = 4, pcPLTE = 8, pcTPNG = 16 };
using TPngChunkSet = unsigned;

// Decodes a PNG data stream into a bitmap plus an optional 8-bit alpha bitmap
// (255 - alpha: 0 opaque), collecting the ancillary information on the way.
class TPngReadStream : public TCustomGraphicReadStream {
 public:
  TPngReadStream();
  ~TPngReadStream() override;

  // Options.
  bool checkSignature = true;
  bool restore16Bit = false;
  bool restorePaletteFromGrey = false;
  std::string presetPassword;
  TPNGPasswordEvent onPassword;
  TPNGDECodeEvent onDecode;
  Bitmap* alphaTarget = nullptr;
  TPNGTime* timeTarget = nullptr;
  TPNGChromaticities* chrmTarget = nullptr;
  TPNGGIFExtension* gifTarget = nullptr;
  // Images needing more pixel memory, or more pixels, than these are refused
  // before anything is allocated.
  std::uint64_t maxImageBytes = std::uint64_t{1} << 30;
  std::uint64_t maxPixels = ~std::uint64_t{0};

  // Results.
  TPngChunkSet chunks = 0;
  int colourClass = -1;
  bool hasAlpha = false;
  bool grey = false;
  bool paletteFromGrey = false;
  bool paletteAlpha = false;
  int interlace = 0;
  int pngBitsPerPixel = 0;
  ColorValue backgroundColor = kNoColor;
  ColorValue transColor = kNoColor;
  std::uint32_t significantBits = 0;
  double gamma = 0;
  std::string password;
  std::uint8_t alphaTable[256];

 protected:
  void ReadStream() override;
  void CreateDIB() override;

 private:
  void ReadChunk();
  // Inflates, unfilters and places one pass's rows; false when stopped.
  bool DecodePass(const PassRows& rows, std::vector<std::uint8_t>& strip, std::int64_t& rowCounter);
  void PlaceRow(const std::uint8_t* src, const PassRows& rows, std::int64_t passRow);
  [[noreturn]] void ThrowRowError();  // the image data ran out or zlib failed
  struct ChunkHeader {
    std::uint32_t length = 0;
    std::uint32_t type = 0;
  };
  ChunkHeader ReadChunkHeader();  // the one place a chunk's length and type are read
  bool LengthFits(const ChunkRule& rule, std::int64_t length) const;
  void ReadHeader();
  void ReadPalette();
  void ReadImage();
  void ReadBGColor();
  void ReadChrm();
  void ReadGamma();
  void ReadGIFExt();
  void ReadAspectData();
  void ReadsBIT();
  void ReadText();
  void ReadTime();
  void ReadTransColor();
  void ReadPrivateData();
  void CheckImageFormat();
  // Alpha bitmap rows from the palette alpha table.
  void ConvertPAlpha(int fromRow, int toRow);
  void GetBufMem();
  void FreeBufMem();
  void CheckImageSize();
  void DecodeRows();
  int FeedIDAT(TZlibInfo& info);
  void PlaceInterlaced(const std::uint8_t* converted, const std::uint8_t* alpha, int y, const PassInfo& pass,
                       std::int64_t passWidth);

  // Chunk-bounded reads: nothing past the current chunk's data is taken.
  void NeedInChunk(std::int64_t n) const;
  std::uint8_t Chunk1();
  std::uint16_t ChunkM2();
  std::uint32_t ChunkM4();
  bool ChunkBytes(void* dest, std::int64_t n);
  std::uint16_t ReadSample16();

  std::int64_t remaining_ = 0;
  std::uint32_t chunkType_ = 0;
  std::set<std::uint32_t> seen_;  // chunks that may appear once and did
  std::int64_t bitDepth_ = 0;
  Bitmap* activeAlpha_ = nullptr;
  TZlibInfo zlib_;
  std::vector<std::uint8_t> buffers_;
  std::uint8_t* deciphered_ = nullptr;  // a row as the cipher handler returns it
  std::uint8_t* converted_ = nullptr;
  std::uint8_t* alphaRow_ = nullptr;
  RowConverter converter_ = nullptr;
  UnfilterSet unfilters_;
  IndexLookup transparency_;  // 255 - alpha table, for the alpha bitmap
};

}  // namespace vp::png
