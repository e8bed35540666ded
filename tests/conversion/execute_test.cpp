#include "conversion/execute.h"
#include "conversion/file_io.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/fake_view.h"
#include "support/test_support.h"

using conversiontest::FakeView;
using fileutil::Buttons;
using fileutil::Icon;
using fileutil::kIdNo;
using fileutil::kIdYes;
using testsupport::Exists;
using testsupport::FolderContents;
using testsupport::Prompts;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

using Names = std::vector<std::wstring>;

const std::wstring kInProgress = L"只今変換中！\u3000しばらくお待ちください。";
const std::wstring kDone = L"変換が正常に終了しました。";
const std::wstring kBadPath = L"指定されたパスは正しくありません。";
const std::wstring kDriveName =
    L"規定値のドライブ名が正しくありません。ドライブ名は１文字のアルファベットと \":\" "
    L"でなければいけません。  例 \"C:\", \"D:\"...";
const std::wstring kNoSource = L"変換元ファイルが選択されていません。";
const std::wstring kCreateFolders = L"ﾌｫﾙﾀﾞがありません。新規作成しますか？";
const std::wstring kNoTest = L"変換元試験番号が選択されていません。";

std::wstring Overwrite(const std::wstring& t) {
  return L"送り先に同名の試験番号があります(" + t + L" )上書きしてよろしいですか？";
}

std::wstring IndexInUse(const std::wstring& index) {
  return L"PCNT.TXT をほかのプログラムが使っているため、書き換えられません。\n" + index +
         L"\n\nPCNT.TXT を開いているプログラム (Excel、メモ帳、もう 1 つの LugeonTransfer など) を閉じてから"
         L"［再試行］を押してください。［キャンセル］を押すと変換を中止します。";
}

std::wstring IndexReadOnly(const std::wstring& index) {
  return L"PCNT.TXT が読み取り専用のため、変換を中止しました。\n" + index +
         L"\n\nエクスプローラーで PCNT.TXT を右クリックして［プロパティ］を開き、［読み取り専用］のチェックを外してから、"
         L"実行し直してください。";
}

// Polls until done() holds; false after ten seconds.
bool WaitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

bool StartsWith(const std::wstring& text, const std::wstring& start) {
  return text.compare(0, start.size(), start) == 0;
}

// A file that nobody else may open while it lives.
class HeldOpen {
 public:
  HeldOpen(const std::wstring& path, DWORD access, DWORD share)
      : handle_(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {
    EXPECT_NE(handle_, INVALID_HANDLE_VALUE);
  }
  ~HeldOpen() { CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

// index_writer.exe (tests/support) running beside this test program, its
// output kept in a file; ended when the object goes.
class Writer {
 public:
  Writer(const std::wstring& arguments, const std::wstring& output) : output_(output) {
    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"index_writer.exe";
    std::wstring command = L"\"" + program + L"\" " + arguments;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION info{};
    EXPECT_TRUE(CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &info))
        << GetLastError();
    CloseHandle(out);
    CloseHandle(info.hThread);
    process_ = info.hProcess;
  }
  ~Writer() { End(); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // The exit code, or STILL_ACTIVE after timeoutMs.
  DWORD Wait(DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(process_, &code);
    return code;
  }
  // As the Task Manager ends a program: at once, nothing of its own run.
  void End() {
    if (process_ == nullptr) return;
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, INFINITE);
    CloseHandle(process_);
    process_ = nullptr;
  }
  std::string Output() const { return ReadBytes(output_); }

 private:
  std::wstring output_;
  HANDLE process_ = nullptr;
};

class Execute : public testing::Test {
 protected:
  std::wstring root = testsupport::ScratchFolder();
  std::wstring src = root + L"\\src";
  std::wstring dst = root + L"\\dst";

  void SetUp() override { testsupport::MakeFolders(src); }

  // dst, holding these files already.
  void MakeDestination(std::initializer_list<std::pair<const wchar_t*, const char*>> files = {}) {
    testsupport::MakeFolders(dst);
    for (const auto& [name, bytes] : files) WriteBytes(dst + L"\\" + name, bytes);
  }

  // A test's header and data file in folder.
  static void AddTest(const std::wstring& folder, const std::wstring& t, const std::string& header) {
    WriteBytes(folder + L"\\" + t + L".HED", header);
    WriteBytes(folder + L"\\" + t + L".GRA", "data of the test");
  }

  std::int16_t Run(FakeView& view, const std::vector<std::wstring>& tests,
                   std::int16_t done = 0) {
    conversion::Command1_Click(view, tests, done);
    return done;
  }
};

}  // namespace

// --- refusals ---------------------------------------------------------------

TEST_F(Execute, BlankDestinationIsRefusedAfterTheDriveNameMessage) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  FakeView view(src, L"  ");
  EXPECT_EQ(Run(view, {L"1234"}), 0);
  EXPECT_EQ(view.prompts(),
            (Prompts{{kDriveName, Buttons::Ok, Icon::Information}, {kBadPath, Buttons::Ok, Icon::Warning, L"  "}}));
  EXPECT_EQ(view.events, (Names{L"Label3:" + kInProgress, L"DoEvents", L"Box:" + kDriveName, L"Box:" + kBadPath,
                                L"End:"}));
}

// A blank source is not even looked at then; S: is a drive that is not ready.
TEST_F(Execute, AnUnacceptableDestinationIsRefusedWithItsPathAsCaption) {
  for (const auto& [source, destination] : {std::pair{std::wstring(), L"M:\\a*b"}, std::pair{src, L"S:\\data"}}) {
    FakeView view(source, destination);
    EXPECT_EQ(Run(view, {L"1234"}), 0);
    EXPECT_EQ(view.prompts(), (Prompts{{kBadPath, Buttons::Ok, Icon::Warning, destination}}));
    EXPECT_EQ(view.label3, L"") << destination;
  }
}

TEST_F(Execute, BlankSourceIsRefusedBeforeAnyFolderIsMade) {
  FakeView view(L" \u3000 ", dst);
  EXPECT_EQ(Run(view, {L"1234"}), 0);
  EXPECT_EQ(view.prompts(), (Prompts{{kNoSource, Buttons::Ok, Icon::None}}));
  EXPECT_FALSE(Exists(dst));
  EXPECT_EQ(view.events, (Names{L"Label3:" + kInProgress, L"DoEvents", L"Box:" + kNoSource, L"End:"}));
}

TEST_F(Execute, NoTestSelectedIsToldAfterTheMissingFolderIsMade) {
  FakeView view(src, dst, {kIdYes});
  EXPECT_EQ(Run(view, {}), 0);
  EXPECT_EQ(view.prompts(),
            (Prompts{{kCreateFolders, Buttons::YesNo, Icon::Question}, {kNoTest, Buttons::Ok, Icon::None}}));
  EXPECT_TRUE(Exists(dst));
  EXPECT_TRUE(FolderContents(dst).empty());
  EXPECT_EQ(view.label3, L"");
}

// --- destination folders ----------------------------------------------------

TEST_F(Execute, OneQuestionCreatesTheMissingLastLevel) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  testsupport::MakeFolders(root + L"\\A");
  FakeView view(src, root + L"\\A\\B", {kIdYes});
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(view.prompts(), (Prompts{{kCreateFolders, Buttons::YesNo, Icon::Question}}));
  EXPECT_EQ(ReadBytes(root + L"\\A\\B\\PCNT.TXT"), "12.5,1234\r\n");
}

TEST_F(Execute, NoToTheFolderQuestionCreatesNothing) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  testsupport::MakeFolders(root + L"\\A");
  FakeView view(src, root + L"\\A\\B", {kIdNo});
  EXPECT_EQ(Run(view, {L"1234"}), 0);
  EXPECT_EQ(view.prompts().size(), 1u);
  EXPECT_FALSE(Exists(root + L"\\A\\B"));
  EXPECT_EQ(view.events, (Names{L"Label3:" + kInProgress, L"DoEvents", L"Box:" + kCreateFolders, L"End:"}));

  FakeView neither(src, root + L"\\C\\D", {kIdNo});
  EXPECT_EQ(Run(neither, {L"1234"}), 0);
  EXPECT_EQ(neither.prompts().size(), 1u);
  EXPECT_FALSE(Exists(root + L"\\C"));
}

TEST_F(Execute, BothMissingLevelsAreCreatedAfterOneQuestion) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  FakeView view(src, root + L"\\A\\B", {kIdYes});
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  ASSERT_EQ(view.prompts().size(), 1u);
  EXPECT_EQ(FolderContents(root + L"\\A\\B"), (Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"}));
}

TEST_F(Execute, ADriveRootDestinationAsksNothing) {
  // P:\ itself is used by this test only.
  const Names files{L"P:\\1234.HED", L"P:\\1234.GRA", L"P:\\PCNT.TXT"};
  for (const auto& file : files) testsupport::RemoveTree(file);
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  FakeView view(src, L"P:\\");
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_TRUE(view.prompts().empty());
  EXPECT_EQ(ReadBytes(L"P:\\1234.HED"), "a,b,c,d,12.5\r\n");
  EXPECT_EQ(ReadBytes(L"P:\\PCNT.TXT"), "12.5,1234\r\n");
  for (const auto& file : files) testsupport::RemoveTree(file);
}

TEST_F(Execute, ASourceAtADriveRootIsUsedAsItIs) {
  // O:\ itself is used by this test only.
  const Names files{L"O:\\1234.HED", L"O:\\1234.GRA"};
  for (const auto& file : files) testsupport::RemoveTree(file);
  AddTest(L"O:", L"1234", "a,b,c,d,4\r\n");
  MakeDestination();
  FakeView view(L"O:\\", dst);
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_TRUE(view.prompts().empty());
  EXPECT_EQ(ReadBytes(dst + L"\\1234.HED"), "a,b,c,d,4\r\n");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "4,1234\r\n");
  for (const auto& file : files) testsupport::RemoveTree(file);
}

TEST_F(Execute, FoldersEndingInASeparatorByteKeepTheirFiles) {
  // ソ and 表 end in the byte of "\" in Shift-JIS; they are no separators.
  const std::wstring source = root + L"\\srcソ";
  const std::wstring destination = root + L"\\dst表";
  testsupport::MakeFolders(source);
  AddTest(source, L"1234", "a,b,c,d,2\r\n");
  FakeView view(source, destination, {kIdYes});
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(FolderContents(destination), (Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"}));
  EXPECT_EQ(FolderContents(root), (Names{L"dst表", L"src", L"srcソ"}));
}

// --- same test number in the destination -------------------------------------

TEST_F(Execute, OverwriteQuestionNamesTheTestAndNoLeavesItAlone) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination({{L"1234.GRA", "old"}, {L"PCNT.TXT", "1.00,9999\r\n"}});
  FakeView view(src, dst, {kIdNo});
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(view.prompts(), (Prompts{{Overwrite(L"1234"), Buttons::YesNo, Icon::Question}}));
  EXPECT_EQ(FolderContents(dst), (Names{L"1234.GRA", L"PCNT.TXT"}));
  EXPECT_EQ(ReadBytes(dst + L"\\1234.GRA"), "old");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "1.00,9999\r\n");
  EXPECT_EQ(view.label3, kDone);
}

TEST_F(Execute, YesReplacesTheTestAndEntersIt) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination({{L"1234.GRA", "old"}, {L"PCNT.TXT", "1.00,9999\r\n"}});
  FakeView view(src, dst, {kIdYes});
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(view.prompts().size(), 1u);
  EXPECT_EQ(ReadBytes(dst + L"\\1234.GRA"), "data of the test");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "1.00,9999\r\n12.50,1234\r\n");
}

TEST_F(Execute, TheBaseNameEndsAtTheFirstDot) {
  AddTest(src, L"1234", "a,b,c,d,1\r\n");
  MakeDestination({{L"1234X.GRA", ""}, {L"X1234.GRA", ""}});
  FakeView none(src, dst);
  EXPECT_EQ(Run(none, {L"1234"}), 1);
  EXPECT_TRUE(none.prompts().empty());

  const std::wstring other = root + L"\\other";
  testsupport::MakeFolders(other);
  WriteBytes(other + L"\\1234.OLD.GRA", "");
  FakeView view(src, other, {kIdNo});
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  ASSERT_EQ(view.prompts().size(), 1u);
  EXPECT_EQ(view.prompts()[0].text, Overwrite(L"1234"));
}

TEST_F(Execute, AJapaneseTestNumberIsAskedForAndEntered) {
  AddTest(src, L"表ソ", "a,b,c,d,3\r\n");
  AddTest(src, L"能", "a,b,c,d,2\r\n");
  MakeDestination({{L"表ソ.GRA", "old"}, {L"表.GRA", ""}});
  FakeView view(src, dst, {kIdYes});
  EXPECT_EQ(Run(view, {L"表ソ", L"能"}), 1);
  EXPECT_EQ(view.prompts(), (Prompts{{Overwrite(L"表ソ"), Buttons::YesNo, Icon::Question}}));
  EXPECT_EQ(ReadBytes(dst + L"\\表ソ.GRA"), "data of the test");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "2.00,\x94\x5C\r\n3.00,\x95\x5C\x83\x5C\r\n");
}

// The file system does not tell abc and ABC apart: copying ABC would replace abc's files.
TEST_F(Execute, NamesDifferingOnlyInCaseAreAskedFor) {
  AddTest(src, L"ABC", "a,b,c,d,1\r\n");
  MakeDestination({{L"abc.GRA", "old"}, {L"PCNT.TXT", "2.00,abc\r\n"}});
  FakeView view(src, dst, {kIdNo});
  EXPECT_EQ(Run(view, {L"ABC"}), 1);
  EXPECT_EQ(view.prompts(), (Prompts{{Overwrite(L"ABC"), Buttons::YesNo, Icon::Question}}));
  EXPECT_EQ(ReadBytes(dst + L"\\abc.GRA"), "old");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "2.00,abc\r\n");
}

TEST_F(Execute, OnlyTheConfirmedOfTwoTestsIsCopied) {
  AddTest(src, L"1111", "a,b,c,d,1\r\n");
  AddTest(src, L"2222", "a,b,c,d,2\r\n");
  MakeDestination({{L"1111.GRA", "old"}, {L"2222.GRA", "old"}});
  FakeView view(src, dst, {kIdNo, kIdYes});
  EXPECT_EQ(Run(view, {L"1111", L"2222"}), 1);
  ASSERT_EQ(view.prompts().size(), 2u);
  EXPECT_EQ(view.prompts()[0].text, Overwrite(L"1111"));
  EXPECT_EQ(view.prompts()[1].text, Overwrite(L"2222"));
  EXPECT_EQ(FolderContents(dst), (Names{L"1111.GRA", L"2222.GRA", L"2222.HED", L"PCNT.TXT"}));
  EXPECT_EQ(ReadBytes(dst + L"\\1111.GRA"), "old");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "2,2222\r\n");
}

TEST_F(Execute, EveryDataFileOfTheDestinationIsChecked) {
  AddTest(src, L"ZZ", "a,b,c,d,1\r\n");
  MakeDestination();
  for (int k = 0; k < 300; ++k) WriteBytes(dst + L"\\A" + std::to_wstring(1000 + k) + L".GRA", "");
  WriteBytes(dst + L"\\ZZ.GRA", "old");
  FakeView view(src, dst, {kIdNo});
  EXPECT_EQ(Run(view, {L"ZZ"}), 1);
  ASSERT_EQ(view.prompts().size(), 1u);
  EXPECT_EQ(view.prompts()[0].text, Overwrite(L"ZZ"));
  EXPECT_EQ(ReadBytes(dst + L"\\ZZ.GRA"), "old");
}

// --- copy, header, index ------------------------------------------------------

TEST_F(Execute, CopiesEveryFileOfTheTestUnderItsName) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  WriteBytes(src + L"\\1234.TXT", "notes");
  AddTest(src, L"12345", "a,b,c,d,1\r\n");
  WriteBytes(src + L"\\1234X.TXT", "other");
  testsupport::MakeFolders(src + L"\\1234.SUB");
  MakeDestination();
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(FolderContents(dst), (Names{L"1234.GRA", L"1234.HED", L"1234.TXT", L"PCNT.TXT"}));
  EXPECT_EQ(ReadBytes(dst + L"\\1234.HED"), "a,b,c,d,12.5\r\n");
  EXPECT_EQ(ReadBytes(dst + L"\\1234.GRA"), "data of the test");
  EXPECT_EQ(ReadBytes(dst + L"\\1234.TXT"), "notes");
}

TEST_F(Execute, ATestWithMoreThan256FilesIsCopiedCompletely) {
  AddTest(src, L"1234", "a,b,c,d,1\r\n");
  for (int k = 0; k < 300; ++k)
    WriteBytes(src + L"\\1234.E" + std::to_wstring(100 + k), std::to_string(k));
  MakeDestination();
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(FolderContents(dst).size(), 303u);
  EXPECT_EQ(ReadBytes(dst + L"\\1234.E399"), "299");
}

TEST_F(Execute, TheSourcesOwnIndexNeverReplacesTheDestinations) {
  AddTest(src, L"PCNT", "a,b,c,d,7\r\n");
  WriteBytes(src + L"\\PCNT.TXT", "1.00,OTHER\r\n");
  MakeDestination({{L"PCNT.TXT", "5.00,KEEP\r\n"}});
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"PCNT"}), 1);
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "5.00,KEEP\r\n7.00,PCNT\r\n");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.GRA"), "data of the test");
}

TEST_F(Execute, TheFifthHeaderFieldIsEnteredIntoTheIndex) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  AddTest(src, L"1200", "x\r\ny,z\r\n\"w\", 3 ,7\r\n");
  AddTest(src, L"1300", "A,B,\r\nC,4.5,E\r\n");  // the line end after a comma ends a field
  MakeDestination();
  FakeView first(src, dst);
  EXPECT_EQ(Run(first, {L"1234"}), 1);
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "12.5,1234\r\n");
  FakeView second(src, dst, {kIdYes});
  EXPECT_EQ(Run(second, {L"1200", L"1300"}), 1);
  EXPECT_TRUE(second.prompts().empty());
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "3.00,1200\r\n4.50,1300\r\n12.50,1234\r\n");
}

TEST_F(Execute, NamesEndingInAnIdeographicSpaceAreTheirOwn) {
  // Windows keeps U+3000 at the end of a name: 結果 and 結果 + U+3000 are two folders.
  AddTest(src, L"1234", "a,b,c,d,2\r\n");
  WriteBytes(src + L"\\1234.メモ\u3000", "memo");
  const std::wstring destination = root + L"\\結果\u3000";
  testsupport::MakeFolders(destination);
  FakeView view(src, destination);
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_TRUE(view.prompts().empty()) << "the folder is there: nothing to ask";
  EXPECT_EQ(FolderContents(destination), (Names{L"1234.GRA", L"1234.HED", L"1234.メモ\u3000", L"PCNT.TXT"}));
  EXPECT_EQ(ReadBytes(destination + L"\\1234.メモ\u3000"), "memo");
  EXPECT_FALSE(Exists(root + L"\\結果"));
}

TEST_F(Execute, AHeaderWithoutAFifthFieldIsToldAndEnteredAsZero) {
  AddTest(src, L"A", "1,2,3,4,5\r\n");
  AddTest(src, L"B", "1,2,3,4\r\n");
  MakeDestination();
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"A", L"B"}), 1);
  EXPECT_EQ(view.prompts(), (Prompts{{L"試験番号 B のヘッダファイル (B.HED) には５番目の項目がありません。"
                                      L"値を .00 として PCNT.TXT に登録します。",
                                      Buttons::Ok, Icon::None}}));
  // B does not take A's value.
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), ".00,B\r\n5.00,A\r\n");

  const std::wstring fresh = root + L"\\fresh";
  testsupport::MakeFolders(fresh);
  FakeView alone(src, fresh);
  EXPECT_EQ(Run(alone, {L"B"}), 1);
  EXPECT_EQ(ReadBytes(fresh + L"\\PCNT.TXT"), ".00,B\r\n");
}

TEST_F(Execute, ATestTheFullIndexCannotTakeIsSkipped) {
  AddTest(src, L"NEW", "a,b,c,d,1\r\n");
  AddTest(src, L"T1", "a,b,c,d,0.5\r\n");
  MakeDestination();
  std::string full;
  for (int k = 1; k <= 100; ++k) full += std::to_string(k) + ".00,T" + std::to_string(k) + "\r\n";
  WriteBytes(dst + L"\\PCNT.TXT", full);
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"NEW", L"T1"}), 1);
  ASSERT_EQ(view.prompts().size(), 1u);
  const auto& refusal = view.prompts()[0];
  EXPECT_NE(refusal.text.find(L"NEW"), std::wstring::npos);
  EXPECT_NE(refusal.text.find(L"PCNT.TXT"), std::wstring::npos);
  EXPECT_NE(refusal.text.find(L"100"), std::wstring::npos);
  EXPECT_EQ(refusal.buttons, Buttons::Ok);
  EXPECT_EQ(refusal.icon, Icon::Warning);
  EXPECT_EQ(FolderContents(dst), (Names{L"PCNT.TXT", L"T1.GRA", L"T1.HED"}));
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), ".50,T1\r\n" + full.substr(std::string("1.00,T1\r\n").size()));
  EXPECT_EQ(view.label3, kDone);
}

// --- the run's own state ------------------------------------------------------

TEST_F(Execute, ASuccessfulRunReportsCompletionAndRestoresThePointer) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination();
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(view.events, (Names{L"Label3:" + kInProgress, L"DoEvents", L"Busy", L"End:" + kDone}));
  EXPECT_TRUE(view.progress.empty()) << "a short run shows no progress";
}

// A run that works for a while (here: waiting for another program's lock)
// keeps the window answering, shows its progress after about a second, and
// stops when the user says so: the test is not entered, and the user is told
// which test was not finished.
TEST_F(Execute, ALongRunShowsItsProgressAfterASecondAndStopsWhenTold) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination({{L"PCNT.TXT", "1.00,A\r\n"}});
  Writer holder(L"hold " + dst, root + L"\\holder.txt");
  ASSERT_TRUE(WaitFor([&] { return Exists(dst + L"\\PCNT.TXT.lock"); })) << holder.Output();
  FakeView view(src, dst);
  const ULONGLONG start = GetTickCount64();
  ULONGLONG shownAfter = 0;
  view.onProgress = [&](const conversion::RunProgress&) {
    shownAfter = GetTickCount64() - start;
    return false;  // Cancel
  };
  PostThreadMessageW(GetCurrentThreadId(), WM_APP, 0, 0);
  EXPECT_EQ(Run(view, {L"1234"}), 0);
  ASSERT_FALSE(view.progress.empty());
  EXPECT_GE(shownAfter, 1000u);
  EXPECT_LT(shownAfter, 5000u) << "before the question about the lock";
  EXPECT_EQ(view.progress[0].test, L"試験 1 / 1: 1234");
  EXPECT_EQ(view.progress[0].total, 30u) << "the bytes of the test's two files";
  EXPECT_GE(view.answered, 1) << "the window answered while the run waited";
  EXPECT_EQ(view.prompts(), (Prompts{{L"変換を中止しました。試験番号 1234 の変換は終わっていません (PCNT.TXT に登録していません)。"
                                      L"それより前に変換した試験はそのまま残ります。",
                                      Buttons::Ok, Icon::Warning}}));
  EXPECT_EQ(view.label3, L"");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "1.00,A\r\n");
}

// Windows removes what a stopped copy made. Wine's CopyFileExW never reports
// progress, so there a copy cannot be stopped halfway and this is not tried.
TEST(CopyOneFile, AStoppedCopyLeavesNothingUnderTheTargetsName) {
  const std::wstring folder = testsupport::ScratchFolder();
  const std::wstring from = folder + L"\\big.GRA";
  const HANDLE file = CreateFileW(from.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 64LL << 20;
  EXPECT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file));
  CloseHandle(file);
  int reports = 0;
  const bool whole = conversion::CopyOneFile(from, folder + L"\\copy.GRA", [&](std::uint64_t) {
    ++reports;
    return false;
  });
  if (reports == 0) GTEST_SKIP() << "this platform's CopyFileExW reports no progress (Wine)";
  EXPECT_FALSE(whole);
  EXPECT_FALSE(Exists(folder + L"\\copy.GRA"));
}

TEST_F(Execute, ARunWhoseTestsAreAllSkippedStillCompletes) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination({{L"1234.GRA", "old"}});
  FakeView view(src, dst, {kIdNo});
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(view.events,
            (Names{L"Label3:" + kInProgress, L"DoEvents", L"Busy", L"Box:" + Overwrite(L"1234"), L"End:" + kDone}));
  EXPECT_FALSE(Exists(dst + L"\\PCNT.TXT"));
}

// --- failures -------------------------------------------------------------------

TEST_F(Execute, AFailedCopyStopsTheRunAndSaysWhy) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  AddTest(src, L"5678", "a,b,c,d,1\r\n");
  MakeDestination({{L"1234.GRA", "old"}});
  FakeView view(src, dst, {kIdYes});
  std::int16_t done = 0;
  {
    HeldOpen held(dst + L"\\1234.GRA", GENERIC_READ | GENERIC_WRITE, 0);
    done = Run(view, {L"1234", L"5678"}, 1);
  }
  EXPECT_EQ(done, 0);
  ASSERT_EQ(view.prompts().size(), 2u);
  const auto& failure = view.prompts()[1];
  EXPECT_TRUE(StartsWith(failure.text, L"ファイルをコピーできません。\n")) << testing::PrintToString(failure.text);
  EXPECT_NE(failure.text.find(dst + L"\\1234.GRA"), std::wstring::npos);
  EXPECT_EQ(failure.buttons, Buttons::Ok);
  EXPECT_EQ(failure.icon, Icon::Warning);
  EXPECT_EQ(view.events, (Names{L"Label3:" + kInProgress, L"DoEvents", L"Busy", L"Box:" + Overwrite(L"1234"),
                                L"End:", L"Box:" + failure.text}));
  EXPECT_EQ(ReadBytes(dst + L"\\1234.GRA"), "old");
  EXPECT_FALSE(Exists(dst + L"\\5678.GRA"));
  EXPECT_FALSE(Exists(dst + L"\\PCNT.TXT"));
}

// The source folder chosen as its own destination (spelled another way): the
// copy onto itself fails, so the user is told and no file is emptied.
TEST_F(Execute, TheSourceFolderAsDestinationLosesNothing) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  std::wstring same = src + L"\\";
  same[0] = static_cast<wchar_t>(std::towlower(same[0]));
  FakeView view(src, same, {kIdYes});
  EXPECT_EQ(Run(view, {L"1234"}), 0);
  ASSERT_EQ(view.prompts().size(), 2u);
  EXPECT_EQ(view.prompts()[0], (testsupport::Prompt{Overwrite(L"1234"), Buttons::YesNo, Icon::Question}));
  EXPECT_TRUE(StartsWith(view.prompts()[1].text, L"ファイルをコピーできません。\n"));
  EXPECT_EQ(FolderContents(src), (Names{L"1234.GRA", L"1234.HED"}));
  EXPECT_EQ(ReadBytes(src + L"\\1234.HED"), "a,b,c,d,12.5\r\n");
  EXPECT_EQ(ReadBytes(src + L"\\1234.GRA"), "data of the test");
}

// A spreadsheet shows a file held with FILE_SHARE_READ only; others hold it
// without sharing. Either way the user is asked before anything is copied:
// Cancel stops the run with the destination as it was, Retry after the
// program let go goes on.
TEST_F(Execute, AnIndexHeldByAnotherProgramIsAskedAboutBeforeTheTest) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  for (const DWORD share : {DWORD{FILE_SHARE_READ}, DWORD{0}}) {
    for (const int answer : {fileutil::kIdCancel, fileutil::kIdRetry}) {
      SCOPED_TRACE(testing::Message() << "share " << share << ", answer " << answer);
      testsupport::RemoveTree(dst);
      MakeDestination({{L"PCNT.TXT", "1.00,9999\r\n"}});
      const std::wstring index = dst + L"\\PCNT.TXT";
      auto held = std::make_unique<HeldOpen>(index, GENERIC_READ, share);
      FakeView view(src, dst, {answer});
      view.onShow = [&](const std::wstring&) {
        EXPECT_EQ(FolderContents(dst), Names{L"PCNT.TXT"}) << "nothing of the test copied yet";
        held.reset();
      };
      EXPECT_EQ(Run(view, {L"1234"}), answer == fileutil::kIdRetry ? 1 : 0);
      ASSERT_EQ(view.prompts(), (Prompts{{IndexInUse(index), Buttons::RetryCancel, Icon::Warning}}));
      if (answer == fileutil::kIdCancel) {
        EXPECT_EQ(view.label3, L"");
        EXPECT_EQ(FolderContents(dst), Names{L"PCNT.TXT"});
        EXPECT_EQ(ReadBytes(index), "1.00,9999\r\n");
      } else {
        EXPECT_EQ(view.label3, kDone);
        EXPECT_EQ(ReadBytes(index), "1.00,9999\r\n12.50,1234\r\n");
      }
    }
  }
}

// The index is read again when the test is entered: what others wrote while
// the question was open stays.
TEST_F(Execute, ARecordAddedWhileTheQuestionIsOpenSurvives) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination({{L"1234.GRA", "old"}, {L"PCNT.TXT", "1.00,A\r\n"}});
  FakeView view(src, dst, {kIdYes});
  view.onShow = [&](const std::wstring&) { WriteBytes(dst + L"\\PCNT.TXT", "1.00,A\r\n2.00,B\r\n"); };
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "1.00,A\r\n2.00,B\r\n12.50,1234\r\n");
  EXPECT_EQ(FolderContents(dst), (Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"})) << "no lock or temporary file left";
}

// Two copies of the program (two people on a shared folder) entering 25 tests
// each into one index at the same time, again and again: one writes at a time
// and each reads the index again first, so no record is lost and no run fails.
TEST_F(Execute, TwoProgramsEnterIntoOneIndexAtTheSameTime) {
  std::string expected = ".50,OLD\r\n";
  for (int k = 1; k <= 25; ++k) {
    std::string number = std::to_string(k);
    if (k < 10) number.insert(number.begin(), '0');
    const std::wstring wide(number.begin(), number.end());
    AddTest(src, std::wstring(1, L'A').append(wide), "a,b,c,d," + std::to_string(k) + "\r\n");
    AddTest(src, std::wstring(1, L'B').append(wide), "a,b,c,d," + std::to_string(k) + ".25\r\n");
    expected += std::to_string(k) + ".00,A" + number + "\r\n" + std::to_string(k) + ".25,B" + number + "\r\n";
  }
  MakeDestination({{L"PCNT.TXT", "0.50,OLD\r\n"}});
  Writer a(L"run " + src + L" " + dst + L" A 3000", root + L"\\a.txt");
  Writer b(L"run " + src + L" " + dst + L" B 3000", root + L"\\b.txt");
  EXPECT_EQ(a.Wait(120000), 0u) << a.Output();
  EXPECT_EQ(b.Wait(120000), 0u) << b.Output();
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), expected);
  EXPECT_EQ(FolderContents(dst).size(), 101u) << "the tests' files and PCNT.TXT, no lock or temporary file";
}

// A program ended from the Task Manager while it held the index leaves
// nothing that blocks the next run.
TEST_F(Execute, TheLockOfAProgramThatWasEndedBlocksNothing) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination();
  Writer holder(L"hold " + dst, root + L"\\holder.txt");
  ASSERT_TRUE(WaitFor([&] { return Exists(dst + L"\\PCNT.TXT.lock"); })) << holder.Output();
  holder.End();
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_TRUE(view.prompts().empty());
  EXPECT_EQ(FolderContents(dst), (Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT"}));
}

// Another copy of the program that keeps the index is waited for silently
// for about five seconds when the test is to be entered; then the user is
// asked, and Retry goes on.
TEST_F(Execute, AnotherProgramsLockIsWaitedForThenAskedAbout) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination();
  Writer holder(L"hold " + dst, root + L"\\holder.txt");
  ASSERT_TRUE(WaitFor([&] { return Exists(dst + L"\\PCNT.TXT.lock"); })) << holder.Output();
  FakeView view(src, dst, {fileutil::kIdRetry});
  const ULONGLONG start = GetTickCount64();
  ULONGLONG waited = 0;
  view.onShow = [&](const std::wstring&) {
    waited = GetTickCount64() - start;
    EXPECT_EQ(FolderContents(dst), (Names{L"1234.GRA", L"1234.HED", L"PCNT.TXT.lock"})) << "copied, not entered";
    holder.End();
  };
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(view.prompts(), (Prompts{{IndexInUse(dst + L"\\PCNT.TXT"), Buttons::RetryCancel, Icon::Warning}}));
  EXPECT_GE(waited, 4000u) << "asked only after a silent wait";
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "12.5,1234\r\n");
}

// Copies of an earlier transfer from a CD are read-only; Windows refuses to
// copy onto them, or onto hidden ones (Wine run as root does not): after Yes
// they are replaced and take the source's attributes. A read-only index is
// refused before anything of the test is copied.
TEST_F(Execute, ReadOnlyFilesInTheDestination) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination({{L"1234.GRA", "old"}, {L"1234.HED", "old"}});
  SetFileAttributesW((dst + L"\\1234.GRA").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((dst + L"\\1234.HED").c_str(), FILE_ATTRIBUTE_HIDDEN);
  FakeView view(src, dst, {kIdYes});
  EXPECT_EQ(Run(view, {L"1234"}), 1);
  EXPECT_EQ(ReadBytes(dst + L"\\1234.GRA"), "data of the test");
  for (const wchar_t* name : {L"\\1234.GRA", L"\\1234.HED"})
    EXPECT_EQ(GetFileAttributesW((dst + name).c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u) << name;

  const std::wstring other = root + L"\\other";
  const std::wstring index = other + L"\\PCNT.TXT";
  testsupport::MakeFolders(other);
  WriteBytes(index, "1.00,A\r\n");
  SetFileAttributesW(index.c_str(), FILE_ATTRIBUTE_READONLY);
  FakeView refused(src, other);
  EXPECT_EQ(Run(refused, {L"1234"}), 0);
  EXPECT_EQ(refused.prompts(), (Prompts{{IndexReadOnly(index), Buttons::Ok, Icon::Warning}}));
  EXPECT_EQ(refused.label3, L"");
  EXPECT_EQ(FolderContents(other), Names{L"PCNT.TXT"});
  SetFileAttributesW(index.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(index), "1.00,A\r\n");
}

TEST_F(Execute, AnIndexThatCannotBeReadFaithfullyStopsTheRunBeforeTheTest) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  MakeDestination();
  const std::string saved = "\xEF\xBB\xBF" "1.00,\xE8\xA1\xA8\r\n";  // UTF-8 with a byte-order mark
  WriteBytes(dst + L"\\PCNT.TXT", saved);
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"1234"}, 1), 0);
  ASSERT_EQ(view.prompts().size(), 1u);
  EXPECT_TRUE(StartsWith(view.prompts()[0].text, L"PCNT.TXT の 1 行目を読み取れないため"))
      << testing::PrintToString(view.prompts()[0].text);
  EXPECT_EQ(view.prompts()[0].icon, Icon::Warning);
  EXPECT_EQ(view.events, (Names{L"Label3:" + kInProgress, L"DoEvents", L"Busy", L"End:",
                                L"Box:" + view.prompts()[0].text}));
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), saved);
  EXPECT_EQ(FolderContents(dst), Names{L"PCNT.TXT"});
}

TEST_F(Execute, AFolderThatCannotBeMadeStopsTheRun) {
  AddTest(src, L"1234", "a,b,c,d,12.5\r\n");
  WriteBytes(root + L"\\file", "a file, not a folder");
  FakeView view(src, root + L"\\file\\sub", {kIdYes});
  EXPECT_EQ(Run(view, {L"1234"}), 0);
  ASSERT_EQ(view.prompts().size(), 2u);
  EXPECT_EQ(view.prompts()[0].text, kCreateFolders);
  EXPECT_TRUE(StartsWith(view.prompts()[1].text,
                         L"フォルダを作成できません。\n" + root + L"\\file\\sub\n\n"))
      << testing::PrintToString(view.prompts()[1].text);
  EXPECT_EQ(view.events, (Names{L"Label3:" + kInProgress, L"DoEvents", L"Box:" + kCreateFolders, L"End:",
                                L"Box:" + view.prompts()[1].text}));
}

TEST_F(Execute, AMissingHeaderStopsTheRun) {
  WriteBytes(src + L"\\1234.GRA", "data");
  MakeDestination();
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"1234"}), 0);
  ASSERT_EQ(view.prompts().size(), 1u);
  EXPECT_TRUE(StartsWith(view.prompts()[0].text,
                         L"ヘッダファイルを読み込めません。\n" + dst + L"\\1234.HED\n\n"));
  EXPECT_EQ(view.label3, L"");
  EXPECT_EQ(FolderContents(dst), Names{L"1234.GRA"});
}

TEST_F(Execute, AHeaderValueThatIsNoShiftJisStopsTheRunBeforeTheIndex) {
  AddTest(src, L"1234", "a,b,c,d,1\x81\x20\r\n");  // a lead byte with an invalid second byte
  MakeDestination({{L"PCNT.TXT", "1.00,9999\r\n"}});
  FakeView view(src, dst);
  EXPECT_EQ(Run(view, {L"1234"}), 0);
  ASSERT_EQ(view.prompts().size(), 1u);
  EXPECT_EQ(view.prompts()[0].text, L"ヘッダファイルを読み込めません。\n" + dst + L"\\1234.HED\n\n" +
                                        L"Shift-JIS の文字として読めないバイトがあります。");
  EXPECT_EQ(ReadBytes(dst + L"\\PCNT.TXT"), "1.00,9999\r\n");
}

TEST_F(Execute, AnUnexpectedErrorIsReportedAndDoesNotEscape) {
  MakeDestination();
  FakeView view(src, dst);
  view.onText1 = [] { throw std::runtime_error("boom"); };
  EXPECT_EQ(Run(view, {L"1234"}, 1), 0);
  ASSERT_EQ(view.prompts(), (Prompts{{L"予期しないエラーが発生しました。\n\nboom", Buttons::Ok, Icon::Warning}}));
  EXPECT_EQ(view.events, (Names{L"Label3:" + kInProgress, L"DoEvents", L"End:",
                                L"Box:" + view.prompts()[0].text}));
}
