// The drive list, driven in this process: a real combo box in a top-level window.
#include "app/drivelist.h"

#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/app_driver.h"
#include "support/test_support.h"

namespace {

constexpr int kComboId = 101;

// A top-level window with the drive list in its combo box, counting the
// combo box's selection notifications.
class DriveHost {
 public:
  DriveHost() {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = &DriveHost::Proc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"DriveListTestHost";
    RegisterClassW(&window_class);  // fails harmlessly when already registered
    window_ = CreateWindowExW(0, L"DriveListTestHost", L"drive list", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) return;
    combo_ = CreateWindowExW(0, L"ComboBox", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 10,
                             10, 200, 200, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)),
                             GetModuleHandleW(nullptr), nullptr);
    if (combo_ != nullptr) drives.Attach(combo_);
  }
  ~DriveHost() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  DriveHost(const DriveHost&) = delete;
  DriveHost& operator=(const DriveHost&) = delete;

  HWND combo() const { return combo_; }
  int selection_changes() const { return selection_changes_; }

  app::DriveList drives;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DriveHost*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == WM_COMMAND && LOWORD(wparam) == kComboId &&
        HIWORD(wparam) == CBN_SELCHANGE)
      ++self->selection_changes_;
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  HWND window_ = nullptr;
  HWND combo_ = nullptr;
  int selection_changes_ = 0;
};

// The entry of a drive, or empty when the list has none.
std::wstring EntryOf(const std::vector<std::wstring>& entries, wchar_t lower_letter) {
  for (const std::wstring& text : entries)
    if (text.size() >= 2 && text[0] == lower_letter && text[1] == L':') return text;
  return {};
}

// The label the system reports for a drive root; empty when none.
std::wstring VolumeLabel(const wchar_t* root) {
  wchar_t label[MAX_PATH + 1] = {};
  if (!GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) return {};
  return label;
}

// Every test has a host window; where none can open, the test is skipped.
class DriveList : public ::testing::Test {
 protected:
  void SetUp() override {
    if (host.combo() != nullptr) return;
    if (!appdriver::HasDisplay()) GTEST_SKIP() << "no display for windows";
    FAIL() << "cannot create the test window, error " << GetLastError();
  }

  DriveHost host;
};

TEST_F(DriveList, ListsEveryLogicalDriveInOrderAsLowerCaseLetter) {
  const std::vector<std::wstring> entries = appdriver::ComboEntries(host.combo());
  const DWORD mask = GetLogicalDrives();
  std::vector<wchar_t> expected;
  for (int bit = 0; bit < 26; ++bit)
    if (mask & (1u << bit)) expected.push_back(static_cast<wchar_t>(L'a' + bit));
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    ASSERT_GE(entries[i].size(), 2u);
    EXPECT_EQ(entries[i][0], expected[i]) << "entry " << i;
    EXPECT_EQ(entries[i][1], L':') << "entry " << i;
    if (entries[i].size() > 2) {
      EXPECT_EQ(entries[i].substr(2, 2), L" [") << "entry " << i;
      EXPECT_EQ(entries[i].back(), L']') << "entry " << i;
    }
  }
  for (wchar_t letter : {L'm', L'n', L'o', L'p'})
    EXPECT_FALSE(EntryOf(entries, letter).empty()) << static_cast<char>(letter);
}

// The test drives get their labels when the Wine server starts (scripts/wine-prefix.sh):
// O: "LUGEON表ソ", Q: and R: a label each; M: N: P: none.
TEST_F(DriveList, ShowsVolumeLabelInBrackets) {
  const std::wstring label = VolumeLabel(L"O:\\");
  if (label.empty()) GTEST_SKIP() << "the test drive O: has no volume label";

  const std::vector<std::wstring> entries = appdriver::ComboEntries(host.combo());
  EXPECT_EQ(EntryOf(entries, L'o'), L"o: [" + label + L"]");
  ASSERT_TRUE(VolumeLabel(L"N:\\").empty());
  EXPECT_EQ(EntryOf(entries, L'n'), L"n:");  // the letter alone, no brackets
}

TEST_F(DriveList, AsksNoLabelOfNetworkCdOrMissingDrives) {
  if (!testsupport::IsTestDrive(L'Q') || !testsupport::IsTestDrive(L'R'))
    GTEST_SKIP() << "no network and CD drive of the test set-up here (made under Wine only)";
  ASSERT_EQ(GetDriveTypeW(L"Q:\\"), static_cast<UINT>(DRIVE_REMOTE));
  ASSERT_EQ(GetDriveTypeW(L"R:\\"), static_cast<UINT>(DRIVE_CDROM));

  // Whether or not these drives report a label, the list shows the letter alone.
  const std::vector<std::wstring> entries = appdriver::ComboEntries(host.combo());
  EXPECT_EQ(EntryOf(entries, L'q'), L"q:");
  EXPECT_EQ(EntryOf(entries, L'r'), L"r:");
  if (GetLogicalDrives() & (1u << (L'S' - L'A'))) {
    EXPECT_EQ(EntryOf(entries, L's'), L"s:");
  }
}

TEST_F(DriveList, StartsAtTheCurrentDrive) {
  const std::wstring folder = testsupport::ScratchFolder(L'N');
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  {
    DriveHost onN;
    EXPECT_EQ(onN.drives.Drive().substr(0, 2), L"n:");
    EXPECT_EQ(onN.selection_changes(), 0);
  }
  ASSERT_TRUE(SetCurrentDirectoryW(L"X:\\"));
  DriveHost onX;
  EXPECT_EQ(onX.drives.Drive().substr(0, 2), L"x:");
}

TEST_F(DriveList, SelectDriveTakesEitherCaseWithoutNotifying) {
  EXPECT_TRUE(host.drives.SelectDrive(L'O'));
  EXPECT_EQ(host.drives.Drive().substr(0, 2), L"o:");
  EXPECT_TRUE(host.drives.SelectDrive(L'p'));
  EXPECT_EQ(host.drives.Drive().substr(0, 2), L"p:");
  ASSERT_EQ(GetLogicalDrives() & (1u << (L'K' - L'A')), 0u);
  EXPECT_FALSE(host.drives.SelectDrive(L'K'));
  EXPECT_EQ(host.drives.Drive().substr(0, 2), L"p:");
  EXPECT_EQ(host.selection_changes(), 0);
}

TEST_F(DriveList, RefillKeepsTheSelectedDrive) {
  const size_t count = appdriver::ComboEntries(host.combo()).size();
  ASSERT_TRUE(host.drives.SelectDrive(L'P'));

  host.drives.Refill();
  EXPECT_EQ(host.drives.Drive().substr(0, 2), L"p:");
  EXPECT_EQ(appdriver::ComboEntries(host.combo()).size(), count);
}

TEST_F(DriveList, ChoosingAnotherEntryNotifiesTheOwner) {
  ASSERT_TRUE(host.drives.SelectDrive(L'M'));

  SendMessageW(host.combo(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(host.selection_changes(), 1);
  EXPECT_EQ(host.drives.Drive().substr(0, 2), L"n:");
}

}  // namespace
