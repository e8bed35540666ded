// The release as a Windows user gets it: the zip unpacked on a test drive (by
// the release_unpack fixture), the program started from there beside a data
// root, its window, icons and version read back, and Exit.
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
#include "support/test_support.h"

namespace {

// The same names as in release_unpack.cmake, which unpacks the zip into them.
constexpr wchar_t kAsciiFolder[] = L"M:\\Release.Unpacked";
constexpr wchar_t kJapaneseFolder[] = L"M:\\Release 表ソ 展開 先";

const std::wstring kVersion = L"" LUGEON_VERSION;
const std::wstring kPackageFolder = L"LugeonTransfer-" + kVersion;

std::wstring ProgramIn(const std::wstring& unpacked) {
  return unpacked + L"\\" + kPackageFolder + L"\\LugeonTransfer.exe";
}

// ---- Icons -----------------------------------------------------------------

struct IconPixels {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> colour;  // 32-bit top-down rows, alpha in the fourth byte
};

std::vector<unsigned char> BitmapPixels(HBITMAP bitmap, int width, int height) {
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != height) pixels.clear();
  return pixels;
}

IconPixels ReadIcon(HICON icon) {
  IconPixels read;
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) return read;
  if (info.hbmColor != nullptr) {
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    read.width = colour.bmWidth;
    read.height = colour.bmHeight;
    read.colour = BitmapPixels(info.hbmColor, read.width, read.height);
    DeleteObject(info.hbmColor);
  }
  DeleteObject(info.hbmMask);
  return read;
}

// The program's icon as its file holds it, at one size.
IconPixels IconFromFile(const std::wstring& program, int size) {
  const HMODULE module =
      LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) {
    ADD_FAILURE() << "cannot open the program's resources, error " << GetLastError();
    return {};
  }
  const HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(IDI_LUGEON_TRANSFER), IMAGE_ICON, size, size, 0);
  IconPixels read = ReadIcon(static_cast<HICON>(icon));
  if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
  FreeLibrary(module);
  return read;
}

int OpaquePixels(const IconPixels& icon) {
  int count = 0;
  for (size_t i = 3; i < icon.colour.size(); i += 4) count += icon.colour[i] == 255;
  return count;
}

// What the screen shows in a rectangle, as 32-bit top-down rows.
std::vector<unsigned char> ScreenPixels(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  std::vector<unsigned char> pixels;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
    SelectObject(memory, old);
    pixels = BitmapPixels(bitmap, width, height);
  } else {
    SelectObject(memory, old);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// Whether every opaque pixel of the icon appears, colour for colour, somewhere
// in the window's title bar. Icon handles cannot be read across processes
// under Wine, so the title bar is read as the user sees it.
bool TitleBarShows(HWND form, const IconPixels& icon) {
  RECT window;
  if (!GetWindowRect(form, &window)) return false;
  RECT bar = window;
  bar.bottom = std::min(window.bottom, window.top + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + 8);
  const int width = bar.right - bar.left;
  const int height = bar.bottom - bar.top;
  const std::vector<unsigned char> screen = ScreenPixels(bar);
  if (screen.empty()) return false;
  for (int top = 0; top + icon.height <= height; ++top) {
    for (int left = 0; left + icon.width <= width; ++left) {
      bool same = true;
      for (int y = 0; y < icon.height && same; ++y) {
        for (int x = 0; x < icon.width && same; ++x) {
          const size_t at = static_cast<size_t>(y * icon.width + x) * 4;
          if (icon.colour[at + 3] != 255) continue;
          const size_t on = static_cast<size_t>((top + y) * width + left + x) * 4;
          same = screen[on] == icon.colour[at] && screen[on + 1] == icon.colour[at + 1] &&
                 screen[on + 2] == icon.colour[at + 2];
        }
      }
      if (same) return true;
    }
  }
  return false;
}

bool WaitUntilTitleBarShows(HWND form, const IconPixels& icon) {
  for (int round = 0; round < 50; ++round) {
    if (TitleBarShows(form, icon)) return true;
    Sleep(100);
  }
  return false;
}

// ---- Version resource ----------------------------------------------------------

struct FileVersion {
  DWORD fileMs = 0, fileLs = 0, productMs = 0, productLs = 0;
  std::wstring fileText, productText;
};

std::wstring VersionString(const std::vector<unsigned char>& block, const wchar_t* name) {
  struct Translation {
    WORD language, codePage;
  }* translations = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                      &size) ||
      size < sizeof *translations)
    return L"(no translation)";
  wchar_t query[64];
  wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\%s", translations->language, translations->codePage, name);
  wchar_t* value = nullptr;
  if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &size) || value == nullptr)
    return L"(none)";
  return std::wstring(value);
}

FileVersion ReadVersion(const std::wstring& program) {
  FileVersion version;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
  if (size == 0) {
    ADD_FAILURE() << "the program has no version resource, error " << GetLastError();
    return version;
  }
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(program.c_str(), 0, size, block.data())) {
    ADD_FAILURE() << "cannot read the version resource, error " << GetLastError();
    return version;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed != nullptr) {
    version.fileMs = fixed->dwFileVersionMS;
    version.fileLs = fixed->dwFileVersionLS;
    version.productMs = fixed->dwProductVersionMS;
    version.productLs = fixed->dwProductVersionLS;
  }
  version.fileText = VersionString(block, L"FileVersion");
  version.productText = VersionString(block, L"ProductVersion");
  return version;
}

std::string Narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? static_cast<size_t>(size - 1) : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  return out;
}

// ---- The running program -------------------------------------------------------

struct FindForm {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindFormProc(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<FindForm*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (pid == search->pid && std::wstring(name) == app::kForm1Class && IsWindowVisible(hwnd)) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct FindChild {
  int id;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<FindChild*>(param);
  if (GetDlgCtrlID(hwnd) != search->id) return TRUE;
  search->found = hwnd;
  return FALSE;
}

// The program started in its own folder; ended, if it still runs, at the end.
class Started {
 public:
  explicit Started(const std::wstring& program) {
    const std::wstring folder = program.substr(0, program.rfind(L'\\'));
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
      ADD_FAILURE() << "cannot start the unpacked program, error " << GetLastError();
      return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
  }
  ~Started() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;

  HANDLE process() const { return process_; }

  HWND WaitForForm(DWORD timeoutMs) const {
    for (DWORD waited = 0; process_ != nullptr; waited += 100) {
      FindForm search{pid_, nullptr};
      EnumWindows(&FindFormProc, reinterpret_cast<LPARAM>(&search));
      if (search.found != nullptr || waited >= timeoutMs) return search.found;
      if (WaitForSingleObject(process_, 100) != WAIT_TIMEOUT) return nullptr;  // it ended
    }
    return nullptr;
  }

  std::wstring ImagePath() const {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process_, 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
  }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// ---- Start from the unpacked folder ----------------------------------------------

class UnpackedRelease : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    program_ = ProgramIn(GetParam());
    ASSERT_TRUE(testsupport::Exists(program_)) << "release_unpack has not unpacked the zip here";
    // A data root beside the program, as its user keeps it; only for this test,
    // so that no drive walk of another test finds it.
    dataRoot_ = program_.substr(0, program_.rfind(L'\\')) + L"\\PATDAT";
    testsupport::MakeFolders(dataRoot_);
    testsupport::WriteBytes(dataRoot_ + L"\\kishitu.txt", "1\r\n");
  }
  void TearDown() override { testsupport::RemoveTree(dataRoot_); }

  std::wstring program_;
  std::wstring dataRoot_;
};

TEST_P(UnpackedRelease, StartsShowsItsIconAndVersionAndExits) {
  Started app(program_);
  ASSERT_NE(app.process(), nullptr);
  const HWND form = app.WaitForForm(30000);
  ASSERT_NE(form, nullptr) << "the window did not come";
  EXPECT_TRUE(SamePath(app.ImagePath(), program_)) << Narrow(app.ImagePath());

  const IconPixels small = IconFromFile(program_, GetSystemMetrics(SM_CXSMICON));
  ASSERT_GT(OpaquePixels(small), 0) << "the program's small icon cannot be read from its file";
  EXPECT_TRUE(WaitUntilTitleBarShows(form, small)) << "the title bar does not show the program's icon";

  const FileVersion version = ReadVersion(app.ImagePath());
  EXPECT_EQ(version.fileMs, static_cast<DWORD>(MAKELONG(LUGEON_VERSION_MINOR, LUGEON_VERSION_MAJOR)));
  EXPECT_EQ(version.fileLs, static_cast<DWORD>(MAKELONG(0, LUGEON_VERSION_PATCH)));
  EXPECT_EQ(version.productMs, version.fileMs);
  EXPECT_EQ(version.productLs, version.fileLs);
  EXPECT_EQ(Narrow(version.fileText), Narrow(kVersion));
  EXPECT_EQ(Narrow(version.productText), Narrow(kVersion));

  FindChild exit{app::kIdCommand2, nullptr};
  EnumChildWindows(form, &FindChildProc, reinterpret_cast<LPARAM>(&exit));
  ASSERT_NE(exit.found, nullptr);
  PostMessageW(exit.found, BM_CLICK, 0, 0);
  ASSERT_EQ(WaitForSingleObject(app.process(), 30000), WAIT_OBJECT_0) << "Exit did not end the program";
  DWORD code = 99;
  GetExitCodeProcess(app.process(), &code);
  EXPECT_EQ(code, static_cast<DWORD>(app::kExitNormal));
}

INSTANTIATE_TEST_SUITE_P(Folder, UnpackedRelease, ::testing::Values(kAsciiFolder, kJapaneseFolder),
                         [](const auto& info) { return info.index == 0 ? "Plain" : "JapaneseWithSpaces"; });

// ---- The program file and the guide as unpacked ------------------------------------

// What the loader reads of a PE file: the DLL characteristics and the imports.
struct PeFile {
  WORD dllCharacteristics = 0;
  std::set<std::string> dlls;     // upper case
  std::set<std::string> imports;  // "KERNEL32.DLL!SetDefaultDllDirectories"
};

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

PeFile ReadPe(const std::string& bytes) {
  PeFile pe;
  const auto at = [&bytes](size_t offset, size_t size) { return offset + size <= bytes.size(); };
  IMAGE_DOS_HEADER dos;
  if (!at(0, sizeof dos)) return pe;
  std::memcpy(&dos, bytes.data(), sizeof dos);
  IMAGE_NT_HEADERS64 nt;
  const size_t ntAt = static_cast<size_t>(dos.e_lfanew);
  if (!at(ntAt, sizeof nt)) return pe;
  std::memcpy(&nt, bytes.data() + ntAt, sizeof nt);
  if (nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return pe;
  pe.dllCharacteristics = nt.OptionalHeader.DllCharacteristics;

  std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
  const size_t sectionsAt = ntAt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
  if (!at(sectionsAt, sections.size() * sizeof(IMAGE_SECTION_HEADER))) return pe;
  std::memcpy(sections.data(), bytes.data() + sectionsAt, sections.size() * sizeof(IMAGE_SECTION_HEADER));
  const auto offsetOf = [&sections](DWORD rva) -> size_t {
    for (const IMAGE_SECTION_HEADER& section : sections) {
      const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size)
        return rva - section.VirtualAddress + section.PointerToRawData;
    }
    return static_cast<size_t>(-1);
  };
  const auto textAt = [&bytes](size_t offset) {
    return offset < bytes.size() ? std::string(bytes.c_str() + offset) : std::string();
  };

  const DWORD importRva = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (size_t d = offsetOf(importRva); at(d, sizeof(IMAGE_IMPORT_DESCRIPTOR)); d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor;
    std::memcpy(&descriptor, bytes.data() + d, sizeof descriptor);
    if (descriptor.Name == 0) break;
    const std::string dll = Upper(textAt(offsetOf(descriptor.Name)));
    pe.dlls.insert(dll);
    const DWORD thunks = descriptor.OriginalFirstThunk != 0 ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
    for (size_t t = offsetOf(thunks); at(t, sizeof(ULONGLONG)); t += sizeof(ULONGLONG)) {
      ULONGLONG thunk;
      std::memcpy(&thunk, bytes.data() + t, sizeof thunk);
      if (thunk == 0) break;
      if (thunk & IMAGE_ORDINAL_FLAG64) continue;
      pe.imports.insert(dll + "!" + textAt(offsetOf(static_cast<DWORD>(thunk)) + 2));
    }
  }
  return pe;
}

TEST(ReleaseProgram, AskedForSystemDllsOnlyAndKeepsItsProtections) {
  const PeFile pe = ReadPe(testsupport::ReadBytes(ProgramIn(kAsciiFolder)));
  const WORD wanted = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA |
                      IMAGE_DLLCHARACTERISTICS_NX_COMPAT | IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE;
  EXPECT_EQ(pe.dllCharacteristics & wanted, wanted) << std::hex << pe.dllCharacteristics;
  EXPECT_EQ(pe.imports.count("KERNEL32.DLL!SetDefaultDllDirectories"), 1u);
  // Nothing to put beside it: every DLL it imports is one of the system's.
  ASSERT_FALSE(pe.dlls.empty());
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  for (const std::string& dll : pe.dlls)
    EXPECT_TRUE(testsupport::Exists(std::wstring(system) + L"\\" + std::wstring(dll.begin(), dll.end()))) << dll;
}

#pragma pack(push, 2)
struct IconGroupEntry {  // GRPICONDIRENTRY
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

// The ID of the first icon group; 0 for a group with a name, which would come first.
BOOL CALLBACK FirstGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  *reinterpret_cast<ULONG_PTR*>(param) = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0;
  return FALSE;
}

// Explorer shows the first icon group; it must be the program's, in every size.
TEST(ReleaseProgram, FirstIconGroupIsTheProgramsInEverySize) {
  const std::wstring program = ProgramIn(kAsciiFolder);
  const HMODULE module =
      LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr) << GetLastError();
  ULONG_PTR first = static_cast<ULONG_PTR>(-1);
  EnumResourceNamesW(module, RT_GROUP_ICON, &FirstGroup, reinterpret_cast<LONG_PTR>(&first));
  EXPECT_EQ(first, static_cast<ULONG_PTR>(IDI_LUGEON_TRANSFER));

  std::multiset<int> sizes;
  const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDI_LUGEON_TRANSFER), RT_GROUP_ICON);
  const auto* group = found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
  if (group != nullptr && SizeofResource(module, found) >= 6) {
    WORD count;
    std::memcpy(&count, group + 4, sizeof count);
    for (WORD i = 0; i < count && 6 + (i + 1) * sizeof(IconGroupEntry) <= SizeofResource(module, found); ++i) {
      IconGroupEntry entry;
      std::memcpy(&entry, group + 6 + i * sizeof(IconGroupEntry), sizeof entry);
      sizes.insert(entry.width == 0 ? 256 : entry.width);
      EXPECT_EQ(entry.bitCount, 32) << "size " << int(entry.width);
    }
  }
  FreeLibrary(module);
  EXPECT_EQ(sizes, (std::multiset<int>{16, 24, 32, 48, 256}));
}

// The guide as Notepad reads it on Windows 7 to 11 (UTF-8 with a byte-order
// mark, CR LF), for this version, quoting every text the program can show.
TEST(ReleaseGuide, QuotesEveryTextOfTheProgram) {
  const std::string bytes =
      testsupport::ReadBytes(std::wstring(kAsciiFolder) + L"\\" + kPackageFolder + L"\\使い方.txt");
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  int bareLineEnds = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) ++bareLineEnds;
    if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) ++bareLineEnds;
  }
  EXPECT_EQ(bareLineEnds, 0);

  const std::string body = bytes.substr(3);
  const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, body.data(), static_cast<int>(body.size()),
                                         nullptr, 0);
  ASSERT_GT(length, 0) << "the guide is not UTF-8";
  std::wstring guide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, body.data(), static_cast<int>(body.size()), guide.data(), length);

  EXPECT_EQ(guide.rfind(L"LugeonTransfer " + kVersion + L" 使い方", 0), 0u) << "the guide is not for this version";
  EXPECT_EQ(guide.find(L"@VERSION"), std::wstring::npos);
  for (const wchar_t* text : base::text::kEveryText)
    EXPECT_NE(guide.find(text), std::wstring::npos) << "the guide does not quote \"" << Narrow(text) << "\"";
}

}  // namespace
