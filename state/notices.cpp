#include "state/notices.h"

#include "platform/files.h"
#include "platform/text.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace vp::state {
namespace {

std::string Quoted(const std::string& path) { return "「" + path + "」"; }

std::string HistoryFileName(const HistoryLocation& where) {
  return (where.sibling ? "連携先の起動履歴ファイル" : "起動履歴ファイル") + Quoted(where.path);
}

std::string Reason(int error) { return error != 0 ? "（" + SystemErrorText(error) + "）" : std::string(); }

// What to do about a file that could not be written.
std::string WriteAdvice(int error) {
  return NoSpaceLeft(error) ? "ディスクの空きを増やして下さい。" : "ファイルとフォルダの書き込み権限を確かめて下さい。";
}

constexpr const char* kUnreadableAdvice =
    "ファイルの持ち主と読み取りの権限を確かめて下さい（別のユーザーや sudo で作られた場合は、"
    "持ち主を自分に戻して下さい）。直すまで、起動は数えられません。";
constexpr const char* kMoveAsideAdvice = "その名前のフォルダなどを別の場所へ移して下さい。";

// The registry file reader's reasons, in the player's words; "" for one not known here.
std::string ParseReason(std::string_view detail) {
  static const std::pair<std::string_view, const char*> kReasons[] = {
      {"not a registry export", "レジストリのエクスポート形式ではありません"},
      {"broken UTF-16 text", "UTF-16 の文字が壊れています"},
      {"bad value name", "値の名前の書き方が正しくありません"},
      {"missing '='", "「=」がありません"},
      {"bad value data", "値の書き方が正しくありません"},
      {"bad key line", "キーの行の書き方が正しくありません"},
      {"key of another root", "ほかのルートのキーです"},
      {"value outside a key", "キーの外に値があります"},
      {"cannot be read", "読み取れません"},
  };
  for (const auto& [english, japanese] : kReasons)
    if (detail == english) return japanese;
  return {};
}

}  // namespace

std::string SystemErrorText(int error) {
  switch (error) {
    case ENOSPC: return "ディスクの空きがありません";
    case platform::kQuotaExceeded: return "ディスクの使用量の上限に達しました";
    case EACCES:
    case EPERM: return "権限がありません";
    case EROFS: return "読み取り専用のディスクです";
    case EIO: return "ディスクの読み書きに失敗しました";
    case ENOENT: return "ファイルかフォルダがありません";
    case ENOTDIR: return "フォルダではありません";
    case EISDIR: return "フォルダです";
    case ELOOP: return "リンクをたどれません";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EMFILE:
    case ENFILE: return "開いているファイルが多すぎます";
    case ENOMEM: return "メモリが足りません";
    case EEXIST: return "同じ名前のものがすでにあります";
    case EBUSY: return "使用中です";
    default: return "エラー番号 " + std::to_string(error);
  }
}

bool NoSpaceLeft(int error) { return error == ENOSPC || error == platform::kQuotaExceeded; }

std::string HistoryLoadNotice(const HistoryLoad& load) {
  const std::string file = HistoryFileName(load.where);
  switch (load.state) {
    case HistoryFileState::Missing:
    case HistoryFileState::Valid: return {};
    case HistoryFileState::WrongSize:
      if (!load.where.sibling) return {};  // told when it is put aside
      return file + "は起動履歴ではない（" + std::to_string(load.size) +
             " バイト）ため、読み込みも上書きもしません。\n連携先の起動カウンターの設定を確かめて下さい。";
    case HistoryFileState::NotAFile:
      return file + "は通常のファイルではないため、読み込めませんでした。\n" + kMoveAsideAdvice;
    case HistoryFileState::Unreadable: return file + "を読み込めませんでした。\n" + kUnreadableAdvice;
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
    case HistorySaveProblem::ReadOnly:
      problem = file + "が読み取り専用のため、" + lost + "\nファイルの書き込み権限を確かめて下さい。";
      break;
    case HistorySaveProblem::NotAFile: problem = file + "が通常のファイルではないため、" + lost + "\n" + kMoveAsideAdvice; break;
    case HistorySaveProblem::NotAHistory:
      problem = file + "は起動履歴ではないため上書きせず、" + lost + "\n連携先の起動カウンターの設定を確かめて下さい。";
      break;
    case HistorySaveProblem::CannotKeepDamaged:
      problem = file + "が壊れていますが、別名で残せなかったため上書きせず、" + lost + Reason(save.error) + "\n" +
                WriteAdvice(save.error);
      break;
    case HistorySaveProblem::WriteFailed:
      problem = file + "に書き込めなかったため、" + lost + Reason(save.error) + "\n" + WriteAdvice(save.error);
      break;
    case HistorySaveProblem::NotRead:
      problem = file + "を読み込めなかったため、今回の起動は数えず、ファイルもそのまま残しました。\n" + kUnreadableAdvice;
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
  return "作業フォルダ" + where + "を使えないため、今回の起動は数えず、ほかのフォルダのファイルにも触れません" +
         Reason(error) + "。\nフォルダが自分のもので、書き込めることを確かめて下さい。";
}

std::string GameFilesNotice() {
  return "ゲームの絵や声が見つかりませんでした。ゲームを移動したか、ゲームフォルダの設定が合っていません。\n"
         "設定画面の「機能 → 詳細設定」で、ゲームフォルダを指定し直して下さい。";
}

std::string ExtractWriteNotice(const std::string& folder, int error) {
  return "作業フォルダ" + Quoted(folder) + "にゲームの絵や声を取り出せませんでした" + Reason(error) + "。\n" +
         WriteAdvice(error);
}

std::string CsvExportNotice(const std::string& path, int error) {
  if (path.find("\xEF\xBF\xBD") != std::string::npos)
    return "フォルダかファイルの名前に UTF-8 で表せない文字（Windows の Shift_JIS など）があるため、CSVを書き出せませんでした。"
           "\n名前を変えるか、別のフォルダを選んで下さい。\n" + path;
  const std::string why = error ? "（" + SystemErrorText(error) + "）" : std::string();
  const std::string advice = NoSpaceLeft(error) ? "空きを増やすか、別のディスクを選んで下さい。"
                             : error == EACCES || error == EPERM || error == EROFS
                                 ? "書き込めるフォルダを選んで下さい。"
                                 : "別のフォルダか名前を選んで下さい。";
  return "CSVを書き出せませんでした" + why + "。" + advice + "\n" + path;
}

std::string VoiceDecoderNotice(const std::string& library) {
  return "声を再生する部品「" + library + "」が見つからないか読み込めないため、声なしで続けます。\n"
         "このプログラムを入れ直すか、声が要らなければ詳細設定で声を切って下さい。";
}

std::string PictureMemoryNotice() {
  return "メモリが足りないため、キャラクターの絵を表示できませんでした。\nほかのプログラムを閉じると、次のログオンから表示されます。";
}

std::string UnpublishablePathNotice(const std::string& path) {
  // Shown as a Japanese Windows disk would name it, else with the bytes replaced.
  std::string shown;
  if (auto cp932 = platform::Cp932ToUtf8(path)) {
    shown = *cp932;
  } else {
    for (unsigned char c : path) shown += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return "フォルダの名前に UTF-8 でない文字があるため、設定ファイルに履歴の場所を書けませんでした。\n"
         "起動は数えていますが、連携する起動カウンターにはこの履歴が伝わりません。"
         "フォルダの名前を変えて下さい。\n" + shown;
}

std::string HistoryLockUnavailableNotice() {
  return "起動履歴のロックを取得できないため、ロックなしで数えます。\n"
         "同時に起動した分が数えられない可能性があります。";
}

std::string StartupLogNotice(const std::string& logName, platform::AppendStatus status) {
  using platform::AppendStatus;
  if (status == AppendStatus::Ok) return {};
  const std::string why = status == AppendStatus::Full       ? "この年の記録が上限の大きさに達したため"
                          : status == AppendStatus::NotRegular ? "同じ名前でファイル以外のものがあるため"
                                                               : "書き込めないため";
  return "起動は数えましたが、" + why + "起動の記録" + Quoted(logName) +
         "に残せませんでした。起動カレンダーはこの起動を数えません。\n" +
         (status == AppendStatus::Full ? std::string("古い年の記録を別の場所に移して下さい。")
                                       : std::string("そのファイルの持ち主と権限を確かめて下さい。"));
}

std::string HistoryLockNotice() {
  return "ほかの起動カウンターが起動履歴を使い続けているため、待たずに続けます。\n"
         "今回の起動は記録しますが、同時に起動した分が数えられない可能性があります。";
}

std::string RegistryNotice(const platform::RegistryProblem& problem, NoticeContext context) {
  using Kind = platform::RegistryProblem::Kind;
  const std::string file = "設定ファイル" + Quoted(problem.file);
  const std::string reason = ParseReason(problem.detail);
  std::string where;
  if (problem.line > 0) where = std::to_string(problem.line) + " 行目";
  if (!reason.empty()) where += (where.empty() ? "" : ": ") + reason;
  if (!where.empty()) where = "（" + where + "）";
  const bool counter = context == NoticeContext::CounterMode;
  // What a failed write lost: counter mode writes only what the sibling
  // counter reads (where this program and its history are).
  const std::string unsaved = counter ? "このプログラムと起動履歴の場所を書き込めませんでした。設定はそのまま使います。"
                                      : "設定を保存できませんでした。";
  switch (problem.kind) {
    case Kind::Unreadable:
      return file + "が壊れているため読み込めません" + where + "。既定の設定で動作し、ファイルは変更しません。\n" +
             (counter ? "設定画面を開くと、このファイルを別名で残して新しい設定で始められます。"
                      : "ファイルを直すか、別の場所へ移して下さい。");
    case Kind::SkippedLine:
      return file + "の一部の行を解釈できないため読み飛ばしました" + where +
             "。行はファイルにそのまま残します。\nその行を直すか消すと、この知らせは出なくなります。";
    case Kind::NotAFile:
      return file + "が通常のファイルではないため、使用できません。既定の設定で動作します。\n" + kMoveAsideAdvice;
    case Kind::ReadOnly:
      return file + "が読み取り専用のため、" + unsaved + "\nファイルの書き込み権限を確かめて下さい。";
    case Kind::WriteFailed:
      return file + "に書き込めないため、" + unsaved + Reason(problem.error) + "\n" + WriteAdvice(problem.error);
  }
  return {};
}

std::string WrongTypeNotice(const std::string& valueName) {
  return "設定「" + valueName + "」の値の形式が正しくないため、既定値を使います。\n"
         "設定画面で OK を押すと、正しい形式で保存し直します。";
}

std::string SettingsNotSavedNotice() {
  return "設定を保存できませんでした。\n設定ファイルのフォルダの書き込み権限と、ディスクの空きを確かめて下さい。";
}

std::vector<std::string> RegistryNotices(platform::Registry& reg, NoticeContext context) {
  std::vector<std::string> notices;
  for (const auto& problem : reg.TakeProblems()) notices.push_back(RegistryNotice(problem, context));
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
