// The real program in a process of its own, driven from the test: its window
// as the user sees it, the keyboard order, Exit, and the start-up.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/app_driver.h"
#include "app/control_ids.h"
#include "support/expected_texts.h"
#include "support/test_support.h"

namespace {

using appdriver::AppProcess;

struct Expected {
  int id;
  const wchar_t* name;
  const wchar_t* windowClass;
  int container;  // 0: Form1
  int left, top, width, height;  // twips
  const wchar_t* caption;       // nullptr: not compared (list controls)
};

// The window as the layout of the original form gives it.
const Expected kLayout[] = {
    {app::kIdPicture1, L"Picture1", app::kPanelClass, 0, 0, 0, 9075, 6495, L""},
    {app::kIdFrame3, L"Frame3", L"Button", app::kIdPicture1, 240, 4740, 8475, 675, L"メッセージ"},
    {app::kIdLabel3, L"Label3", L"Static", app::kIdFrame3, 180, 240, 8175, 315, L""},
    {app::kIdText2, L"Text2", L"Edit", app::kIdPicture1, 2400, 900, 6255, 405, L""},
    {app::kIdText1, L"Text1", L"Edit", app::kIdPicture1, 2400, 300, 6255, 405, L""},
    {app::kIdCommand2, L"Command2", L"Button", app::kIdPicture1, 5160, 5580, 2055, 555, L"終  了"},
    {app::kIdCommand1, L"Command1", L"Button", app::kIdPicture1, 2520, 5610, 1935, 555, L"実  行"},
    {app::kIdFrame2, L"Frame2", L"Button", app::kIdPicture1, 5580, 1680, 3135, 2895, L"変換先ﾌｫﾙﾀﾞ名選択"},
    {app::kIdDrive2, L"Drive2", L"ComboBox", app::kIdFrame2, 180, 2220, 2595, 390, nullptr},
    {app::kIdDir2, L"Dir2", L"ListBox", app::kIdFrame2, 180, 420, 2595, 1530, nullptr},
    {app::kIdFrame1, L"Frame1", L"Button", app::kIdPicture1, 240, 1680, 5175, 2895, L"変換元試験番号選択"},
    {app::kIdList1, L"List1", L"ListBox", app::kIdFrame1, 240, 480, 2235, 2190, nullptr},
    {app::kIdDrive1, L"Drive1", L"ComboBox", app::kIdFrame1, 2640, 2220, 2415, 390, nullptr},
    {app::kIdDir1, L"Dir1", L"ListBox", app::kIdFrame1, 2640, 420, 2415, 1530, nullptr},
    {app::kIdLabel2, L"Label2", L"Static", app::kIdPicture1, 240, 960, 2235, 315, L"変換先ﾌｫﾙﾀﾞ名 ："},
    {app::kIdLabel1, L"Label1", L"Static", app::kIdPicture1, 240, 360, 2235, 315, L"変換元ﾌｫﾙﾀﾞ名 ："},
};

int Pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

// The program started beside a data root, with its window shown.
class MainWindow : public appdriver::ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (form_ == nullptr) return;  // skipped, or failed already
    dpi_ = GetDpiForWindow(form_);
    ASSERT_GT(dpi_, 0u);
  }

  UINT dpi_ = 96;
};

TEST_F(MainWindow, HasItsCaptionAndFixedClientSize) {
  EXPECT_EQ(appdriver::Text(form_), expected::kAppTitle);
  EXPECT_EQ(appdriver::ClassName(form_), app::kForm1Class);
  RECT client;
  GetClientRect(form_, &client);
  EXPECT_EQ(client.right, Pixels(9090, dpi_));
  EXPECT_EQ(client.bottom, Pixels(6495, dpi_));
  const LONG_PTR style = GetWindowLongPtrW(form_, GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU) << "close box";
}

TEST_F(MainWindow, IsCentredOnTheScreen) {
  RECT outer;
  GetWindowRect(form_, &outer);
  const float left = static_cast<float>(GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2.0f;
  const float top = static_cast<float>(GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2.0f;
  EXPECT_NEAR(outer.left, left, 0.5f);
  EXPECT_NEAR(outer.top, top, 0.5f);
}

TEST_F(MainWindow, EveryControlHasItsClassContainerPlaceAndCaption) {
  for (const Expected& want : kLayout) {
    SCOPED_TRACE(testing::Message() << "control " << std::string(want.name, want.name + wcslen(want.name)));
    const HWND control = Control(want.id);
    if (control == nullptr) continue;
    EXPECT_EQ(appdriver::ClassName(control), want.windowClass);
    const HWND parent = GetParent(control);
    if (want.container == 0) {
      EXPECT_EQ(parent, form_);
    } else {
      EXPECT_EQ(GetDlgCtrlID(parent), want.container);
    }
    if (want.caption != nullptr) {
      EXPECT_EQ(appdriver::Text(control), want.caption);
    }

    const RECT rect = appdriver::RectInParent(control);
    EXPECT_NEAR(rect.left, Pixels(want.left, dpi_), 1);
    EXPECT_NEAR(rect.top, Pixels(want.top, dpi_), 1);
    EXPECT_NEAR(rect.right - rect.left, Pixels(want.width, dpi_), 1);
    EXPECT_NEAR(rect.bottom - rect.top, Pixels(want.height, dpi_), 1);
  }
}

TEST_F(MainWindow, StartsWithEmptyTextsAndTheCurrentDrive) {
  for (int id : {app::kIdText1, app::kIdText2}) {
    const HWND text = Control(id);
    EXPECT_FALSE(IsWindowEnabled(text)) << "text boxes take neither focus nor typing";
    EXPECT_EQ(appdriver::Text(text), L"");
  }
  EXPECT_EQ(appdriver::Text(Control(app::kIdLabel3)), L"");
  const HWND list = Control(app::kIdList1);
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
  EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & LBS_EXTENDEDSEL) << "several tests can be selected";

  // The program runs in its folder on M:, so both drive lists show m:.
  for (int id : {app::kIdDrive1, app::kIdDrive2}) {
    const HWND drive = Control(id);
    const LRESULT index = SendMessageW(drive, CB_GETCURSEL, 0, 0);
    ASSERT_GE(index, 0);
    EXPECT_EQ(appdriver::ComboEntries(drive).at(static_cast<size_t>(index)).substr(0, 2), L"m:");
  }
}

TEST_F(MainWindow, TabMovesThroughTheControlsInTabIndexOrder) {
  appdriver::BringToFront(form_);
  const std::vector<int> order = {app::kIdDir1,     app::kIdDrive1,   app::kIdDir2, app::kIdDrive2,
                                  app::kIdCommand1, app::kIdCommand2, app::kIdList1};
  ASSERT_EQ(appdriver::FocusOf(form_), Control(app::kIdDir1)) << "the first control in tab order has the focus";

  // Round the whole order forwards, then backwards with Shift.
  for (const bool shift : {false, true}) {
    for (size_t step = 1; step <= order.size(); ++step) {
      appdriver::PressKey(VK_TAB, shift);
      const int id = order[(shift ? order.size() * 2 - step : step) % order.size()];
      const HWND want = Control(id);
      EXPECT_TRUE(appdriver::WaitUntil([&] { return appdriver::FocusOf(form_) == want; }, 3000))
          << (shift ? "Shift+Tab " : "Tab ") << step << " should reach control " << id << ", focus is on "
          << GetDlgCtrlID(appdriver::FocusOf(form_));
    }
  }
}

TEST_F(MainWindow, PanelFramesLabelsAreGrey) {
  appdriver::BringToFront(form_);
  const COLORREF grey = RGB(192, 192, 192);
  auto at = [&](int id, int xTwips, int yTwips) {
    return appdriver::ScreenColour(Control(id), POINT{Pixels(xTwips, dpi_), Pixels(yTwips, dpi_)});
  };
  EXPECT_EQ(at(app::kIdPicture1, 120, 120), grey) << "free panel";
  EXPECT_EQ(at(app::kIdPicture1, 8900, 6300), grey) << "free panel, bottom right";
  EXPECT_EQ(at(app::kIdFrame1, 120, 2750), grey) << "inside Frame1, left of List1";
  EXPECT_EQ(at(app::kIdFrame3, 60, 600), grey) << "inside Frame3";
  EXPECT_EQ(at(app::kIdLabel1, 2100, 200), grey) << "Label1 right of its text";
  EXPECT_EQ(at(app::kIdLabel3, 4000, 150), grey) << "the empty message line";
}

TEST_F(MainWindow, ExecuteRunsAndItsRefusalsAreRealMessageBoxes) {
  const HWND label3 = Control(app::kIdLabel3);
  PostMessageW(Control(app::kIdCommand1), BM_CLICK, 0, 0);

  // Nothing chosen yet: the destination's drive name is wrong, then the path.
  HWND box = app_->WaitForMessageBox(10000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(appdriver::Text(label3), expected::kInProgress);
  appdriver::MessageBoxView view = appdriver::ReadMessageBox(box);
  EXPECT_EQ(view.text, expected::kDriveName) << "drive-name message first";
  EXPECT_EQ(view.caption, expected::kAppTitle);
  EXPECT_EQ(view.buttons, std::vector<int>{IDOK});
  appdriver::Answer(box, IDOK);
  ASSERT_TRUE(appdriver::WaitUntil([&] { return !IsWindow(box); }, 5000));

  box = app_->WaitForMessageBox(10000);
  ASSERT_NE(box, nullptr);
  view = appdriver::ReadMessageBox(box);
  EXPECT_EQ(view.text, expected::kBadPath);
  EXPECT_EQ(view.caption, L"") << "the caption is the destination text, empty here";
  EXPECT_EQ(view.buttons, std::vector<int>{IDOK});
  EXPECT_TRUE(view.icon) << "warning icon";
  appdriver::Answer(box, IDOK);
  ASSERT_TRUE(appdriver::WaitUntil([&] { return !IsWindow(box); }, 5000));

  EXPECT_TRUE(appdriver::WaitUntil([&] { return appdriver::Text(label3).empty(); }, 5000))
      << "the message line is cleared";
  EXPECT_EQ(app_->MessageBox(), nullptr);
  EXPECT_EQ(app_->WaitForExit(0), STILL_ACTIVE) << "the program goes on";
}

TEST_F(MainWindow, ExitEndsTheProgramWithoutAQuestion) {
  PostMessageW(Control(app::kIdCommand2), BM_CLICK, 0, 0);
  EXPECT_EQ(app_->WaitForExit(10000), static_cast<DWORD>(app::kExitNormal));
  EXPECT_EQ(app_->MessageBox(), nullptr);
}

TEST_F(MainWindow, CloseBoxEndsTheProgram) {
  PostMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(app_->WaitForExit(10000), static_cast<DWORD>(app::kExitNormal));
}

// The start-up when the data root is missing: the whole search runs first.
class StartUp : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!appdriver::HasDisplay()) GTEST_SKIP() << "no display for windows";
    if (const std::string why = testsupport::WholeDriveSearchBlocked(); !why.empty()) GTEST_SKIP() << why;
    folder_ = testsupport::ScratchFolder(L'M');
  }
  void TearDown() override {
    if (!folder_.empty()) testsupport::RemoveTree(folder_);
  }

  // Starts the program, expects the refusal and answers it; the window must
  // never be shown.
  void ExpectRefusal() {
    AppProcess app(folder_);
    ASSERT_TRUE(app.started());
    bool formShown = false;
    auto watch = [&] {
      const HWND form = app.Form();
      if (form != nullptr && IsWindowVisible(form)) formShown = true;
    };
    const HWND box = app.WaitForMessageBox(100000, watch);
    ASSERT_NE(box, nullptr) << "no message box; exit code " << app.WaitForExit(0);
    const appdriver::MessageBoxView view = appdriver::ReadMessageBox(box);
    EXPECT_EQ(view.text, expected::kNoDataRoot);
    EXPECT_EQ(view.caption, expected::kAppTitle);
    EXPECT_EQ(view.buttons, std::vector<int>{IDOK}) << "OK only";
    EXPECT_FALSE(view.icon);
    watch();
    EXPECT_FALSE(formShown) << "the window must stay hidden while the message stands";

    appdriver::Answer(box, IDOK);
    EXPECT_EQ(app.WaitForExit(10000), static_cast<DWORD>(app::kExitNoDataRoot));
    watch();
    EXPECT_FALSE(formShown);
  }

  std::wstring folder_;
};

TEST_F(StartUp, WithoutDataRootTellsTheUserAndEnds) { ExpectRefusal(); }

// A search through many folders shows its progress after about a second;
// Cancel ends the program at once, without the window and without a message.
TEST_F(StartUp, ALongSearchShowsItsProgressAndCancelEndsTheProgram) {
  for (int i = 0; i < 60; ++i) {
    const std::wstring level = folder_ + L"\\tree\\d" + std::to_wstring(i);
    testsupport::MakeFolders(level);
    for (int j = 0; j < 100; ++j) CreateDirectoryW((level + L"\\e" + std::to_wstring(j)).c_str(), nullptr);
  }
  AppProcess app(folder_);
  ASSERT_TRUE(app.started());
  bool formShown = false;
  bool boxShown = false;
  HWND dialog = nullptr;
  std::wstring title;
  std::vector<std::wstring> texts;
  ASSERT_TRUE(appdriver::WaitUntil(
      [&] {
        formShown = formShown || (app.Form() != nullptr && IsWindowVisible(app.Form()));
        boxShown = boxShown || app.MessageBox() != nullptr;
        if ((dialog = app.ProgressDialog()) == nullptr) return false;
        title = appdriver::Text(dialog);
        texts = appdriver::DialogTexts(dialog);
        return texts.size() >= 2 && !texts[1].empty();  // its lines are set one after the other
      },
      60000))
      << "no progress dialog with its lines; exit code " << app.WaitForExit(0) << ", "
      << testing::PrintToString(texts);
  EXPECT_EQ(title, expected::kAppTitle);
  ASSERT_GE(texts.size(), 2u);
  const std::wstring& searching = expected::kSearching;
  EXPECT_EQ(texts[0].substr(0, searching.size()), searching) << testing::PrintToString(texts);
  EXPECT_GT(std::stoi(texts[0].substr(searching.size())), 0) << "folders searched so far";
  EXPECT_EQ(texts[1].rfind(L"M:\\", 0), 0u) << "the folder searched now: " << testing::PrintToString(texts);

  PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  EXPECT_EQ(app.WaitForExit(5000), static_cast<DWORD>(app::kExitCancelled));
  EXPECT_FALSE(formShown);
  EXPECT_FALSE(boxShown) << "no message, not even the missing data root's";
}

TEST_F(StartUp, EmptyMarkerBesideTheProgramIsNoDataRoot) {
  testsupport::MakeFolders(folder_ + L"\\PATDAT");
  testsupport::WriteBytes(folder_ + L"\\PATDAT\\kishitu.txt", "");
  ExpectRefusal();
}

}  // namespace
