#pragma once
// The texts the user sees, as the tests expect them: each written out once,
// byte for byte, and never taken from the program's base/messages.h, so that a
// text changed there by mistake fails a test.
#include <string>
#include <vector>

namespace expected {

// The window's caption, also of each message box without a caption of its own.
inline const std::wstring kAppTitle = L"QX RIDAZ -> Vo 変換プログラム";
// Start-up: no data root; the search's line in its progress dialog, before its count.
inline const std::wstring kNoDataRoot = L" PATDAT の設定がありません.";
inline const std::wstring kSearching = L"PATDAT を探しています。調べたフォルダー: ";
// The message line during a run, and after one that completed.
inline const std::wstring kInProgress = L"只今変換中！\u3000しばらくお待ちください。";
inline const std::wstring kDone = L"変換が正常に終了しました。";

// Refusals and questions of a run; the limit of the selection.
inline const std::wstring kDriveName =
    L"規定値のドライブ名が正しくありません。ドライブ名は１文字のアルファベットと \":\" "
    L"でなければいけません。  例 \"C:\", \"D:\"...";
inline const std::wstring kBadPath = L"指定されたパスは正しくありません。";
inline const std::wstring kNoSource = L"変換元ファイルが選択されていません。";
inline const std::wstring kNoTest = L"変換元試験番号が選択されていません。";
inline const std::wstring kCreateFolders = L"ﾌｫﾙﾀﾞがありません。新規作成しますか？";
inline const std::wstring kSelectionLimit = L"選択できる試験番号は25件までです。";
inline std::wstring Overwrite(const std::wstring& t) {
  return L"送り先に同名の試験番号があります(" + t + L" )上書きしてよろしいですか？";
}
inline std::wstring IndexFull(const std::wstring& t) {
  return L"送り先の PCNT.TXT には既に 100 件の試験が登録されているため、試験番号 " + t + L" は変換しませんでした。";
}
inline std::wstring NoFifthField(const std::wstring& t) {
  return L"試験番号 " + t + L" のヘッダファイル (" + t +
         L".HED) には５番目の項目がありません。PCNT.TXT には値なし (値 0 として読まれます) で登録します。";
}

// A long run: the test line of its progress dialog ("試験 3 / 25: 1003"), and its stop.
inline std::wstring ProgressTest(int number, int count, const std::wstring& t) {
  return L"試験 " + std::to_wstring(number) + L" / " + std::to_wstring(count) + L": " + t;
}
inline std::wstring RunStopped(const std::wstring& t) {
  return L"変換を中止しました。試験番号 " + t +
         L" の変換は終わっていません (PCNT.TXT に登録していません)。それより前に変換した試験はそのまま残ります。";
}

// An index that another program holds or that is read-only, and the head of
// the refusal of one that cannot be read faithfully (the reason follows).
inline std::wstring IndexInUse(const std::wstring& index) {
  return L"PCNT.TXT をほかのプログラムが使っているため、書き換えられません。\n" + index +
         L"\n\nPCNT.TXT を開いているプログラム (Excel、メモ帳、もう 1 つの LugeonTransfer など) を"
         L"閉じてから［再試行］を押してください。［キャンセル］を押すと変換を中止します。";
}
inline std::wstring IndexReadOnly(const std::wstring& index) {
  return L"PCNT.TXT が読み取り専用のため、変換を中止しました。\n" + index +
         L"\n\nエクスプローラーで PCNT.TXT を右クリックして［プロパティ］を開き、［読み取り専用］のチェックを"
         L"外してから、実行し直してください。";
}
inline std::wstring IndexUnreadable(const std::wstring& index, int line) {
  return L"PCNT.TXT の " + std::to_wstring(line) +
         L" 行目を読み取れないため、PCNT.TXT を変更せずに変換を中止しました。\n" + index + L"\n\n";
}
// A file of the test in the destination that another program holds.
inline std::wstring FileInUse(const std::wstring& path) {
  return L"送り先のファイルをほかのプログラムが使っているため、置き換えられません。\n" + path +
         L"\n\nそのファイルを開いているプログラムを閉じてから［再試行］を押してください。［キャンセル］を押すと、"
         L"この試験をコピーせずに変換を中止します。";
}
// Too little room for a test's copies, up to the free megabytes.
inline std::wstring NoRoom(const std::wstring& folder, const std::wstring& t, const std::wstring& needMb) {
  return L"送り先の空き容量が足りないため、変換を中止しました。\n" + folder + L"\n\n試験番号 " + t + L" のファイルには " +
         needMb + L" MB 必要ですが、空きは ";
}
// What a run that was cut off left: paths one a line after each head.
inline std::wstring Lines(const std::vector<std::wstring>& paths) {
  std::wstring lines;
  for (const std::wstring& path : paths) lines += (lines.empty() ? L"" : L"\n") + path;
  return lines;
}
inline std::wstring CannotMend(const std::vector<std::wstring>& paths) {
  return L"途中で止まった変換のファイルが送り先に残っていますが、その後に変更されているため、元に戻せません。"
         L"変換を中止しました。\n" + Lines(paths) +
         L"\n\n上のファイルを確かめ、要らないものを削除してから、実行し直してください。";
}
inline std::wstring PendingOldIndex(const std::wstring& index, const std::wstring& pending) {
  return L"PCNT.TXT がなく、書きかけの PCNT.TXT.tmp が残っているため、変換を中止しました。\n" + index + L"\n" +
         pending + L"\n\nPCNT.TXT.tmp の中身を確かめ、正しければ名前を PCNT.TXT に変えてから、実行し直してください。";
}
inline std::wstring KeptAside(const std::vector<std::wstring>& paths) {
  return L"途中で止まった変換が置き換えようとしたファイルを、消さずに残しました。\n" + Lines(paths) +
         L"\n\n元の名前には新しいファイルがあるか、元の名前が分かりません。要らなければ削除してください。";
}
// An index that reads as Shift-JIS and as UTF-8, which the folder cannot tell apart.
inline std::wstring IndexEither(const std::wstring& index, const std::wstring& sjis, const std::wstring& utf8) {
  return L"PCNT.TXT が Shift-JIS と UTF-8 のどちらで保存されたものか、送り先の試験からは判断できません。\n" + index +
         L"\n\n最初に読み方の分かれる試験番号は、Shift-JIS として読むと「" + sjis + L"」、UTF-8 として読むと「" + utf8 +
         L"」です。\n\nShift-JIS (このツールと元のツールが書く文字コード) として読みますか？［いいえ］を押すと、"
         L"PCNT.TXT を変えずに変換を中止します。";
}
// A put back that failed, up to the system's reason.
inline std::wstring CannotPutBack(const std::wstring& from, const std::wstring& to) {
  return L"ファイルを元に戻せませんでした。次にこのフォルダへ変換するときに元に戻します。\n" + from + L"\n→ " + to +
         L"\n\n";
}
inline std::wstring IndexLockLost(const std::wstring& index) {
  return L"PCNT.TXT のロックが失われたため (ネットワークの切断など)、変換を中止しました。\n" + index +
         L"\n\nこの試験のファイルと PCNT.TXT は元のままです。送り先への接続を確かめてから、実行し直してください。";
}

inline const std::wstring kIndexUtf8 =
    L"UTF-8 で保存されたファイルは読み取れません。メモ帳などで開き、文字コードを ANSI (Shift-JIS) にして保存し直してください。";
// Bytes that are no Shift-JIS: the reason for a header, the head of it for an index.
inline const std::wstring kNotShiftJis = L"Shift-JIS の文字として読めないバイトがあります。";

// Heads of failure reports; Failure adds the path, after which the system's reason follows.
inline const std::wstring kCannotCreateFolder = L"フォルダを作成できません。";
inline const std::wstring kCannotCopy = L"ファイルをコピーできません。";
inline const std::wstring kCannotReplace = L"ファイルを置き換えられません。";
inline const std::wstring kCannotReadHeader = L"ヘッダファイルを読み込めません。";
inline const std::wstring kCannotWriteIndex = L"PCNT.TXT を書き込めません。";
inline const std::wstring kCannotOpenFolder = L"フォルダを開けません。";
inline const std::wstring kCannotChangeFolder = L"フォルダを移動できません。";
inline const std::wstring kUnexpected = L"予期しないエラーが発生しました。";
inline std::wstring Failure(const std::wstring& head, const std::wstring& path) {
  return head + L"\n" + path + L"\n\n";
}

}  // namespace expected
