#include "state/notices.h"

#include <cstring>

namespace vp::state {
namespace {

std::string Quoted(const std::string& path) { return "「" + path + "」"; }

std::string HistoryFileName(const HistoryLocation& where) {
  return (where.sibling ? "連携先の起動履歴ファイル" : "起動履歴ファイル") + Quoted(where.path);
}

}  // namespace

std::string HistoryLoadNotice(const HistoryLoad& load) {
  const std::string file = HistoryFileName(load.where);
  switch (load.state) {
    case HistoryFileState::Missing:
    case HistoryFileState::Valid: return {};
    case HistoryFileState::WrongSize:
      if (!load.where.sibling) return {};  // told when it is put aside
      return file + "は起動履歴ではない（" + std::to_string(load.size) + " バイト）ため、読み込みも上書きもしません。";
    case HistoryFileState::NotAFile:
      return file + "は通常のファイルではないため、読み込めませんでした。";
    case HistoryFileState::Unreadable: return file + "を読み込めませんでした。";
  }
  return {};
}

std::string HistorySaveNotice(const HistorySave& save) {
  std::string text;
  if (!save.keptAs.empty())
    text = "起動履歴ファイル" + Quoted(save.path) + "が壊れていたため、" + Quoted(save.keptAs) +
           "として残し、新しく作り直しました。";
  const std::string file = "起動履歴ファイル" + Quoted(save.path);
  const std::string lost = "今回の起動を記録できませんでした。";
  std::string problem;
  switch (save.problem) {
    case HistorySaveProblem::None: break;
    case HistorySaveProblem::ReadOnly: problem = file + "が読み取り専用のため、" + lost; break;
    case HistorySaveProblem::NotAFile: problem = file + "が通常のファイルではないため、" + lost; break;
    case HistorySaveProblem::NotAHistory: problem = file + "は起動履歴ではないため上書きせず、" + lost; break;
    case HistorySaveProblem::CannotKeepDamaged:
      problem = file + "が壊れていますが、別名で残せなかったため上書きせず、" + lost + "\n" +
                std::strerror(save.error);
      break;
    case HistorySaveProblem::WriteFailed:
      problem = file + "に書き込めなかったため、" + lost + "\n" + std::strerror(save.error);
      break;
    case HistorySaveProblem::NotRead:
      problem = file + "を読み込めなかったため、今回の起動は数えず、ファイルもそのまま残しました。\n"
                "ファイルの持ち主と読み取りの権限を確かめて下さい（別のユーザーや sudo で作られた場合は、"
                "持ち主を自分に戻して下さい）。";
      break;
    case HistorySaveProblem::NoWorkFolder:
      problem = "作業フォルダを使えないため、今回の起動は数えませんでした。";
      break;
  }
  if (!problem.empty()) text += (text.empty() ? "" : "\n\n") + problem;
  return text;
}

std::string WorkFolderNotice(const std::string& folder, int error) {
  const std::string where = folder.empty() ? std::string("（ホームフォルダが分かりません）") : Quoted(folder);
  std::string text = "作業フォルダ" + where +
                     "を使えないため、今回の起動は数えず、ほかのフォルダのファイルにも触れません。"
                     "\nフォルダが自分のもので、書き込めることを確かめて下さい。";
  if (error != 0) text += "\n(" + std::string(std::strerror(error)) + ")";
  return text;
}

std::string GameFilesNotice() {
  return "ゲームの絵や声が見つかりませんでした。ゲームを移動したか、ゲームフォルダの設定が合っていません。\n"
         "設定画面の「機能 → 詳細設定」で、ゲームフォルダを指定し直して下さい。";
}

std::string HistoryLockUnavailableNotice() {
  return "起動履歴のロックを取得できないため、ロックなしで数えます。\n"
         "同時に起動した分が数えられない可能性があります。";
}

std::string HistoryLockNotice() {
  return "ほかの起動カウンターが起動履歴を使い続けているため、待たずに続けます。\n"
         "今回の起動は記録しますが、同時に起動した分が数えられない可能性があります。";
}

std::string RegistryNotice(const platform::RegistryProblem& problem) {
  using Kind = platform::RegistryProblem::Kind;
  const std::string file = "設定ファイル" + Quoted(problem.file);
  const std::string line = problem.line > 0 ? "の " + std::to_string(problem.line) + " 行目" : "";
  switch (problem.kind) {
    case Kind::Unreadable:
      return file + line + "を読み取れません。このファイルは使わずに既定の設定で動作し、ファイルは変更しません。\n(" +
             problem.detail + ")";
    case Kind::SkippedLine:
      return file + line + "を解釈できないため読み飛ばしました。行はファイルにそのまま残します。\n(" + problem.detail + ")";
    case Kind::NotAFile: return file + "が通常のファイルではないため、使用できません。既定の設定で動作します。";
    case Kind::ReadOnly: return file + "が読み取り専用のため、設定を保存できませんでした。";
    case Kind::WriteFailed: return file + "に書き込めないため、設定を保存できませんでした。\n(" + problem.detail + ")";
  }
  return {};
}

std::string WrongTypeNotice(const std::string& valueName, const std::string& detail) {
  return "設定「" + valueName + "」の値の形式が正しくないため、既定値を使います。\n(" + detail + ")";
}

std::vector<std::string> RegistryNotices(platform::Registry& reg) {
  std::vector<std::string> notices;
  for (const auto& problem : reg.TakeProblems()) notices.push_back(RegistryNotice(problem));
  return notices;
}

std::string JoinNotices(const std::vector<std::string>& notices) {
  std::string text;
  for (const auto& n : notices) {
    if (n.empty()) continue;
    if (!text.empty()) text += "\n\n";
    text += n;
  }
  return text;
}

}  // namespace vp::state
