#include "platform/registry.h"

#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/files.h"
#include "platform/reg_file.h"

namespace vp::platform {
namespace {

std::string TypeErrorText(std::string_view name) {
  return "Invalid data type for '" + std::string(name) + "'";
}

class RegFileKey : public RegistryKey {
 public:
  RegFileKey(std::string file, std::string rootName, std::string path, RegKeyData snapshot,
             bool created)
      : file_(std::move(file)),
        rootName_(std::move(rootName)),
        path_(std::move(path)),
        data_(std::move(snapshot)),
        dirty_(created) {}

  ~RegFileKey() override { Close(); }

  bool ValueExists(std::string_view name) const override { return data_.Find(name) != nullptr; }

  std::int32_t ReadInteger(std::string_view name) const override {
    const RegValue* v = data_.Find(name);
    if (v == nullptr || v->kind != RegValue::Kind::Dword) throw RegistryError(TypeErrorText(name));
    return static_cast<std::int32_t>(v->dword);
  }

  std::string ReadString(std::string_view name) const override {
    const RegValue* v = data_.Find(name);
    if (v == nullptr || v->kind != RegValue::Kind::String) throw RegistryError(TypeErrorText(name));
    return v->text;
  }

  void WriteInteger(std::string_view name, std::int32_t value) override {
    RegValue v;
    v.kind = RegValue::Kind::Dword;
    v.dword = static_cast<std::uint32_t>(value);
    Write(name, std::move(v));
  }

  void WriteString(std::string_view name, std::string_view value) override {
    RegValue v;
    v.kind = RegValue::Kind::String;
    v.text = std::string(value);
    Write(name, std::move(v));
  }

  bool Close() override {
    if (!dirty_) return true;
    dirty_ = false;
    // Merge into the file as it is now, so keys open at the same time do not
    // undo each other's changes.
    auto text = ReadWholeFile(file_);
    std::optional<RegFile> current =
        text ? RegFile::Parse(*text, rootName_) : std::optional<RegFile>(RegFile(rootName_));
    if (!current) return false;  // damaged meanwhile: never overwrite it
    RegKeyData& key = current->CreateKey(path_);
    for (auto& [name, value] : pending_) key.Set(name, value);
    pending_.clear();
    std::string updated = current->Serialize();
    if (text && *text == updated) return true;
    auto slash = file_.rfind('/');
    if (slash != std::string::npos && slash > 0) CreateFolders(file_.substr(0, slash));
    return ReplaceFileAtomically(file_, updated);
  }

 private:
  void Write(std::string_view name, RegValue v) {
    const RegValue* old = data_.Find(name);
    bool same = old && old->kind == v.kind && old->dword == v.dword && old->text == v.text;
    data_.Set(name, v);
    if (same) return;
    pending_.emplace_back(std::string(name), std::move(v));
    dirty_ = true;
  }

  std::string file_;
  std::string rootName_;
  std::string path_;
  RegKeyData data_;
  std::vector<std::pair<std::string, RegValue>> pending_;
  bool dirty_;
};

}  // namespace

std::string RootName(RegRoot root) {
  return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string RegFileRegistry::Folder() const {
  if (!folder_.empty()) return folder_;
  if (const char* dir = std::getenv("VPCOUNTER_REGISTRY_DIR"); dir && *dir) return dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    return std::string(xdg) + "/vpcounter/registry";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/vpcounter/registry";
}

std::string RegFileRegistry::FileOf(RegRoot root) const {
  return Folder() + "/" + RootName(root) + ".reg";
}

std::unique_ptr<RegistryKey> RegFileRegistry::OpenKey(RegRoot root, std::string_view path,
                                                      bool create) {
  const std::string file = FileOf(root);
  const std::string rootName = RootName(root);
  const std::string keyPath = NormalizeKeyPath(path);
  std::optional<RegFile> content;
  if (auto text = ReadWholeFile(file)) {
    content = RegFile::Parse(*text, rootName);
    if (!content) return nullptr;  // a damaged file is kept as it is
  } else if (FileExists(file) || DirectoryExists(file)) {
    return nullptr;  // there, but unreadable
  } else {
    content.emplace(rootName);
  }
  const RegKeyData* key = content->FindKey(keyPath);
  if (key == nullptr && !create) return nullptr;
  RegKeyData snapshot = key ? *key : RegKeyData{keyPath, {}};
  return std::make_unique<RegFileKey>(file, rootName, keyPath, std::move(snapshot), key == nullptr);
}

Registry& TheRegistry() {
  static RegFileRegistry registry;
  return registry;
}

}  // namespace vp::platform
