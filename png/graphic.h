#pragma once
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "base/error.h"
#include "png/bitmap.h"
#include "png/stream.h"

namespace vp::png {

// Raised when a graphic cannot be assigned to or from another kind.
class EConvertError : public vp::Error {
 public:
  using vp::Error::Error;
};

// The abstract graphic that picture formats derive from.
class Graphic {
 public:
  using ChangeEvent = std::function<void(Graphic& sender)>;
  using GraphicProgressEvent = std::function<void(Graphic& sender, ProgressStage stage, int percent,
                                                  bool redrawNow, const Rect& r, const std::string& msg)>;
  virtual ~Graphic() = default;

  virtual void Assign(const Graphic& source);
  virtual void AssignTo(Bitmap& dest) const = 0;
  virtual void Draw(Bitmap& canvas, const Rect& r) const = 0;
  virtual bool GetEmpty() const = 0;
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  virtual void SetWidth(int w) = 0;
  virtual void SetHeight(int h) = 0;
  virtual std::vector<ColorValue> GetPalette() const = 0;
  virtual void SetPalette(const std::vector<ColorValue>& p) = 0;
  virtual void SetTransparent(bool value);
  bool GetTransparent() const { return transparent_; }
  virtual void LoadFromStream(Stream& stream) = 0;
  virtual void SaveToStream(Stream& stream) = 0;
  // Picture data kept inside another stream (a form or document).
  virtual void ReadData(Stream& stream) = 0;
  virtual void WriteData(Stream& stream) = 0;

  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);
  void Changed();

  ChangeEvent OnChange;
  GraphicProgressEvent OnProgress;
  bool paletteModified = false;

 protected:
  bool transparent_ = false;
};

// Which graphic class loads files of which extension.
class PictureFormats {
 public:
  using Factory = std::function<std::unique_ptr<Graphic>()>;
  static void Register(const std::string& extension, const std::string& description, Factory factory);
  static void Unregister(const std::string& extension);
  // Nothing when no class is registered for the extension (compared without case).
  static std::unique_ptr<Graphic> Create(const std::string& extension);
  static std::string Description(const std::string& extension);
  // A graphic of the class registered for the file's extension, loaded from it.
  static std::unique_ptr<Graphic> LoadPicture(const std::string& path);

 private:
  struct Entry {
    std::string description;
    Factory factory;
  };
  static std::map<std::string, Entry>& Table();
};

}  // namespace vp::png
