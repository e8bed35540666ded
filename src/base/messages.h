#pragma once
// Every text the program shows its user: the window's caption, the message
// line, message boxes and the heads of failure reports. The user's guide
// quotes each of them; kEveryText keeps the two in step.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/limits.h"

namespace base::text {

inline constexpr wchar_t kAppTitle[] = L"QX RIDAZ -> Vo 変換プログラム";

// Start-up.
inline constexpr wchar_t kNoDataRoot[] = L" PATDAT の設定がありません.";

// The message line during and after a run.
inline constexpr wchar_t kInProgress[] = L"只今変換中！\u3000しばらくお待ちください。";
inline constexpr wchar_t kDone[] = L"変換が正常に終了しました。";

// Refusals of a run.
inline constexpr wchar_t kDriveName[] =
    L"規定値のドライブ名が正しくありません。ドライブ名は１文字のアルファベットと \":\" "
    L"でなければいけません。  例 \"C:\", \"D:\"...";
inline constexpr wchar_t kBadPath[] = L"指定されたパスは正しくありません。";
inline constexpr wchar_t kNoSource[] = L"変換元ファイルが選択されていません。";
inline constexpr wchar_t kNoTest[] = L"変換元試験番号が選択されていません。";

// Questions of a run.
inline constexpr wchar_t kCreateFolders[] = L"ﾌｫﾙﾀﾞがありません。新規作成しますか？";
inline constexpr wchar_t kOverwriteBefore[] = L"送り先に同名の試験番号があります(";
inline constexpr wchar_t kOverwriteAfter[] = L" )上書きしてよろしいですか？";
std::wstring OverwriteQuestion(const std::wstring& t);

// Limits and gaps.
inline constexpr wchar_t kSelectionLimitBefore[] = L"選択できる試験番号は";
inline constexpr wchar_t kSelectionLimitAfter[] = L"件までです。";
std::wstring SelectionLimit();
inline constexpr wchar_t kIndexFullBefore[] = L"送り先の PCNT.TXT には既に ";
inline constexpr wchar_t kIndexFullMiddle[] = L" 件の試験が登録されているため、試験番号 ";
inline constexpr wchar_t kIndexFullAfter[] = L" は変換しませんでした。";
std::wstring IndexFull(const std::wstring& t);
inline constexpr wchar_t kTestNumberBefore[] = L"試験番号 ";  // "試験番号 1001 ..."
inline constexpr wchar_t kNoFifthFieldMiddle[] = L" のヘッダファイル (";
inline constexpr wchar_t kNoFifthFieldAfter[] =
    L".HED) には５番目の項目がありません。PCNT.TXT には値なし (値 0 として読まれます) で登録します。";
std::wstring NoFifthField(const std::wstring& t);

// An index that cannot be read faithfully is left as it is.
enum class IndexFault { ByteOrderMark, Utf8, NotShiftJis, NotARecord };
inline constexpr wchar_t kIndexUnreadableBefore[] = L"PCNT.TXT の ";
inline constexpr wchar_t kIndexUnreadableAfter[] =
    L" 行目を読み取れないため、PCNT.TXT を変更せずに変換を中止しました。";
inline constexpr wchar_t kIndexByteOrderMark[] =
    L"ファイルの先頭にバイト順マーク (BOM) があります。UTF-8 や Unicode で保存されたファイルは"
    L"読み取れません。メモ帳などで開き、文字コードを ANSI (Shift-JIS) にして保存し直してください。";
inline constexpr wchar_t kIndexUtf8[] =
    L"UTF-8 で保存されたファイルは読み取れません。メモ帳などで開き、文字コードを ANSI (Shift-JIS) にして"
    L"保存し直してください。";
inline constexpr wchar_t kIndexNotShiftJis[] =
    L"Shift-JIS の文字として読めないバイトがあります。メモ帳などで開いてその行を確かめ、"
    L"文字コードを ANSI (Shift-JIS) にして保存し直してください。";
inline constexpr wchar_t kIndexNotARecord[] =
    L"「値,試験番号」の形になっていません。この行を「12.50,1001」のように 1 行 1 件に直して"
    L"保存してください。";
std::wstring IndexUnreadable(const std::wstring& path, int line, IndexFault fault);

// An index whose bytes read as Shift-JIS and as UTF-8, which the folder cannot
// tell apart: Yes reads it as Shift-JIS, No stops the run.
inline constexpr wchar_t kIndexEither[] =
    L"PCNT.TXT が Shift-JIS と UTF-8 のどちらで保存されたものか、送り先の試験からは判断できません。";
inline constexpr wchar_t kIndexEitherBefore[] = L"最初に読み方の分かれる試験番号は、Shift-JIS として読むと「";
inline constexpr wchar_t kIndexEitherMiddle[] = L"」、UTF-8 として読むと「";
inline constexpr wchar_t kIndexEitherAfter[] = L"」です。";
inline constexpr wchar_t kIndexEitherAsk[] =
    L"Shift-JIS (このツールと元のツールが書く文字コード) として読みますか？"
    L"［いいえ］を押すと、PCNT.TXT を変えずに変換を中止します。";
std::wstring IndexEither(const std::wstring& path, const std::wstring& sjis, const std::wstring& utf8);

// An index that others hold or protect. The question is answered with Retry or Cancel.
inline constexpr wchar_t kIndexInUse[] = L"PCNT.TXT をほかのプログラムが使っているため、書き換えられません。";
inline constexpr wchar_t kIndexInUseAdvice[] =
    L"PCNT.TXT を開いているプログラム (Excel、メモ帳、もう 1 つの LugeonTransfer など) を閉じてから"
    L"［再試行］を押してください。［キャンセル］を押すと変換を中止します。";
std::wstring IndexInUse(const std::wstring& path);
inline constexpr wchar_t kIndexReadOnly[] = L"PCNT.TXT が読み取り専用のため、変換を中止しました。";
inline constexpr wchar_t kIndexReadOnlyAdvice[] =
    L"エクスプローラーで PCNT.TXT を右クリックして［プロパティ］を開き、［読み取り専用］のチェックを外してから、"
    L"実行し直してください。";
std::wstring IndexReadOnly(const std::wstring& path);

// A file of the test in the destination that another program holds: Retry or Cancel.
inline constexpr wchar_t kFileInUse[] = L"送り先のファイルをほかのプログラムが使っているため、置き換えられません。";
inline constexpr wchar_t kFileInUseAdvice[] =
    L"そのファイルを開いているプログラムを閉じてから［再試行］を押してください。［キャンセル］を押すと、"
    L"この試験をコピーせずに変換を中止します。";
std::wstring FileInUse(const std::wstring& path);

// Too little room in the destination for the test's copies, after the
// folder: "試験番号 1001 のファイルには 12.4 MB 必要ですが、空きは 3.0 MB です。…"
inline constexpr wchar_t kNoRoom[] = L"送り先の空き容量が足りないため、変換を中止しました。";
inline constexpr wchar_t kNoRoomNeed[] = L" のファイルには ";
inline constexpr wchar_t kNoRoomFree[] = L" MB 必要ですが、空きは ";
inline constexpr wchar_t kNoRoomAfter[] =
    L" MB です。不要なファイルを削除するか、別の送り先を選んでから実行し直してください。";
std::wstring NoRoom(const std::wstring& folder, const std::wstring& t, std::uint64_t need, std::uint64_t free);

// What a run that was cut off (a power cut, a program ended) left in the
// destination; the next run into the folder mends it before it copies. The
// paths follow each head, one a line.
inline constexpr wchar_t kCannotMend[] =
    L"途中で止まった変換のファイルが送り先に残っていますが、その後に変更されているため、元に戻せません。"
    L"変換を中止しました。";
inline constexpr wchar_t kCannotMendAdvice[] =
    L"上のファイルを確かめ、要らないものを削除してから、実行し直してください。";
std::wstring CannotMend(const std::vector<std::wstring>& paths);
inline constexpr wchar_t kPendingOldIndex[] =
    L"PCNT.TXT がなく、書きかけの PCNT.TXT.tmp が残っているため、変換を中止しました。";
inline constexpr wchar_t kPendingOldIndexAdvice[] =
    L"PCNT.TXT.tmp の中身を確かめ、正しければ名前を PCNT.TXT に変えてから、実行し直してください。";
std::wstring PendingOldIndex(const std::wstring& index, const std::wstring& pending);
inline constexpr wchar_t kKeptAside[] =
    L"途中で止まった変換が置き換えようとしたファイルを、消さずに残しました。";
inline constexpr wchar_t kKeptAsideAdvice[] =
    L"元の名前には新しいファイルがあるか、元の名前が分かりません。要らなければ削除してください。";
std::wstring KeptAside(const std::vector<std::wstring>& paths);
inline constexpr wchar_t kCannotPutBack[] =
    L"ファイルを元に戻せませんでした。次にこのフォルダへ変換するときに元に戻します。";
std::wstring CannotPutBack(const std::wstring& from, const std::wstring& to, const std::wstring& reason);
inline constexpr wchar_t kIndexLockLost[] =
    L"PCNT.TXT のロックが失われたため (ネットワークの切断など)、変換を中止しました。";
inline constexpr wchar_t kIndexLockLostAdvice[] =
    L"この試験のファイルと PCNT.TXT は元のままです。送り先への接続を確かめてから、実行し直してください。";
std::wstring IndexLockLost(const std::wstring& path);

// Why Windows may not end the session while a run is under way.
inline constexpr wchar_t kShutdownReason[] = L"試験データを転送しています。";

// A long run and its stop.
inline constexpr wchar_t kProgressTestHead[] = L"試験 ";  // "試験 3 / 25: 1003"
std::wstring ProgressTest(int number, int count, const std::wstring& t);
inline constexpr wchar_t kRunStoppedBefore[] = L"変換を中止しました。試験番号 ";
inline constexpr wchar_t kRunStoppedAfter[] =
    L" の変換は終わっていません (PCNT.TXT に登録していません)。それより前に変換した試験はそのまま残ります。";
std::wstring RunStopped(const std::wstring& t);

// The data-root search at start-up, in its progress dialog: "PATDAT を探しています。調べたフォルダー: 1234".
inline constexpr wchar_t kSearching[] = L"PATDAT を探しています。";
inline constexpr wchar_t kSearchedBefore[] = L"調べたフォルダー: ";

// Heads of failure reports; the path and the system's reason follow them.
inline constexpr wchar_t kCannotCreateFolder[] = L"フォルダを作成できません。";
inline constexpr wchar_t kCannotCopy[] = L"ファイルをコピーできません。";
inline constexpr wchar_t kCannotReplace[] = L"ファイルを置き換えられません。";
inline constexpr wchar_t kCannotReadHeader[] = L"ヘッダファイルを読み込めません。";
inline constexpr wchar_t kCannotReadIndex[] = L"PCNT.TXT を読み込めません。";
inline constexpr wchar_t kCannotWriteIndex[] = L"PCNT.TXT を書き込めません。";
inline constexpr wchar_t kCannotOpenFolder[] = L"フォルダを開けません。";
inline constexpr wchar_t kCannotListFolder[] = L"フォルダの一覧を読めません。";
inline constexpr wchar_t kCannotChangeFolder[] = L"フォルダを移動できません。";
inline constexpr wchar_t kHeaderValueOf[] = L" のヘッダの値";  // after "試験番号 " and t
inline constexpr wchar_t kNumberTooLarge[] = L"数値が大きすぎます: ";
inline constexpr wchar_t kNotShiftJis[] = L"Shift-JIS の文字として読めないバイトがあります。";
inline constexpr wchar_t kNoShiftJisBefore[] = L"次の文字は Shift-JIS で表せません: ";
std::wstring NoShiftJisForm(const std::wstring& text, const std::wstring& character);
inline constexpr wchar_t kErrorCode[] = L"エラー ";

// Failures that only a fault of the program itself can cause.
inline constexpr wchar_t kUnexpected[] = L"予期しないエラーが発生しました。";
inline constexpr wchar_t kInvalidArgument[] = L"プロシージャの呼び出し、または引数が不正です。";
inline constexpr wchar_t kOverflow[] = L"オーバーフローしました。";
inline constexpr wchar_t kOutOfRange[] = L"インデックスが有効範囲にありません。";

// The shape of every report: what happened, the file it happened to, and why
// or what to do ("<head>\n<path>\n\n<detail>").
std::wstring Report(std::wstring_view head, std::wstring_view path, std::wstring_view detail);

// Each fixed text above and the fixed parts of the built ones.
inline constexpr const wchar_t* kEveryText[] = {
    kAppTitle,              kNoDataRoot,            kInProgress,            kDone,
    kDriveName,             kBadPath,               kNoSource,              kNoTest,
    kCreateFolders,         kOverwriteBefore,       kOverwriteAfter,        kSelectionLimitBefore,
    kSelectionLimitAfter,   kIndexFullBefore,       kIndexFullMiddle,       kIndexFullAfter,
    kTestNumberBefore,      kNoFifthFieldMiddle,    kNoFifthFieldAfter,     kIndexUnreadableBefore,
    kIndexUnreadableAfter,  kIndexByteOrderMark,    kIndexUtf8,             kIndexNotShiftJis,
    kIndexNotARecord,       kIndexInUse,            kIndexInUseAdvice,      kIndexReadOnly,
    kIndexReadOnlyAdvice,   kFileInUse,             kFileInUseAdvice,       kNoRoom,
    kNoRoomNeed,            kNoRoomFree,            kNoRoomAfter,           kShutdownReason,
    kCannotReplace,         kProgressTestHead,      kRunStoppedBefore,
    kRunStoppedAfter,       kSearching,             kSearchedBefore,        kCannotCreateFolder,
    kCannotCopy,            kCannotReadHeader,      kCannotReadIndex,       kCannotWriteIndex,
    kCannotOpenFolder,      kCannotListFolder,      kCannotChangeFolder,    kHeaderValueOf,
    kNumberTooLarge,        kNotShiftJis,           kNoShiftJisBefore,      kErrorCode,
    kUnexpected,            kInvalidArgument,       kOverflow,              kOutOfRange,
    kCannotMend,            kCannotMendAdvice,      kPendingOldIndex,       kPendingOldIndexAdvice,
    kKeptAside,             kKeptAsideAdvice,       kCannotPutBack,         kIndexLockLost,
    kIndexLockLostAdvice,   kIndexEither,           kIndexEitherBefore,     kIndexEitherMiddle,
    kIndexEitherAfter,      kIndexEitherAsk,
};

}  // namespace base::text
