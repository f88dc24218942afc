#include "platform/registry.h"

#include "platform/text.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/path_lock.h"
#include "platform/reg_file.h"

namespace vp::platform {
namespace {

constexpr std::size_t kMaxRegistryFile = 64u << 20;
constexpr std::chrono::milliseconds kMergeWait(5000);

std::string TypeErrorText(std::string_view name) {
  return "Invalid data type for '" + std::string(name) + "'";
}

class RegFileKey : public RegistryKey {
 public:
  RegFileKey(RegFileRegistry& owner, RegRoot root, std::string file, std::string path, RegKeyData snapshot,
             bool created)
      : owner_(owner),
        root_(root),
        file_(std::move(file)),
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
    if (!IsValidUtf8(value)) return;
    RegValue v;
    v.kind = RegValue::Kind::String;
    v.text = std::string(value);
    Write(name, std::move(v));
  }

  bool Close() override {
    if (!dirty_) return true;
    dirty_ = false;
    // Merge into the file as it is now, so keys open at the same time do not
    // undo each other's changes; the lock keeps another process from
    // merging into the same old text meanwhile. A writer stuck past the wait
    // is not waited for: the merge still keeps what it has written so far.
    CreateFolders(FolderOf(file_));
    PathLock lock(file_, PathLock::On::LockFile, kMergeWait);
    const auto loaded = owner_.Load(file_, root_);
    if (!loaded) return false;  // damaged meanwhile: never overwrite it
    std::optional<RegFile> current = *loaded->file;
    const std::string text = loaded->text ? *loaded->text : std::string();
    RegKeyData& key = current->CreateKey(path_);
    for (auto& [name, value] : pending_) key.Set(name, value);
    pending_.clear();
    std::string updated;
    try {
      updated = current->Serialize();
    } catch (const Error& e) {
      owner_.Report({RegistryProblem::Kind::WriteFailed, root_, file_, 0, e.what()});
      return false;
    }
    if (!text.empty() && text == updated) return true;
    const WriteResult written = WriteFileReplacing(file_, updated);
    switch (written.status) {
      case WriteStatus::Ok:
        owner_.Remember(file_, std::move(*current), std::move(updated));
        return true;
      case WriteStatus::ReadOnly: owner_.Report({RegistryProblem::Kind::ReadOnly, root_, file_, 0, "read-only"}); break;
      case WriteStatus::NotRegular:
        owner_.Report({RegistryProblem::Kind::NotAFile, root_, file_, 0, "not a regular file"});
        break;
      case WriteStatus::Failed:
        owner_.Report({RegistryProblem::Kind::WriteFailed, root_, file_, 0, std::strerror(written.error), written.error});
        break;
    }
    return false;
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

  RegFileRegistry& owner_;
  RegRoot root_;
  std::string file_;
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

void RegFileRegistry::Report(RegistryProblem problem) {
  const std::string id = std::to_string(static_cast<int>(problem.kind)) + ":" + std::to_string(problem.line) + ":" +
                         problem.file;
  if (reported_.insert(id).second) problems_.push_back(std::move(problem));
}

std::optional<RegFileRegistry::Parsed> RegFileRegistry::Load(const std::string& file, RegRoot root) {
  const std::string rootName = RootName(root);
  FileKind kind = FileKind::Missing;
  auto content = ReadWholeFile(file, kMaxRegistryFile, &kind);
  if (content) {
    if (auto it = cache_.find(file); it != cache_.end() && *it->second.text == *content) return it->second;
  }
  cache_.erase(file);
  if (!content) {
    switch (kind) {
      case FileKind::Missing: return Parsed{std::make_shared<const RegFile>(rootName), nullptr};
      case FileKind::NotRegular: Report({RegistryProblem::Kind::NotAFile, root, file, 0, "not a regular file"}); break;
      default: Report({RegistryProblem::Kind::Unreadable, root, file, 0, "cannot be read"}); break;
    }
    return std::nullopt;
  }
  RegFileIssue error;
  std::vector<RegFileIssue> skipped;
  auto parsed = RegFile::Parse(*content, rootName, &error, &skipped);
  if (!parsed) {
    Report({RegistryProblem::Kind::Unreadable, root, file, error.line, error.what});
    return std::nullopt;
  }
  for (const auto& issue : skipped) Report({RegistryProblem::Kind::SkippedLine, root, file, issue.line, issue.what});
  Parsed result{std::make_shared<const RegFile>(std::move(*parsed)), std::make_shared<const std::string>(std::move(*content))};
  cache_[file] = result;
  return result;
}

void RegFileRegistry::Remember(const std::string& file, RegFile parsed, std::string text) {
  cache_[file] = Parsed{std::make_shared<const RegFile>(std::move(parsed)), std::make_shared<const std::string>(std::move(text))};
}

std::vector<RegistryProblem> RegFileRegistry::TakeProblems() { return std::exchange(problems_, {}); }

std::unique_ptr<RegistryKey> RegFileRegistry::OpenKey(RegRoot root, std::string_view path, bool create) {
  const std::string file = FileOf(root);
  const std::string keyPath = NormalizeKeyPath(path);
  const auto loaded = Load(file, root);
  if (!loaded) return nullptr;  // a damaged file is kept as it is
  const RegKeyData* key = loaded->file->FindKey(keyPath);
  if (key == nullptr && !create) return nullptr;
  RegKeyData snapshot;
  if (key) snapshot = *key;
  else snapshot.path = keyPath;
  return std::make_unique<RegFileKey>(*this, root, file, keyPath, std::move(snapshot), key == nullptr);
}

}  // namespace vp::platform
