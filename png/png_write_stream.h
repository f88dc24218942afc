#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "png/byte_stream.h"
#include "png/png_types.h"
#include "png/png_interlace.h"
#include "png/png_rows.h"

namespace vp::png {

// Writes a bitmap (with an optional 8-bit alpha bitmap, 0 opaque) as PNG.
class TPngWriteStream : public TCustomGraphicWriteStream {
 public:
  TPngWriteStream();
  ~TPngWriteStream() override;

  void SetIDATSize(std::int32_t n);
  std::int32_t IDATSize() const { return idatSize_; }

  // Options.
  bool writeSignature = true;
  std::int32_t compressionLevel = -1;
  TPngFilterType filterType = TPngFilterType::gpfNone;
  std::uint8_t interlace = 0;
  bool grayscale = false;
  bool paletteAsGrey = false;
  std::string comment;
  ColorValue backgroundColor = kNoColor;
  ColorValue transColor = kNoColor;
  double gamma = 0;
  std::uint32_t significantBits = 0;
  TPngUnitSpecifier physUnit = TPngUnitSpecifier::gpuAspect;
  std::int32_t physX = 0, physY = 0;
  bool writeCurrentTime = true;
  const TPNGTime* timeRecord = nullptr;
  const TPNGChromaticities* chrmRecord = nullptr;
  const TPNGGIFExtension* gifRecord = nullptr;
  const Bitmap* alphaBitmap = nullptr;
  std::string password;
  TPNGDECodeEvent onEncode;

  // What the last save decided.
  bool greyOutput() const { return greyOutput_; }
  bool alphaWritten() const { return alpha_; }

  void WriteChunk(std::uint32_t type, const std::uint8_t* data, std::uint32_t length);

 protected:
  void WriteStream() override;

 private:
  void WriteIHDR();
  void WritetIMe();
  void WritetExt();
  void WriteTextMes(const std::string& keyword, const std::string& text);
  void WritetpNg();
  void WritegIFg();
  void WritegAMA();
  void WritecHRM();
  void WritesBIT();
  void WritePLTE();
  void WritebKGD();
  void WritetRNS();
  void WritepHYs();
  void WriteImage();
  void GetLinePixels(int y, const PassInfo& pass, std::int64_t passWidth);
  void SetGrayScalePaletteIndex();
  void GetBufMem();
  void FreeBufMem();
  int GreyOfColour(ColorValue c) const;
  int NearestPaletteIndex(ColorValue c) const;

  std::int32_t idatSize_ = 32768;
  int sourceBits_ = 24;
  int workingBits_ = 24;
  int pngBitsPerPixel_ = 24;
  int colourType_ = 2;
  int bitDepth_ = 8;
  bool greyOutput_ = false;
  bool alpha_ = false;
  bool paletteGrey_ = false;
  const Bitmap* activeAlpha_ = nullptr;
  std::uint8_t greyMap_[256] = {};
  TPngRowInfo row_;
  std::vector<std::uint8_t> buffers_;
};

TPNGTime SystemPNGTime();
TPNGTime PNGTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace vp::png
