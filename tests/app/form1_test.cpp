// Form1 built in the test's own process: what another process cannot see
// (fonts, program state, the failure path) and the panel's mouse rule.
#include "app/form1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/app_driver.h"
#include "app/control_ids.h"
#include "fileutil/curdir.h"
#include "support/expected_texts.h"
#include "support/hooked_calls.h"
#include "support/test_support.h"
#include "base/error.h"
#include "base/scoped.h"

namespace {

int Pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

// Answers the next message box of this process from a second thread, and
// keeps what it showed.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int button) {
    thread_ = std::thread([this, button] {
      HWND box = nullptr;
      const ULONGLONG end = GetTickCount64() + 15000;
      while (box == nullptr && GetTickCount64() < end) {
        Sleep(20);
        box = appdriver::FindMessageBox(GetCurrentProcessId());
      }
      if (box == nullptr) return;
      view_ = appdriver::ReadMessageBox(box);
      found_ = true;
      PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    });
  }
  ~BoxAnswerer() {
    if (thread_.joinable()) thread_.join();
  }
  // Waits for the thread; whether a box was found.
  bool Done() {
    if (thread_.joinable()) thread_.join();
    return found_;
  }
  const appdriver::MessageBoxView& view() const { return view_; }

 private:
  std::thread thread_;
  std::atomic<bool> found_{false};
  appdriver::MessageBoxView view_;
};

// Answers every message box of this process with OK until it is stopped, and
// counts them.
class BoxCounter {
 public:
  BoxCounter() {
    thread_ = std::thread([this] {
      HWND last = nullptr;
      while (!stop_) {
        const HWND box = appdriver::FindMessageBox(GetCurrentProcessId());
        if (box != nullptr && box != last) {
          ++count_;
          last = box;
          PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        }
        Sleep(20);
      }
    });
  }
  ~BoxCounter() { Stop(); }
  int Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return count_;
  }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
};

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!appdriver::HasDisplay()) GTEST_SKIP() << "no display for windows";
    folder_ = testsupport::ScratchFolder(L'M');
    testsupport::MakeFolders(folder_ + L"\\sub");
    fileutil::ChangeFolder(folder_);
    form_ = std::make_unique<app::Form1>();
    ASSERT_TRUE(form_->Create());
    dpi_ = form_->Dpi();
  }
  void TearDown() override {
    form_.reset();
    fileutil::ChangeFolder(L"X:\\");
    if (!lugeon_.empty()) testsupport::RemoveTree(lugeon_);
  }

  // An empty "lugeon" at the root of N:, removed again after the test.
  std::wstring FreshLugeon() {
    lugeon_ = L"N:\\lugeon";
    testsupport::RemoveTree(lugeon_);
    testsupport::MakeFolders(lugeon_);
    return lugeon_;
  }

  // The form on screen, in front, at a known place.
  void ShowInFront() {
    SetWindowPos(form_->hwnd(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    form_->ShowForm(SW_SHOW);
    appdriver::BringToFront(form_->hwnd());
  }

  // Moves the mouse onto a point (twips) of a control and lets the window react.
  void MoveOver(int id, int xTwips, int yTwips) {
    POINT point{Pixels(xTwips, dpi_), Pixels(yTwips, dpi_)};
    ClientToScreen(form_->Control(id), &point);
    appdriver::MoveMouseTo(point);
    appdriver::WaitUntil(
        [&] {
          POINT now;
          GetCursorPos(&now);
          return now.x == point.x && now.y == point.y;
        },
        2000);
    appdriver::Pump(150);
  }

  std::wstring Label3() { return appdriver::Text(form_->Control(app::kIdLabel3)); }

  std::wstring folder_;
  std::wstring lugeon_;  // N:\lugeon once a test has made it
  std::unique_ptr<app::Form1> form_;
  UINT dpi_ = 96;
};

TEST_F(Form1Test, WindowAndEveryControlUseTheOneSystemFont) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(form_->hwnd(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW logfont{};
  ASSERT_EQ(GetObjectW(font, sizeof logfont, &logfont), static_cast<int>(sizeof logfont));
  EXPECT_STREQ(logfont.lfFaceName, L"System");
  EXPECT_EQ(logfont.lfHeight, -MulDiv(135, static_cast<int>(dpi_), 720));
  EXPECT_EQ(logfont.lfWeight, FW_NORMAL);
  EXPECT_EQ(logfont.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_FALSE(logfont.lfItalic || logfont.lfUnderline || logfont.lfStrikeOut);
  for (int id = app::kIdPicture1; id <= app::kIdList1; ++id) {
    if (id == app::kIdPicture1) continue;  // the panel draws no text
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(form_->Control(id), WM_GETFONT, 0, 0)), font) << "control " << id;
  }
}

TEST_F(Form1Test, StartsWithClearedStateAndTheCurrentFolder) {
  app::ProgramState& state = form_->state();
  EXPECT_EQ(state.DoneMessageShown, 0);
  EXPECT_TRUE(state.ListedTests.empty());
  EXPECT_TRUE(state.SelectedTests.empty());
  EXPECT_TRUE(state.DataRootPath.empty());
  EXPECT_EQ(form_->Text1(), L"");
  EXPECT_EQ(form_->Text2(), L"");

  // Both folder lists show the current folder, whose sub-folder is listed.
  for (int id : {app::kIdDir1, app::kIdDir2}) {
    const HWND dir = form_->Control(id);
    const LRESULT open = SendMessageW(dir, LB_GETCURSEL, 0, 0);
    ASSERT_GE(open, 0);
    EXPECT_EQ(appdriver::Text(dir), L"");
    EXPECT_EQ(appdriver::ListEntries(dir).at(static_cast<size_t>(open)), L"  " + folder_.substr(3));
  }
}

TEST(PanelHitTest, OnlyTheFreeBackgroundIsThePanelItself) {
  if (!appdriver::HasDisplay()) GTEST_SKIP() << "no display for windows";
  app::Form1 form;
  ASSERT_TRUE(form.Create());
  const HWND panel = form.Control(app::kIdPicture1);
  const UINT dpi = form.Dpi();
  auto over = [&](int xTwips, int yTwips) {
    return app::IsOverPanelItself(panel, POINT{Pixels(xTwips, dpi), Pixels(yTwips, dpi)});
  };
  EXPECT_TRUE(over(120, 120)) << "top left corner";
  EXPECT_TRUE(over(2300, 1400)) << "between Label2 and Frame1";
  EXPECT_TRUE(over(8900, 6300)) << "bottom right corner";
  EXPECT_FALSE(over(500, 450)) << "Label1";
  EXPECT_FALSE(over(4000, 450)) << "Text1, disabled";
  EXPECT_FALSE(over(4000, 1050)) << "Text2, disabled";
  EXPECT_FALSE(over(300, 3000)) << "inside Frame1, beside List1";
  EXPECT_FALSE(over(6000, 4500)) << "inside Frame2, below Drive2";
  EXPECT_FALSE(over(4000, 5000)) << "Label3 in Frame3";
  EXPECT_FALSE(over(3000, 5800)) << "Command1";
  EXPECT_FALSE(over(6000, 5800)) << "Command2";
  EXPECT_FALSE(over(-100, 100)) << "outside the panel";
  EXPECT_FALSE(over(100, 7000)) << "below the panel";
}

TEST_F(Form1Test, MouseOverTheBackgroundClearsOnlyTheCompletionMessage) {
  ShowInFront();
  app::ProgramState& state = form_->state();
  state.DoneMessageShown = 1;
  form_->SetLabel3(expected::kDone);

  // Controls, frames, labels and disabled text boxes do not clear it.
  MoveOver(app::kIdLabel1, 300, 100);
  MoveOver(app::kIdText1, 3000, 150);
  MoveOver(app::kIdFrame1, 100, 2800);
  MoveOver(app::kIdFrame3, 4000, 350);
  MoveOver(app::kIdCommand2, 500, 200);
  EXPECT_EQ(Label3(), expected::kDone);
  EXPECT_EQ(state.DoneMessageShown, 1);

  // The free background does, once.
  MoveOver(app::kIdPicture1, 2300, 1400);
  EXPECT_EQ(Label3(), L"");
  EXPECT_EQ(state.DoneMessageShown, 0);

  // Other texts of the message line stay.
  form_->SetLabel3(expected::kInProgress);
  MoveOver(app::kIdPicture1, 150, 150);
  MoveOver(app::kIdPicture1, 2300, 1500);
  EXPECT_EQ(Label3(), expected::kInProgress);
  EXPECT_EQ(state.DoneMessageShown, 0);
}

TEST_F(Form1Test, CompletionOfARealRunIsClearedByTheBackground) {
  ShowInFront();
  testsupport::MakeFolders(folder_ + L"\\src");
  testsupport::MakeFolders(folder_ + L"\\dst");
  testsupport::WriteBytes(folder_ + L"\\src\\表1.HED", "A,B,C,D,12.5\r\n");
  testsupport::WriteBytes(folder_ + L"\\src\\表1.GRA", "data");
  SetWindowTextW(form_->Control(app::kIdText1), (folder_ + L"\\src").c_str());
  SetWindowTextW(form_->Control(app::kIdText2), (folder_ + L"\\dst").c_str());
  app::ProgramState& state = form_->state();
  state.SelectedTests = {L"表1"};

  // Execute through its button, as the user starts it.
  SendMessageW(form_->Control(app::kIdPicture1), WM_COMMAND, MAKEWPARAM(app::kIdCommand1, BN_CLICKED),
               reinterpret_cast<LPARAM>(form_->Control(app::kIdCommand1)));
  ASSERT_EQ(Label3(), expected::kDone);
  EXPECT_EQ(state.DoneMessageShown, 1);
  EXPECT_FALSE(form_->busy());
  EXPECT_TRUE(testsupport::Exists(folder_ + L"\\dst\\表1.GRA"));

  MoveOver(app::kIdLabel2, 300, 100);
  MoveOver(app::kIdText2, 3000, 150);
  EXPECT_EQ(Label3(), expected::kDone);
  MoveOver(app::kIdPicture1, 2300, 1400);
  EXPECT_EQ(Label3(), L"");
  EXPECT_EQ(state.DoneMessageShown, 0);
}

TEST_F(Form1Test, ExitDestroysTheWindow) {
  ShowInFront();
  form_->Command2_Click();
  EXPECT_EQ(form_->hwnd(), nullptr);
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop ends";
}

TEST_F(Form1Test, ExecuteClickedAgainDuringARunDoesNotStartASecondRun) {
  ShowInFront();
  // No destination: one run shows two refusals (drive name, then the path).
  BoxCounter boxes;
  PostMessageW(form_->Control(app::kIdCommand1), BM_CLICK, 0, 0);  // arrives while the run lets events through
  form_->Command1_Click();
  appdriver::Pump(300);
  EXPECT_EQ(boxes.Stop(), 2);
  EXPECT_EQ(Label3(), L"");
}

TEST_F(Form1Test, ExitDuringARunEndsWithoutFurtherQuestions) {
  ShowInFront();
  SetWindowTextW(form_->Control(app::kIdText2), (folder_ + L"\\new").c_str());  // would be asked about
  BoxCounter boxes;
  PostMessageW(form_->Control(app::kIdCommand2), BM_CLICK, 0, 0);
  form_->Command1_Click();
  EXPECT_EQ(form_->hwnd(), nullptr) << "Exit took effect at once";
  EXPECT_EQ(boxes.Stop(), 0) << "no question after the window is gone";
  EXPECT_FALSE(testsupport::Exists(folder_ + L"\\new"));
}

TEST_F(Form1Test, NewDpiLaysTheWindowOutAgain) {
  RECT suggested{10, 10, 1000, 800};
  SendMessageW(form_->hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(form_->Dpi(), 144u);
  RECT client;
  GetClientRect(form_->hwnd(), &client);
  EXPECT_EQ(client.right, MulDiv(9090, 144, 1440));
  EXPECT_EQ(client.bottom, MulDiv(6495, 144, 1440));
  const RECT text1 = appdriver::RectInParent(form_->Control(app::kIdText1));
  EXPECT_EQ(text1.left, MulDiv(2400, 144, 1440));
  EXPECT_EQ(text1.right - text1.left, MulDiv(6255, 144, 1440));
  const RECT drive2 = appdriver::RectInParent(form_->Control(app::kIdDrive2));
  EXPECT_NEAR(drive2.bottom - drive2.top, MulDiv(390, 144, 1440), 1);
  LOGFONTW logfont{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form_->Control(app::kIdLabel3), WM_GETFONT, 0, 0)),
             sizeof logfont, &logfont);
  EXPECT_EQ(logfont.lfHeight, -MulDiv(135, 144, 720));
}

TEST_F(Form1Test, BusyPointerIsTheHourglassOverTheWindow) {
  ShowInFront();
  MoveOver(app::kIdPicture1, 2300, 1400);
  form_->SetBusy(true);
  MoveOver(app::kIdPicture1, 2400, 1450);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
  MoveOver(app::kIdCommand1, 500, 200);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT)) << "also over a control";
  form_->SetBusy(false);
  MoveOver(app::kIdPicture1, 2300, 1400);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(Form1Test, PromptsAreRealMessageBoxes) {
  ShowInFront();
  using base::Buttons;
  using base::Icon;
  // A prompt without a caption of its own shows the application title.
  const struct {
    const wchar_t* text;
    Buttons buttons;
    Icon icon;
    std::optional<std::wstring> caption;
    int answer;
    std::wstring shownCaption;
    std::vector<int> shownButtons;
  } rows[] = {
      {L"上書きしますか？", Buttons::YesNo, Icon::Question, std::nullopt, IDNO, expected::kAppTitle, {IDYES, IDNO}},
      {L"作成しますか？", Buttons::YesNo, Icon::Question, std::nullopt, IDYES, expected::kAppTitle, {IDYES, IDNO}},
      {L"パスが違います。", Buttons::Ok, Icon::Warning, L"M:\\表", IDOK, L"M:\\表", {IDOK}},
      {L"選択されていません。", Buttons::Ok, Icon::None, std::nullopt, IDOK, expected::kAppTitle, {IDOK}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.text));
    BoxAnswerer answerer(row.answer);
    EXPECT_EQ(form_->Show(row.text, row.buttons, row.icon, row.caption), row.answer);
    ASSERT_TRUE(answerer.Done());
    EXPECT_EQ(answerer.view().text, row.text);
    EXPECT_EQ(answerer.view().caption, row.shownCaption);
    EXPECT_EQ(answerer.view().buttons, row.shownButtons);
    EXPECT_EQ(answerer.view().icon, row.icon != Icon::None);
  }
}

TEST_F(Form1Test, FailureInAHandlerIsShownAndTheProgramGoesOn) {
  ShowInFront();
  // Dir1 lists "sub"; the folder goes away before the user opens it.
  const HWND dir1 = form_->Control(app::kIdDir1);
  const LRESULT sub = SendMessageW(dir1, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                   reinterpret_cast<LPARAM>(L"    sub"));
  ASSERT_GE(sub, 0);
  SendMessageW(dir1, LB_SETCURSEL, static_cast<WPARAM>(sub), 0);
  testsupport::RemoveTree(folder_ + L"\\sub");
  form_->SetBusy(true);
  form_->SetLabel3(expected::kInProgress);

  BoxAnswerer answerer(IDOK);
  // The notification travels through Frame1 to Form1, as a double click would.
  SendMessageW(GetParent(dir1), WM_COMMAND, MAKEWPARAM(app::kIdDir1, LBN_DBLCLK), reinterpret_cast<LPARAM>(dir1));
  ASSERT_TRUE(answerer.Done()) << "the failure must be shown";
  EXPECT_EQ(answerer.view().text.rfind(expected::kCannotOpenFolder, 0), 0u) << "the error's own message";
  EXPECT_EQ(answerer.view().caption, expected::kAppTitle);
  EXPECT_EQ(answerer.view().buttons, std::vector<int>{IDOK});
  EXPECT_TRUE(answerer.view().icon) << "warning icon";
  EXPECT_FALSE(form_->busy()) << "the pointer goes back to the default";
  EXPECT_EQ(Label3(), L"");
  EXPECT_NE(form_->hwnd(), nullptr) << "the program goes on";
}

// ---- Drive, folder and list handlers, through the controls' notifications ----

void Notify(app::Form1& form, int id, int code) {
  const HWND control = form.Control(id);
  SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

void ChooseDrive(app::Form1& form, int id, wchar_t letter) {
  EXPECT_TRUE(appdriver::ChooseDrive(form.Control(id), letter)) << "no such drive in the list";
}

void WriteTest(const std::wstring& folder, const std::wstring& t, bool withData = true) {
  testsupport::WriteBytes(folder + L"\\" + t + L".HED", "a,b,c,d,1.5\r\n");
  if (withData) testsupport::WriteBytes(folder + L"\\" + t + L".GRA", "data");
}

TEST_F(Form1Test, SourceDriveOpensItsLugeonFolderAndListsItsTests) {
  const std::wstring lugeon = FreshLugeon();
  WriteTest(lugeon, L"1001");
  WriteTest(lugeon, L"表01");
  WriteTest(lugeon, L"1003", false);
  WriteTest(lugeon, L"1004", false);
  testsupport::WriteBytes(lugeon + L"\\1004.GRA", "");

  ChooseDrive(*form_, app::kIdDrive1, L'n');
  EXPECT_EQ(appdriver::Text(form_->Control(app::kIdText1)), L"n:\\lugeon");
  EXPECT_EQ(appdriver::ListEntries(form_->Control(app::kIdList1)), (std::vector<std::wstring>{L"1001", L"表01"}));
  EXPECT_EQ(towupper(fileutil::CurrentFolder()[0]), L'N');

  // Selecting the second and then the first gathers them in list order.
  const HWND list = form_->Control(app::kIdList1);
  SendMessageW(list, LB_SETSEL, TRUE, 1);
  Notify(*form_, app::kIdList1, LBN_SELCHANGE);
  SendMessageW(list, LB_SETSEL, TRUE, 0);
  Notify(*form_, app::kIdList1, LBN_SELCHANGE);
  app::ProgramState& state = form_->state();
  EXPECT_EQ(state.SelectedTests, (std::vector<std::wstring>{L"1001", L"表01"}));

  // Another source folder discards the selection before the next click.
  ChooseDrive(*form_, app::kIdDrive1, L'm');  // no lugeon on M: : nothing changes but the drive
  EXPECT_EQ(appdriver::Text(form_->Control(app::kIdText1)), L"n:\\lugeon");
  EXPECT_EQ(state.SelectedTests.size(), 2u);
}

TEST_F(Form1Test, ATwentySixthSelectionIsTakenBack) {
  const std::wstring lugeon = FreshLugeon();
  for (int i = 0; i < 27; ++i) WriteTest(lugeon, std::to_wstring(2000 + i));
  ChooseDrive(*form_, app::kIdDrive1, L'n');
  const HWND list = form_->Control(app::kIdList1);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 27);

  for (int i = 0; i < 25; ++i) SendMessageW(list, LB_SETSEL, TRUE, i);
  Notify(*form_, app::kIdList1, LBN_SELCHANGE);
  EXPECT_EQ(form_->state().SelectedTests.size(), 25u);

  SendMessageW(list, LB_SETSEL, TRUE, 26);
  BoxAnswerer answerer(IDOK);
  Notify(*form_, app::kIdList1, LBN_SELCHANGE);
  ASSERT_TRUE(answerer.Done());
  EXPECT_EQ(answerer.view().text, expected::kSelectionLimit);
  EXPECT_EQ(SendMessageW(list, LB_GETSEL, 26, 0), 0);
  EXPECT_EQ(SendMessageW(list, LB_GETSELCOUNT, 0, 0), 25);
  const app::ProgramState& state = form_->state();
  ASSERT_EQ(state.SelectedTests.size(), 25u);
  EXPECT_EQ(state.SelectedTests.back(), L"2024");
}

TEST_F(Form1Test, DestinationDriveMovesToThatDrivesCurrentFolder) {
  fileutil::ChangeFolder(folder_ + L"\\sub");
  fileutil::ChangeFolder(L"X:\\");
  ChooseDrive(*form_, app::kIdDrive2, L'm');
  const std::wstring shown = appdriver::Text(form_->Control(app::kIdText2));
  EXPECT_EQ(CompareStringOrdinal(shown.c_str(), -1, (folder_ + L"\\sub").c_str(), -1, TRUE), CSTR_EQUAL)
      << "Text2 shows the drive's remembered folder";
  EXPECT_EQ(towupper(fileutil::CurrentFolder()[0]), L'M');
}

TEST_F(Form1Test, OpeningADriveListShowsDrivesAddedSinceTheStart) {
  const HWND combo = form_->Control(app::kIdDrive2);
  auto hasT = [&] { return appdriver::FindDriveEntry(combo, L't') >= 0; };
  ASSERT_FALSE(hasT()) << "T: is free among the test drives";
  ASSERT_TRUE(DefineDosDeviceW(DDD_RAW_TARGET_PATH, L"T:", L"\\??\\M:\\")) << GetLastError();
  struct Undefine {
    ~Undefine() {
      DefineDosDeviceW(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, L"T:",
                       L"\\??\\M:\\");
    }
  } undefine;
  ASSERT_NE(GetLogicalDrives() & (1u << (L'T' - L'A')), 0u) << "the new drive is there";
  EXPECT_FALSE(hasT()) << "the list still shows the drives of the start";

  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(hasT());
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  EXPECT_EQ(appdriver::Text(combo).substr(0, 2), L"m:") << "the chosen drive stays chosen";
}

// Takes a folder away at the moment Text1 is given the new source path: the
// folder is there when Dir1 opens it and gone when it is to become current.
std::wstring g_vanishing;
LRESULT CALLBACK VanishOnSetText(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_SETTEXT && !g_vanishing.empty()) {
    testsupport::RemoveTree(g_vanishing);
    g_vanishing.clear();
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

TEST_F(Form1Test, ASourceFolderThatCannotBeOpenedLeavesNoTestsOnOffer) {
  const std::wstring lugeon = FreshLugeon();
  testsupport::MakeFolders(lugeon + L"\\other");
  WriteTest(lugeon, L"1001");
  WriteTest(lugeon + L"\\other", L"1001");
  ChooseDrive(*form_, app::kIdDrive1, L'n');
  const HWND list = form_->Control(app::kIdList1);
  SendMessageW(list, LB_SETSEL, TRUE, 0);
  Notify(*form_, app::kIdList1, LBN_SELCHANGE);
  ASSERT_EQ(form_->state().SelectedTests.size(), 1u);

  const HWND text1 = form_->Control(app::kIdText1);
  g_vanishing = lugeon + L"\\other";
  ASSERT_TRUE(SetWindowSubclass(text1, &VanishOnSetText, 7, 0));
  const HWND dir1 = form_->Control(app::kIdDir1);
  SendMessageW(dir1, LB_SETCURSEL, static_cast<WPARAM>(appdriver::FindListEntry(dir1, L"other")), 0);
  BoxAnswerer answerer(IDOK);
  Notify(*form_, app::kIdDir1, LBN_DBLCLK);
  ASSERT_TRUE(answerer.Done()) << "the failure is shown";
  RemoveWindowSubclass(text1, &VanishOnSetText, 7);
  EXPECT_EQ(answerer.view().text.rfind(expected::kCannotChangeFolder, 0), 0u);

  // 1001 of the old folder is neither listed nor selected under the new name.
  EXPECT_EQ(appdriver::Text(text1), L"n:\\lugeon\\other");
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
  EXPECT_TRUE(form_->state().SelectedTests.empty());
  EXPECT_TRUE(form_->state().ListedTests.empty());
}

}  // namespace

namespace {

// One file call held up, as a stalled share holds it: the first call of
// that name on a path (or target) that contains part waits until released.
class Stall {
 public:
  Stall(std::wstring call, std::wstring part)
      : call_(std::move(call)), part_(std::move(part)),
        calls_([this](const std::wstring& call, const std::wstring& path, const std::wstring& to) -> DWORD {
          if (call == call_ && (to.empty() ? path : to).find(part_) != std::wstring::npos && !held_.exchange(true)) {
            SetEvent(stalled_.get());
            WaitForSingleObject(release_.get(), 10000);
          }
          return 0;
        }) {}
  ~Stall() { Release(); }
  Stall(const Stall&) = delete;
  Stall& operator=(const Stall&) = delete;

  bool AwaitStalled(DWORD ms) { return WaitForSingleObject(stalled_.get(), ms) == WAIT_OBJECT_0; }
  void Release() { SetEvent(release_.get()); }

 private:
  const std::wstring call_, part_;
  std::atomic<bool> held_{false};
  base::ScopedHandle stalled_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  base::ScopedHandle release_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  testsupport::HookedCalls calls_;  // last: in force once the rest is made
};

}  // namespace

// A share that stalls holds up one file call of the run at a time: the
// window answers all the while, whichever call it is.
TEST_F(Form1Test, TheWindowAnswersWhileAFileCallOfTheRunStalls) {
  ShowInFront();
  const std::wstring src = folder_ + L"\\src";
  const std::wstring dst = folder_ + L"\\dst";
  testsupport::MakeFolders(src);
  testsupport::WriteBytes(src + L"\\表1.HED", "A,B,C,D,12.5\r\n");
  testsupport::WriteBytes(src + L"\\表1.GRA", "data");
  const struct {
    const wchar_t* call;
    std::wstring part;
  } rows[] = {
      {L"SetCurrentFolder", L"M:\\"},           // the destination's drive made current
      {L"Attributes", dst},                     // its levels looked at
      {L"CreateFolder", dst},                   // a missing one made
      {L"FindFirst", src + L"\\表1.*"},          // the test's files listed
      {L"FindFirst", L"~lugeon*"},              // what a cut-off run may have left looked for
      {L"FindFirst", L"*.GRA"},                 // the destination's tests listed
      {L"Create", L"PCNT.TXT"},                 // the index read for its check
      {L"Create", dst + L"\\表1.HED"},          // whether another program holds a target
      {L"Create", L"~lugeon_"},                 // the run's marker made
      {L"Room", dst},                           // the disk's room
      {L"Copy", L"~lugeon_"},                   // a file staged
      {L"Move", dst + L"\\表1.GRA"},             // a copy put in place
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.call) + L" " + row.part));
    testsupport::RemoveTree(dst);
    SetWindowTextW(form_->Control(app::kIdText1), src.c_str());
    SetWindowTextW(form_->Control(app::kIdText2), dst.c_str());
    form_->state().SelectedTests = {L"表1"};
    BoxAnswerer yes(IDYES);  // "create the folder?"
    Stall stall(row.call, row.part);
    DWORD answeredIn = 0;
    bool answered = false;
    std::thread probe([&] {
      if (!stall.AwaitStalled(10000)) return;
      const ULONGLONG start = GetTickCount64();
      DWORD_PTR result = 0;
      answered = SendMessageTimeoutW(form_->hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, 500, &result) != 0;
      answeredIn = static_cast<DWORD>(GetTickCount64() - start);
      stall.Release();
    });
    SendMessageW(form_->Control(app::kIdPicture1), WM_COMMAND, MAKEWPARAM(app::kIdCommand1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form_->Control(app::kIdCommand1)));
    stall.Release();
    probe.join();
    EXPECT_TRUE(answered) << "the window did not answer within 500 ms";
    EXPECT_LT(answeredIn, 500u);
    EXPECT_EQ(Label3(), expected::kDone);
    EXPECT_TRUE(yes.Done());
  }
}

// The program is told to end (WM_QUIT) while a file call of the run stalls:
// the run stops without a question, the wait does not spin on the message,
// and the message reaches the message loop once the run is over.
TEST_F(Form1Test, AQuitDuringARunStopsItAndReachesTheMessageLoopAfterIt) {
  ShowInFront();
  const std::wstring src = folder_ + L"\\src";
  const std::wstring dst = folder_ + L"\\dst";
  testsupport::MakeFolders(src);
  testsupport::MakeFolders(dst);
  testsupport::WriteBytes(src + L"\\表1.HED", "A,B,C,D,12.5\r\n");
  testsupport::WriteBytes(src + L"\\表1.GRA", "data");
  SetWindowTextW(form_->Control(app::kIdText1), src.c_str());
  SetWindowTextW(form_->Control(app::kIdText2), dst.c_str());
  form_->state().SelectedTests = {L"表1"};
  BoxCounter boxes;
  Stall stall(L"FindFirst", src + L"\\表1.*");
  const DWORD windowThread = GetCurrentThreadId();
  std::thread probe([&] {
    if (stall.AwaitStalled(10000)) PostThreadMessageW(windowThread, WM_QUIT, 3, 0);
    Sleep(1000);
    stall.Release();
  });
  const auto busy = [] {  // this thread's processor time, in 100 ns
    FILETIME created, ended, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    return (ULONGLONG{kernel.dwHighDateTime} << 32 | kernel.dwLowDateTime) +
           (ULONGLONG{user.dwHighDateTime} << 32 | user.dwLowDateTime);
  };
  const ULONGLONG before = busy();
  SendMessageW(form_->Control(app::kIdPicture1), WM_COMMAND, MAKEWPARAM(app::kIdCommand1, BN_CLICKED),
               reinterpret_cast<LPARAM>(form_->Control(app::kIdCommand1)));
  probe.join();
  EXPECT_LT(busy() - before, 5000000u) << "the window's thread waited, it did not spin";
  EXPECT_EQ(boxes.Stop(), 0);
  EXPECT_EQ(Label3(), L"");
  EXPECT_FALSE(testsupport::Exists(dst + L"\\表1.GRA"));
  MSG quit;
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 3u);
}

// Exit while the worker looks at the destination's folders (the share
// stalls): the run ends as a refusal does, without the folder question.
TEST_F(Form1Test, ExitDuringAStalledCheckEndsTheRunAsARefusal) {
  ShowInFront();
  const std::wstring dst = folder_ + L"\\new";
  SetWindowTextW(form_->Control(app::kIdText1), folder_.c_str());
  SetWindowTextW(form_->Control(app::kIdText2), dst.c_str());
  BoxCounter boxes;
  Stall stall(L"Attributes", dst);
  std::thread probe([&] {
    if (stall.AwaitStalled(10000)) PostMessageW(form_->Control(app::kIdCommand2), BM_CLICK, 0, 0);
    Sleep(300);
    stall.Release();
  });
  form_->Command1_Click();
  probe.join();
  EXPECT_EQ(form_->hwnd(), nullptr) << "Exit took effect";
  EXPECT_EQ(boxes.Stop(), 0) << "no question after Exit";
  EXPECT_FALSE(testsupport::Exists(dst));
}
