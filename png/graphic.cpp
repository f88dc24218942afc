#include "png/graphic.h"

#include <cctype>

namespace vp::png {
namespace {
std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (!s.empty() && s.front() == '.') s.erase(0, 1);
  return s;
}
}  // namespace

void Graphic::Assign(const Graphic&) { throw EConvertError("Cannot assign this graphic"); }

void Graphic::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  Changed();
}

void Graphic::LoadFromFile(const std::string& path) {
  FileStream stream(path, FileStream::Mode::Read);
  LoadFromStream(stream);
}

void Graphic::SaveToFile(const std::string& path) {
  FileStream stream(path, FileStream::Mode::Create);
  SaveToStream(stream);
  stream.Flush();
}

void Graphic::Changed() {
  if (OnChange) OnChange(*this);
}

std::map<std::string, PictureFormats::Entry>& PictureFormats::Table() {
  static std::map<std::string, Entry> table;
  return table;
}

void PictureFormats::Register(const std::string& extension, const std::string& description, Factory factory) {
  Table()[Upper(extension)] = Entry{description, std::move(factory)};
}

void PictureFormats::Unregister(const std::string& extension) { Table().erase(Upper(extension)); }

std::unique_ptr<Graphic> PictureFormats::Create(const std::string& extension) {
  auto it = Table().find(Upper(extension));
  return it == Table().end() ? nullptr : it->second.factory();
}

std::string PictureFormats::Description(const std::string& extension) {
  auto it = Table().find(Upper(extension));
  return it == Table().end() ? std::string() : it->second.description;
}

std::unique_ptr<Graphic> PictureFormats::LoadPicture(const std::string& path) {
  auto dot = path.rfind('.');
  auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    throw EConvertError("Unknown picture file extension");
  auto graphic = Create(path.substr(dot + 1));
  if (!graphic) throw EConvertError("Unknown picture file extension (." + path.substr(dot + 1) + ")");
  graphic->LoadFromFile(path);
  return graphic;
}

}  // namespace vp::png
