// The release as a Windows user gets it: the zip unpacked on a test drive (by
// the release_unpack fixture), the program started from there beside a data
// root, its window, icon and version read back, and Exit.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/resource.h"
#include "base/messages.h"
#include "base/scoped.h"
#include "base/strconv.h"
#include "support/app_driver.h"
#include "support/test_support.h"

namespace {

// The same names as in release_unpack.cmake, which unpacks the zip into them.
constexpr wchar_t kAsciiFolder[] = L"M:\\Release.Unpacked";
constexpr wchar_t kJapaneseFolder[] = L"M:\\Release 表ソ 展開 先";

const std::wstring kVersion = L"" LUGEON_VERSION;

std::wstring InPackage(const std::wstring& unpacked, const wchar_t* name) {
  return unpacked + L"\\LugeonTransfer-" + kVersion + L"\\" + name;
}

// 32-bit top-down rows, alpha in the fourth byte.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> bytes;
};

Pixels BitmapPixels(HBITMAP bitmap, int width, int height) {
  Pixels pixels{width, height, std::vector<unsigned char>(static_cast<size_t>(width * height) * 4)};
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const base::ScopedWindowDC screen(nullptr);
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(height), pixels.bytes.data(), &info, DIB_RGB_COLORS) !=
      height)
    pixels.bytes.clear();
  return pixels;
}

// The program's icon as its file holds it, at one size.
Pixels IconFromFile(const std::wstring& program, int size) {
  const HMODULE module =
      LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  const auto icon = static_cast<HICON>(
      module ? LoadImageW(module, MAKEINTRESOURCEW(IDI_LUGEON_TRANSFER), IMAGE_ICON, size, size, 0) : nullptr);
  Pixels pixels;
  ICONINFO info{};
  if (icon != nullptr && GetIconInfo(icon, &info)) {
    if (info.hbmColor != nullptr) pixels = BitmapPixels(info.hbmColor, size, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  if (icon != nullptr) DestroyIcon(icon);
  if (module != nullptr) FreeLibrary(module);
  return pixels;
}

// What the screen shows in a rectangle.
Pixels ScreenPixels(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const base::ScopedWindowDC screen(nullptr);
  const HDC memory = CreateCompatibleDC(screen.get());
  const base::UniqueHandle<HBITMAP, base::GdiTraits<HBITMAP>> bitmap(
      CreateCompatibleBitmap(screen.get(), width, height));
  bool copied = false;
  {
    const base::ScopedSelect selected(memory, bitmap.get());
    copied = BitBlt(memory, 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY) != FALSE;
  }
  DeleteDC(memory);
  return copied ? BitmapPixels(bitmap.get(), width, height) : Pixels{};
}

// Whether every opaque pixel of the icon appears, colour for colour, in the
// window's title bar. Wine does not let another process read a window's icon
// handles, so the title bar is read as the user sees it.
bool TitleBarShows(HWND form, const Pixels& icon) {
  RECT bar;
  if (!GetWindowRect(form, &bar)) return false;
  bar.bottom = std::min(bar.bottom, bar.top + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + 8);
  const Pixels screen = ScreenPixels(bar);
  const auto matchesAt = [&](int left, int top) {
    for (int y = 0; y < icon.height; ++y)
      for (int x = 0; x < icon.width; ++x) {
        const size_t at = static_cast<size_t>(y * icon.width + x) * 4;
        const size_t on = static_cast<size_t>((top + y) * screen.width + left + x) * 4;
        if (icon.bytes[at + 3] == 255 && std::memcmp(&screen.bytes[on], &icon.bytes[at], 3) != 0) return false;
      }
    return true;
  };
  for (int top = 0; !screen.bytes.empty() && top + icon.height <= screen.height; ++top)
    for (int left = 0; left + icon.width <= screen.width; ++left)
      if (matchesAt(left, top)) return true;
  return false;
}

// A text of the version resource, in its first translation.
std::wstring VersionText(const std::vector<unsigned char>& block, const wchar_t* name) {
  WORD* translation = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                      &size) ||
      size < 4)
    return L"(no translation)";
  wchar_t query[64];
  wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
  wchar_t* value = nullptr;
  return VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &size) && value ? value : L"(none)";
}

class UnpackedRelease : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    if (!appdriver::HasDisplay()) GTEST_SKIP() << "no display for windows";
    program_ = InPackage(GetParam(), L"LugeonTransfer.exe");
    ASSERT_TRUE(testsupport::Exists(program_)) << "release_unpack has not unpacked the zip here";
    // A data root beside the program, as its user keeps it, for this test only.
    dataRoot_ = program_.substr(0, program_.rfind(L'\\')) + L"\\PATDAT";
    testsupport::MakeFolders(dataRoot_);
    testsupport::WriteBytes(dataRoot_ + L"\\kishitu.txt", "1\r\n");
  }
  void TearDown() override {
    if (!dataRoot_.empty()) testsupport::RemoveTree(dataRoot_);
  }

  std::wstring program_;
  std::wstring dataRoot_;
};

TEST_P(UnpackedRelease, StartsShowsItsIconAndVersionAndExits) {
  appdriver::AppProcess app(program_, appdriver::AppProcess::kInPlace);
  ASSERT_TRUE(app.started());
  const HWND form = app.WaitForVisibleForm();
  ASSERT_NE(form, nullptr) << "the window did not come";

  const Pixels small = IconFromFile(program_, GetSystemMetrics(SM_CXSMICON));
  ASSERT_FALSE(small.bytes.empty()) << "the program's small icon cannot be read from its file";
  EXPECT_TRUE(appdriver::WaitUntil([&] { return TitleBarShows(form, small); }, 5000))
      << "the title bar does not show the program's icon";

  DWORD ignored = 0;
  std::vector<unsigned char> block(GetFileVersionInfoSizeW(program_.c_str(), &ignored));
  ASSERT_FALSE(block.empty()) << "no version resource";
  ASSERT_TRUE(GetFileVersionInfoW(program_.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed != nullptr);
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(LUGEON_VERSION_MINOR, LUGEON_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, LUGEON_VERSION_PATCH)));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(VersionText(block, L"FileVersion"), kVersion);
  EXPECT_EQ(VersionText(block, L"ProductVersion"), kVersion);

  PostMessageW(app.Control(app::kIdCommand2), BM_CLICK, 0, 0);
  EXPECT_EQ(app.WaitForExit(30000), static_cast<DWORD>(app::kExitNormal)) << "Exit did not end the program";
}

INSTANTIATE_TEST_SUITE_P(Folder, UnpackedRelease, ::testing::Values(kAsciiFolder, kJapaneseFolder),
                         [](const auto& folder) { return folder.index == 0 ? "Plain" : "JapaneseWithSpaces"; });

TEST(ReleaseProgram, AsksForSystemDllsOnlyAndKeepsItsProtections) {
  const std::string bytes = testsupport::ReadBytes(InPackage(kAsciiFolder, L"LugeonTransfer.exe"));
  IMAGE_DOS_HEADER dos{};
  IMAGE_NT_HEADERS64 nt{};
  ASSERT_GE(bytes.size(), sizeof dos);
  std::memcpy(&dos, bytes.data(), sizeof dos);
  ASSERT_GE(bytes.size(), static_cast<size_t>(dos.e_lfanew) + sizeof nt);
  std::memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof nt);
  const WORD wanted = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA |
                      IMAGE_DLLCHARACTERISTICS_NX_COMPAT | IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE;
  EXPECT_EQ(nt.OptionalHeader.DllCharacteristics & wanted, wanted) << std::hex << nt.OptionalHeader.DllCharacteristics;
  // Imported by name: the import table holds it as plain text.
  EXPECT_NE(bytes.find("SetDefaultDllDirectories"), std::string::npos);
}

// The ID of the first icon group; 0 for a group with a name, which would come first.
BOOL CALLBACK FirstGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  *reinterpret_cast<ULONG_PTR*>(param) = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0;
  return FALSE;
}

// Explorer shows the first icon group; it must be the program's, in every size.
TEST(ReleaseProgram, FirstIconGroupIsTheProgramsInEverySize) {
  const std::wstring program = InPackage(kAsciiFolder, L"LugeonTransfer.exe");
  const HMODULE module =
      LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr) << GetLastError();
  ULONG_PTR first = static_cast<ULONG_PTR>(-1);
  EnumResourceNamesW(module, RT_GROUP_ICON, &FirstGroup, reinterpret_cast<LONG_PTR>(&first));
  EXPECT_EQ(first, static_cast<ULONG_PTR>(IDI_LUGEON_TRANSFER));

  // GRPICONDIR: 6 bytes, then 14-byte entries: width, height, ..., bit count at 6.
  std::multiset<int> sizes;
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDI_LUGEON_TRANSFER), RT_GROUP_ICON);
  const auto* group = found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
  const size_t length = found ? SizeofResource(module, found) : 0;
  for (size_t entry = 6; group != nullptr && entry + 14 <= length; entry += 14) {
    sizes.insert(group[entry] == 0 ? 256 : group[entry]);
    EXPECT_EQ(group[entry + 6], 32) << "bits of size " << int(group[entry]);
  }
  FreeLibrary(module);
  EXPECT_EQ(sizes, (std::multiset<int>{16, 24, 32, 48, 256}));
}

// The guide as Notepad reads it on Windows 7 to 11 (UTF-8 with a byte-order
// mark, CR LF), for this version, quoting every text the program can show.
TEST(ReleaseGuide, QuotesEveryTextOfTheProgram) {
  const std::string bytes = testsupport::ReadBytes(InPackage(kAsciiFolder, L"使い方.txt"));
  ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  int bareLineEnds = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) ++bareLineEnds;
    if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) ++bareLineEnds;
  }
  EXPECT_EQ(bareLineEnds, 0);

  const std::optional<std::wstring> guide = base::TryFromUtf8(std::string_view(bytes).substr(3));
  ASSERT_TRUE(guide) << "the guide is not UTF-8";
  EXPECT_EQ(guide->rfind(L"LugeonTransfer " + kVersion + L" 使い方", 0), 0u) << "the guide is not for this version";
  EXPECT_EQ(guide->find(L"@VERSION"), std::wstring::npos);
  for (const wchar_t* text : base::text::kEveryText)
    EXPECT_NE(guide->find(text), std::wstring::npos) << "the guide does not quote " << testing::PrintToString(text);
}

}  // namespace
