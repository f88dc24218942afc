#pragma once
#include <cstdint>
#include <string>

#include "png/graphic.h"
#include "png/png_types.h"
#include "png/png_filter.h"

namespace vp::png {

class TPngReadStream;
class TPngWriteStream;

// A PNG picture: an image bitmap, an optional 8-bit alpha bitmap (255 - alpha)
// and the PNG properties that survive a load and a save.
class TPngGraphic : public Graphic {
 public:
  TPngGraphic();
  ~TPngGraphic() override = default;

  // Graphic.
  void Assign(const Graphic& source) override;
  void Assign(const Bitmap& source);
  void AssignTo(Bitmap& dest) const override;
  void Draw(Bitmap& canvas, const Rect& r) const override;
  bool GetEmpty() const override { return GetImage().Empty(); }
  int GetWidth() const override { return GetImage().Width(); }
  int GetHeight() const override { return GetImage().Height(); }
  void SetWidth(int w) override;
  void SetHeight(int h) override;
  std::vector<ColorValue> GetPalette() const override { return GetImage().Palette(); }
  void SetPalette(const std::vector<ColorValue>& p) override;
  void SetTransparent(bool value) override;
  void LoadFromStream(Stream& stream) override;
  void SaveToStream(Stream& stream) override;
  void ReadData(Stream& stream) override;
  void WriteData(Stream& stream) override;

  // Images and alpha.
  Bitmap& GetImage() { return imageOverride_ ? *imageOverride_ : image_; }
  const Bitmap& GetImage() const { return imageOverride_ ? *imageOverride_ : image_; }
  void SetImage(Bitmap* bitmap);
  Bitmap& GetAlphaBitmap() { return alphaOverride_ ? *alphaOverride_ : alpha_; }
  const Bitmap& GetAlphaBitmap() const { return alphaOverride_ ? *alphaOverride_ : alpha_; }
  void SetABmp(Bitmap* bitmap);
  void AlphaBitmapAssign(const TPngGraphic& graphic);
  void AlphaBitmapAssign(const Bitmap& bitmap);
  // Copies the own alpha bitmap into dest when it has one; tells whether it has.
  bool AlphaBitmapAssignTo(Bitmap* dest) const;
  void FreeAlphaBitmap() { alpha_.Clear(); }

  // Properties.
  void SetIDATSize(std::int32_t n);
  std::int32_t IDATSize() const { return idatSize_; }
  void SetTransColor(ColorValue color);
  ColorValue TransColor() const { return transColor_; }
  int BitDepth() const { return bitDepth_; }
  bool HasAlpha() const { return hasAlpha_; }
  void SetHasAlpha(bool on) { hasAlpha_ = on; }
  TPNGTime GetTime() const { return time_; }
  void SetTime(const TPNGTime& t) { time_ = t; }
  TPNGChromaticities GetChrm() const { return chrm_; }
  void SetChrm(const TPNGChromaticities& c) { chrm_ = c; }
  TPNGGIFExtension GetGIFExt() const { return gif_; }
  void SetGIFExt(const TPNGGIFExtension& g) { gif_ = g; }

  std::int32_t CompressionLevel = -1;
  TPngFilterType FilterType = TPngFilterType::gpfNone;
  TPngInterlaceType InterlaceType = TPngInterlaceType::gptNone;
  bool Grayscale = false;
  ColorValue BackgroundColor = kNoColor;
  std::string Comment;
  double Gamma = 0.45455;
  std::string Password;
  std::uint32_t SignificantBits = 0;
  TPngUnitSpecifier PhysUnit = TPngUnitSpecifier::gpuAspect;
  std::int32_t PhysX = 0, PhysY = 0;
  bool SkipMacHeader = true;
  bool WriteCurrentTime = true;
  bool Restore16Bit = false;
  TPNGPasswordEvent OnPassword;
  TPNGDECodeEvent OnEncode;
  TPNGDECodeEvent OnDecode;

 private:
  void SetTransFlag(const Bitmap& bitmap);
  // The properties a load brings, and the ones every save writes.
  void TakeOver(const TPngReadStream& reader);
  void GiveProperties(TPngWriteStream& writer) const;
  template <class Work>
  void WithProgressOn(Bitmap& image, Work work);

  bool syncingTransparency_ = false;
  std::int32_t idatSize_ = 32768;
  Bitmap* alphaOverride_ = nullptr;
  Bitmap alpha_;
  Bitmap* imageOverride_ = nullptr;
  Bitmap image_;
  bool hasAlpha_ = false;
  int bitDepth_ = 0;
  ColorValue transColor_ = kNoColor;
  TPNGTime time_;
  TPNGChromaticities chrm_;
  TPNGGIFExtension gif_;
};

}  // namespace vp::png
