#include "png/png_graphic.h"

#include <utility>

#include "png/png_error.h"
#include "png/png_read_stream.h"
#include "png/png_write_stream.h"

namespace vp::png {
namespace {

const bool kRegistered = [] {
  PictureFormats::Register("PNG", "PNG Format", [] { return std::make_unique<TPngGraphic>(); });
  return true;
}();

}  // namespace

TPngGraphic::TPngGraphic() : time_(SystemPNGTime()) { (void)kRegistered; }

void TPngGraphic::SetIDATSize(std::int32_t n) {
  if (n < 256 || n > 100000) throw EPngError(PngErrorCode::BadReadBufferSize);
  idatSize_ = n;
}

void TPngGraphic::SetImage(Bitmap* bitmap) {
  if (bitmap && bitmap == alphaOverride_) alphaOverride_ = nullptr;
  imageOverride_ = bitmap;
  SetTransFlag(GetImage());
}

void TPngGraphic::SetABmp(Bitmap* bitmap) {
  alphaOverride_ = (bitmap == nullptr || bitmap == imageOverride_) ? nullptr : bitmap;
}

void TPngGraphic::AlphaBitmapAssign(const TPngGraphic& graphic) {
  alphaOverride_ = nullptr;
  alpha_.Assign(graphic.alpha_);
}

void TPngGraphic::AlphaBitmapAssign(const Bitmap& bitmap) {
  alphaOverride_ = nullptr;
  alpha_.Assign(bitmap);
}

bool TPngGraphic::AlphaBitmapAssignTo(Bitmap* dest) const {
  if (!alpha_.Empty() && dest) dest->Assign(alpha_);
  return !alpha_.Empty();
}

void TPngGraphic::SetTransparent(bool value) {
  if (!syncingTransparency_ && !GetImage().Empty() && GetImage().Transparent() != value)
    GetImage().SetTransparent(value);
  Graphic::SetTransparent(value);
}

void TPngGraphic::SetTransColor(ColorValue color) {
  transColor_ = color;
  if (GetImage().Empty()) return;
  if (color == kNoColor) SetTransparent(false);
  else GetImage().SetTransparentColor(color);
}

void TPngGraphic::SetTransFlag(const Bitmap& bitmap) {
  paletteModified = true;
  if (GetTransparent() == bitmap.Transparent()) {
    Changed();
    return;
  }
  syncingTransparency_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{syncingTransparency_};
  SetTransparent(bitmap.Transparent());
}

void TPngGraphic::SetWidth(int w) {
  if (!GetImage().Empty()) GetImage().SetWidth(w);
  if (!GetAlphaBitmap().Empty()) GetAlphaBitmap().SetWidth(w);
  Changed();
}

void TPngGraphic::SetHeight(int h) {
  if (!GetImage().Empty()) GetImage().SetHeight(h);
  if (!GetAlphaBitmap().Empty()) GetAlphaBitmap().SetHeight(h);
  Changed();
}

void TPngGraphic::SetPalette(const std::vector<ColorValue>& p) {
  GetImage().SetPalette(p);
  Changed();
}

void TPngGraphic::Draw(Bitmap& canvas, const Rect& r) const {
  const Bitmap& image = GetImage();
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (image.Empty() || w <= 0 || h <= 0 || canvas.BitCount() != 24) return;
  const ColorValue key = image.TransparentColor();
  for (int y = 0; y < h; ++y) {
    const int cy = r.top + y;
    if (cy < 0 || cy >= canvas.Height()) continue;
    const int sy = static_cast<int>(static_cast<std::int64_t>(y) * image.Height() / h);
    std::uint8_t* row = canvas.ScanLine(cy);
    for (int x = 0; x < w; ++x) {
      const int cx = r.left + x;
      if (cx < 0 || cx >= canvas.Width()) continue;
      const int sx = static_cast<int>(static_cast<std::int64_t>(x) * image.Width() / w);
      ColorValue c = image.Pixel(sx, sy);
      if (image.Transparent() && key != kNoColor) {
        ColorValue keyColour = key;
        if (IsPaletteIndex(key)) {
          std::size_t index = static_cast<std::size_t>(key & 0xFF);
          keyColour = index < image.Palette().size() ? image.Palette()[index] : kNoColor;
        }
        if (c == (keyColour & 0xFFFFFF)) continue;
      }
      row[3 * cx] = static_cast<std::uint8_t>(BlueOf(c));
      row[3 * cx + 1] = static_cast<std::uint8_t>(GreenOf(c));
      row[3 * cx + 2] = static_cast<std::uint8_t>(RedOf(c));
    }
  }
}

template <class Work>
void TPngGraphic::WithProgressOn(Bitmap& image, Work work) {
  ProgressEvent saved = image.OnProgress;
  if (OnProgress) {
    image.OnProgress = [this](const Bitmap&, ProgressStage stage, int percent, bool redraw, const Rect& r,
                              const std::string& msg) { OnProgress(*this, stage, percent, redraw, r, msg); };
  }
  struct Restore {
    Bitmap& image;
    ProgressEvent& saved;
    ~Restore() { image.OnProgress = std::move(saved); }
  } restore{image, saved};
  work();
}

void TPngGraphic::LoadFromStream(Stream& stream) {
  TPngReadStream reader;
  reader.onDecode = OnDecode;
  reader.onPassword = OnPassword;
  reader.presetPassword = Password;
  reader.skipHeader = SkipMacHeader;
  reader.restore16Bit = Restore16Bit;
  reader.timeTarget = &time_;
  reader.chrmTarget = &chrm_;
  reader.gifTarget = &gif_;
  alpha_.Clear();
  reader.alphaTarget = &GetAlphaBitmap();
  Bitmap& image = GetImage();
  WithProgressOn(image, [&] { reader.LoadFromStream(&image, stream, 0); });
  TakeOver(reader);
  InterlaceType = reader.interlace == 1 ? TPngInterlaceType::gptAdam7 : TPngInterlaceType::gptNone;
  SetTransFlag(image);
}

void TPngGraphic::SaveToStream(Stream& stream) {
  TPngWriteStream writer;
  GiveProperties(writer);
  writer.compressionLevel = CompressionLevel;
  writer.filterType = FilterType;
  writer.SetIDATSize(idatSize_);
  writer.interlace = static_cast<std::uint8_t>(InterlaceType);
  writer.writeCurrentTime = WriteCurrentTime;
  writer.onEncode = OnEncode;
  writer.password = Password;
  if (hasAlpha_) writer.alphaBitmap = &GetAlphaBitmap();
  Bitmap& image = GetImage();
  WithProgressOn(image, [&] { writer.SaveToStream(image, stream); });
}

void TPngGraphic::TakeOver(const TPngReadStream& reader) {
  hasAlpha_ = reader.hasAlpha;
  Comment = reader.comment;
  BackgroundColor = reader.backgroundColor;
  transColor_ = reader.transColor;
  Gamma = reader.gamma;
  PhysUnit = static_cast<TPngUnitSpecifier>(reader.physUnit == 1 ? 1 : 0);
  PhysX = reader.physX;
  PhysY = reader.physY;
  SignificantBits = reader.significantBits;
  bitDepth_ = reader.sourceBitDepth;
  Grayscale = reader.grey;
}

void TPngGraphic::GiveProperties(TPngWriteStream& writer) const {
  writer.grayscale = Grayscale;
  writer.comment = Comment;
  writer.backgroundColor = BackgroundColor;
  writer.transColor = transColor_;
  writer.gamma = Gamma;
  writer.significantBits = SignificantBits;
  writer.physUnit = PhysUnit;
  writer.physX = PhysX;
  writer.physY = PhysY;
  writer.timeRecord = &time_;
  writer.chrmRecord = &chrm_;
  writer.gifRecord = &gif_;
}

void TPngGraphic::ReadData(Stream& stream) {
  imageOverride_ = nullptr;
  alphaOverride_ = nullptr;
  TPngReadStream reader;
  reader.timeTarget = &time_;
  reader.chrmTarget = &chrm_;
  reader.gifTarget = &gif_;
  alpha_.Clear();
  reader.alphaTarget = &alpha_;
  reader.LoadFromStream(&image_, stream, 0);
  TakeOver(reader);
  SetTransFlag(image_);
  Changed();
}

void TPngGraphic::WriteData(Stream& stream) {
  if (image_.Empty()) return;
  TPngWriteStream writer;
  GiveProperties(writer);
  if (hasAlpha_) writer.alphaBitmap = &alpha_;
  writer.SaveToStream(image_, stream);
}

void TPngGraphic::Assign(const Graphic& source) {
  imageOverride_ = nullptr;
  const auto* png = dynamic_cast<const TPngGraphic*>(&source);
  if (!png) Graphic::Assign(source);  // the framework's conversion error
  image_.Assign(png->image_);
  alpha_.Assign(png->alpha_);
  imageOverride_ = png->imageOverride_;
  alphaOverride_ = png->alphaOverride_;
  CompressionLevel = png->CompressionLevel;
  FilterType = png->FilterType;
  idatSize_ = png->idatSize_;
  InterlaceType = png->InterlaceType;
  Grayscale = png->Grayscale;
  Comment = png->Comment;
  BackgroundColor = png->BackgroundColor;
  transColor_ = png->transColor_;
  Gamma = png->Gamma;
  SignificantBits = png->SignificantBits;
  PhysUnit = png->PhysUnit;
  PhysX = png->PhysX;
  PhysY = png->PhysY;
  WriteCurrentTime = png->WriteCurrentTime;
  time_ = png->time_;
  chrm_ = png->chrm_;
  // The alpha bitmap is copied, so whether it belongs to the image goes with it.
  hasAlpha_ = png->hasAlpha_;
  SetTransFlag(image_);
}

void TPngGraphic::Assign(const Bitmap& source) {
  imageOverride_ = nullptr;
  image_.Assign(source);
  SetTransFlag(image_);
}

void TPngGraphic::AssignTo(Bitmap& dest) const { dest.Assign(GetImage()); }

}  // namespace vp::png
