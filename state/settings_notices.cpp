#include "state/settings_notices.h"

namespace vp::state {

std::string DamagedSettingsQuestion(const std::string& whatIsWrong) {
  return whatIsWrong + "\n\nこのファイルを別名で残し、新しい設定で始めますか？\n"
                       "「いいえ」を選ぶと、ファイルはそのまま残り、今回の変更は保存されません。";
}

std::string KeptDamagedSettingsText() {
  return "設定ファイルをそのまま残したため、今回は設定を変えても保存されません（OK でもキャンセルでも閉じるだけです）。\n"
         "ファイルを別名で残して新しく始めるには、この画面を閉じて開き直し、「はい」を選んで下さい。";
}

std::string DamagedSettingsNotSetAsideText() {
  return "設定ファイルを別名で残せませんでした。フォルダの権限を確かめて下さい。";
}

std::string GameDataMissingText() {
  return "ゲームのシステムファイルが見つかりません。\nゲームが標準インストールされていないか、\n正しいゲームフォルダが指定されていません。"
         "\n\n「機能 → 詳細設定」のフォルダのボタンで、ゲームフォルダを指定し直して下さい。";
}

std::string GameFolderNotFoundHint() {
  return "このゲームフォルダは見つかりません。右のフォルダのボタンで指定し直して下さい。";
}

std::string GameSearchFailedText() {
  return "ヴェルベル・プラスの自動検索に失敗しました。\nゲームが正しくインストールされてない可能性があります。";
}

std::string NotTheGameFolderQuestion() {
  return "指定したフォルダは、『ヴェルベル・プラス』が\nインストールされているフォルダとして認識できませんでした。\n"
         "フォルダの中にファイル VerbellePlus.exe が必要です。\n本当にこのフォルダでよろしいですか？";
}

std::string VoicesNeedTheGameFolderQuestion() {
  return "音声を再生させる場合は、『ヴェルベル・プラス』が\nインストールされているフォルダを指定する必要があります。\n"
         "このまま設定を強行しますか？";
}

std::string ManualMissingText() { return "README.TXT が見つかりません。"; }

std::string NoManualViewerText(const std::string& manual) {
  return "README.TXT を表示できるアプリケーションが見つかりません。\n" + manual;
}

std::string StartupEntryNotWrittenText(const std::string& scopeName, const std::string& folder, bool allUsers) {
  return scopeName + "スタートアップへ登録できませんでした。\n" + folder + " に書き込めません。" +
         (allUsers ? "\n管理者の権限で登録するか、「現ユーザーのみ利用」で登録して下さい。"
                   : "\nフォルダの権限と空き容量を確かめて下さい。");
}

std::string OtherStartupEntryNotRemovedText(const std::string& entry) {
  return "もう一方のスタートアップ登録を削除できませんでした。\n" + entry +
         "\nこのままではログオンのたびに2回数えられます。管理者の権限で削除して下さい。";
}

std::string StartupLogProblemsText(int damagedLines, const std::vector<std::string>& unreadableFiles,
                                   const std::vector<std::string>& leftOutFiles) {
  std::string text;
  auto add = [&text](const std::string& line) { text += (text.empty() ? "" : "\n") + line; };
  if (damagedLines > 0)
    add("読めない行が " + std::to_string(damagedLines) + " 行ありました（数えずに、ファイルにはそのまま残しています）。");
  for (const std::string& name : unreadableFiles) add("読めないファイルがあります: " + name);
  if (!leftOutFiles.empty()) {
    std::string names;
    for (const std::string& name : leftOutFiles) names += (names.empty() ? "" : "、") + name;
    add("記録が大きすぎるため、古い年の記録は読み込んでいません: " + names);
  }
  return text;
}

}  // namespace vp::state
