// FCount, DCount, fnAV, ReadFileX, ReadDirT and PadTrim on real folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "extlib/extlib.h"
#include "support/test_support.h"
#include "base/strconv.h"
#include "base/error.h"

using extlib::DCount;
using extlib::FCount;
using extlib::FileRecord;
using extlib::IndexList;
using extlib::NameSlot;
using extlib::WorkBlock;
using testsupport::ScratchFolder;
using testsupport::WriteBytes;

namespace {

using Names = std::vector<std::wstring>;

std::string Sjis(const std::wstring& text) { return base::ToSjis(text); }

std::wstring RecordName(const FileRecord& record) { return record.name; }

// fnAV then ReadFileX: the files a search path names, into records from slot
// first; the count ReadFileX gives back.
std::int32_t ReadFiles(const std::string& search, std::span<FileRecord> records, std::int32_t first = 1) {
  WorkBlock block{};
  extlib::fnAV(block, records, IndexList{first});
  std::int32_t scratch = 0;
  extlib::ReadFileX(search, scratch, block);
  return scratch;
}

// fnAV then ReadDirT: the sub-folders a search path names, into slots; their
// names, sorted.
Names ReadFolders(const std::string& search, std::span<NameSlot> slots) {
  WorkBlock block{};
  extlib::fnAV(block, slots, IndexList{1});
  extlib::ReadDirT(search, block);
  Names names;
  for (const NameSlot& slot : slots) names.push_back(extlib::PadTrim(slot));
  return testsupport::Sorted(names);
}

// What FCount then ReadFileX give for spec, the way the data-root walk calls them.
Names FileNames(const std::wstring& spec) {
  std::vector<FileRecord> records(static_cast<size_t>(FCount(Sjis(spec))));
  ReadFiles(Sjis(spec), records);
  Names names;
  for (const FileRecord& record : records) {
    EXPECT_EQ(record.check, 1) << RecordName(record);
    names.push_back(RecordName(record));
  }
  return testsupport::Sorted(names);
}

// What DCount then ReadDirT give for spec.
Names FolderNames(const std::wstring& spec) {
  std::vector<NameSlot> slots(static_cast<size_t>(DCount(Sjis(spec))));
  return ReadFolders(Sjis(spec), slots);
}

void SetAttributes(const std::wstring& path, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));
  ASSERT_EQ(GetFileAttributesW(path.c_str()) & attributes, attributes) << "attribute not kept";
}

void MakeFolder(const std::wstring& path) {
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << GetLastError();
}

// P:\linkloop\back is a folder link to P:\ (scripts/wine-prefix.sh makes it
// from Linux, because Wine cannot make links; Windows can).
constexpr wchar_t kLinkLoop[] = L"P:\\linkloop";
constexpr wchar_t kLinkBack[] = L"P:\\linkloop\\back";

}  // namespace

// ---------------------------------------------------------------- FCount

TEST(FCount, CountsOrdinaryFilesOnly) {
  const std::wstring folder = ScratchFolder();
  WriteBytes(folder + L"\\1001.HED", "a");
  WriteBytes(folder + L"\\1002.HED", "");
  WriteBytes(folder + L"\\1003.HED", "c");
  WriteBytes(folder + L"\\1004.HED", "d");
  WriteBytes(folder + L"\\1005.HED", "e");
  WriteBytes(folder + L"\\1001.GRA", "g");
  MakeFolder(folder + L"\\SUB.HED");
  SetAttributes(folder + L"\\1003.HED", FILE_ATTRIBUTE_READONLY);
  SetAttributes(folder + L"\\1002.HED", FILE_ATTRIBUTE_ARCHIVE);
  testsupport::SetHidden(folder + L"\\1004.HED");
  SetAttributes(folder + L"\\1005.HED", FILE_ATTRIBUTE_SYSTEM);

  EXPECT_EQ(FCount(Sjis(folder + L"\\*.HED")), 3);
  EXPECT_EQ(FileNames(folder + L"\\*.HED"), (Names{L"1001.HED", L"1002.HED", L"1003.HED"}));
  EXPECT_EQ(FCount(Sjis(folder + L"\\*.*")), 4);
}

TEST(FCount, ExtensionIsMatchedOnTheLongName) {
  const std::wstring folder = ScratchFolder();
  WriteBytes(folder + L"\\1001.HED", "h");
  WriteBytes(folder + L"\\1001.HEDX", "x");
  WriteBytes(folder + L"\\1002.HEDX", "x");
  EXPECT_EQ(FCount(Sjis(folder + L"\\*.HED")), 1);
  EXPECT_EQ(FileNames(folder + L"\\*.HED"), Names{L"1001.HED"});
  EXPECT_EQ(FCount(Sjis(folder + L"\\*.HEDX")), 2);
  EXPECT_EQ(FCount(Sjis(folder + L"\\*.hed")), 1);
}

TEST(FCount, TestNumberPatternTakesEveryFileOfThatTest) {
  const std::wstring folder = ScratchFolder();
  for (const wchar_t* name : {L"1001.HED", L"1001.GRA", L"1001", L"10010.HED", L"1001A.HED",
                              L"1002.HED"})
    WriteBytes(folder + L"\\" + name, "x");
  EXPECT_EQ(FileNames(folder + L"\\1001.*"), (Names{L"1001", L"1001.GRA", L"1001.HED"}));
  EXPECT_EQ(FCount(Sjis(folder + L"\\*.*")), 6);
}

TEST(FCount, JapaneseFolderAndFileNames) {
  const std::wstring folder = ScratchFolder() + L"\\表ソ";
  MakeFolder(folder);
  WriteBytes(folder + L"\\表1.HED", "1");
  WriteBytes(folder + L"\\ソ.HED", "2");
  WriteBytes(folder + L"\\能.GRA", "3");
  EXPECT_EQ(FCount(Sjis(folder + L"\\*.HED")), 2);
  EXPECT_EQ(FileNames(folder + L"\\*.HED"), (Names{L"ソ.HED", L"表1.HED"}));
  EXPECT_EQ(FCount(Sjis(folder + L"\\表*.*")), 1);
}

TEST(FCount, MissingFolderOrNoMatchCountsZero) {
  const std::wstring folder = ScratchFolder();
  EXPECT_EQ(FCount(Sjis(folder + L"\\*.*")), 0);
  EXPECT_EQ(FCount(Sjis(folder + L"\\PATDAT\\*.*")), 0);
  EXPECT_EQ(FCount(Sjis(L"S:\\*.*")), 0);
  EXPECT_EQ(FCount(""), 0);
}

// ---------------------------------------------------------------- ReadFileX

TEST(ReadFileX, FillsOneRecordPerFileWithCheckOne) {
  const std::wstring folder = ScratchFolder();
  WriteBytes(folder + L"\\a.txt", "12345");
  WriteBytes(folder + L"\\表.txt", "");
  const std::string spec = Sjis(folder + L"\\*.*");
  ASSERT_EQ(FCount(spec), 2);

  std::vector<FileRecord> records(3);
  std::memset(records.data(), 0xAB, records.size() * sizeof(FileRecord));
  EXPECT_EQ(ReadFiles(spec, records), 2);
  EXPECT_EQ(testsupport::Sorted({RecordName(records[0]), RecordName(records[1])}), (Names{L"a.txt", L"表.txt"}));
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(records[i].check, 1);
    EXPECT_EQ(records[i].sizeLow, RecordName(records[i]) == L"a.txt" ? 5u : 0u);
    EXPECT_EQ(records[i].attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  }
  // The record not filled is cleared, so its check value says so.
  EXPECT_EQ(records[2].check, 0);
  EXPECT_EQ(records[2].name[0], L'\0');
  // The check value lies at byte 568 of the record.
  std::int32_t atByte568 = 0;
  std::memcpy(&atByte568, reinterpret_cast<const unsigned char*>(&records[0]) + 568, 4);
  EXPECT_EQ(atByte568, 1);
}

TEST(ReadFileX, StartsAtTheSlotGivenAndNeverWritesPastTheTarget) {
  const std::wstring folder = ScratchFolder();
  for (const wchar_t* name : {L"1.txt", L"2.txt", L"3.txt"}) WriteBytes(folder + L"\\" + name, "x");
  const std::string spec = Sjis(folder + L"\\*.txt");

  std::vector<FileRecord> records(4);
  records[0].check = 7;
  records[3].check = 9;  // outside the target handed over
  EXPECT_EQ(ReadFiles(spec, std::span<FileRecord>(records.data(), 3), 2), 2);
  EXPECT_EQ(records[0].check, 7);
  EXPECT_EQ(records[1].check, 1);
  EXPECT_EQ(records[2].check, 1);
  EXPECT_EQ(records[3].check, 9);
}

TEST(ReadFileX, EmptyFolderLeavesCheckZero) {
  const std::wstring folder = ScratchFolder();
  const std::string spec = Sjis(folder + L"\\*.*");
  EXPECT_EQ(FCount(spec), 0);
  std::vector<FileRecord> records(1);
  records[0].check = 5;
  EXPECT_EQ(ReadFiles(spec, records), 0);
  EXPECT_EQ(records[0].check, 0);
}

TEST(ReadFileX, RefusesABlockNotPreparedForRecords) {
  const std::wstring folder = ScratchFolder();
  WriteBytes(folder + L"\\a.txt", "x");
  const std::string spec = Sjis(folder + L"\\*.*");
  WorkBlock block{};
  std::int32_t scratch = 0;
  EXPECT_THROW(extlib::ReadFileX(spec, scratch, block), base::AppError);
  std::vector<NameSlot> slots(1);
  extlib::fnAV(block, slots, IndexList{1});
  EXPECT_THROW(extlib::ReadFileX(spec, scratch, block), base::AppError);
  WorkBlock names{};
  EXPECT_THROW(extlib::ReadDirT(spec, names), base::AppError);
}

TEST(FnAV, FirstSlotMustLieInTheTarget) {
  std::vector<FileRecord> records(2);
  std::vector<NameSlot> slots(2);
  WorkBlock block{};
  for (const std::int32_t bad : {0, -1, 4}) {
    EXPECT_THROW(extlib::fnAV(block, records, IndexList{bad}), base::AppError) << bad;
    EXPECT_THROW(extlib::fnAV(block, slots, IndexList{bad}), base::AppError) << bad;
  }
  EXPECT_NO_THROW(extlib::fnAV(block, records, IndexList{3}));  // nothing left to fill
  EXPECT_EQ(testsupport::Raised([&] { extlib::fnAV(block, records, IndexList{0}); }).kind(),
            base::AppError::Kind::OutOfRange);
}

// ------------------------------------------------- the last listing kept

TEST(ListingReuse, ReadFillsWhatTheCountFound) {
  // The count and the read that follows agree even when the folder changes
  // between them: the folder is listed once, by the count.
  const std::wstring folder = ScratchFolder();
  WriteBytes(folder + L"\\a.txt", "x");
  WriteBytes(folder + L"\\b.txt", "x");
  const std::string spec = Sjis(folder + L"\\*.*");
  ASSERT_EQ(FCount(spec), 2);
  ASSERT_TRUE(DeleteFileW((folder + L"\\b.txt").c_str()));
  std::vector<FileRecord> records(2);
  EXPECT_EQ(ReadFiles(spec, records), 2);
  EXPECT_EQ(records[1].check, 1);
}

TEST(ListingReuse, ASecondReadListsAfresh) {
  const std::wstring folder = ScratchFolder();
  WriteBytes(folder + L"\\a.txt", "x");
  const std::string spec = Sjis(folder + L"\\*.*");
  ASSERT_EQ(FCount(spec), 1);
  std::vector<FileRecord> records(2);
  WorkBlock block{};
  extlib::fnAV(block, records, IndexList{1});
  std::int32_t scratch = 0;
  extlib::ReadFileX(spec, scratch, block);
  EXPECT_EQ(scratch, 1);
  WriteBytes(folder + L"\\b.txt", "x");
  extlib::ReadFileX(spec, scratch, block);
  EXPECT_EQ(scratch, 2);
  EXPECT_EQ(records[1].check, 1);
}

TEST(ListingReuse, CountAfterAChangeSeesIt) {
  const std::wstring folder = ScratchFolder();
  const std::string spec = Sjis(folder + L"\\*.*");
  WriteBytes(folder + L"\\a.txt", "x");
  EXPECT_EQ(FCount(spec), 1);
  WriteBytes(folder + L"\\b.txt", "x");
  EXPECT_EQ(FCount(spec), 2);
  MakeFolder(folder + L"\\sub");
  EXPECT_EQ(DCount(spec), 3);  // ".", ".." and sub
  MakeFolder(folder + L"\\sub2");
  EXPECT_EQ(DCount(spec), 4);
}

TEST(ListingReuse, AWholeListingTellsWhichSubFoldersAreThere) {
  // (No data root here, which the walks of other tests would find.)
  const std::wstring folder = ScratchFolder();
  MakeFolder(folder + L"\\VEILED");
  WriteBytes(folder + L"\\VEILED\\a.txt", "1");
  testsupport::SetHidden(folder + L"\\VEILED");
  ASSERT_EQ(DCount(Sjis(folder + L"\\*.*")), 2);  // "." and "..": the hidden one is not listed
  EXPECT_EQ(FCount(Sjis(folder + L"\\VEILED\\*.*")), 1) << "but it is there";
  ASSERT_EQ(DCount(Sjis(folder + L"\\*.*")), 2);
  EXPECT_EQ(FCount(Sjis(folder + L"\\veiled\\*.*")), 1) << "in either case";
  ASSERT_EQ(DCount(Sjis(folder + L"\\*.*")), 2);
  EXPECT_EQ(FCount(Sjis(folder + L"\\OTHER\\*.*")), 0);
  // Only the next count takes the listing's word for it.
  MakeFolder(folder + L"\\OTHER");
  WriteBytes(folder + L"\\OTHER\\a.txt", "x");
  EXPECT_EQ(FCount(Sjis(folder + L"\\OTHER\\*.*")), 1);
}

TEST(ListingReuse, ReadOfAnotherSpecNeverTakesTheKeptListing) {
  const std::wstring base = ScratchFolder();
  const std::wstring first = base + L"\\first";
  const std::wstring second = base + L"\\second";
  MakeFolder(first);
  MakeFolder(second);
  WriteBytes(first + L"\\one.txt", "x");
  WriteBytes(second + L"\\two.txt", "x");
  MakeFolder(second + L"\\sub");

  ASSERT_EQ(FCount(Sjis(first + L"\\*.*")), 1);
  std::vector<FileRecord> records(1);
  ReadFiles(Sjis(second + L"\\*.*"), records);
  EXPECT_EQ(RecordName(records[0]), L"two.txt");

  // A folder count of the same spec is not a file listing.
  ASSERT_EQ(DCount(Sjis(second + L"\\*.*")), 3);
  std::vector<FileRecord> files(3);
  EXPECT_EQ(ReadFiles(Sjis(second + L"\\*.*"), files), 1);
  EXPECT_EQ(RecordName(files[0]), L"two.txt");

  // And the other way round.
  ASSERT_EQ(FCount(Sjis(second + L"\\*.*")), 1);
  std::vector<NameSlot> slots(3);
  EXPECT_EQ(ReadFolders(Sjis(second + L"\\*.*"), slots), (Names{L".", L"..", L"sub"}));
}

// ---------------------------------------------------------------- DCount / ReadDirT

TEST(DCount, CountsSubFoldersButNotFilesHiddenFoldersOrLinks) {
  const std::wstring folder = ScratchFolder();
  MakeFolder(folder + L"\\A");
  MakeFolder(folder + L"\\表");
  MakeFolder(folder + L"\\H");
  testsupport::SetHidden(folder + L"\\H");
  WriteBytes(folder + L"\\file.txt", "x");
  WriteBytes(folder + L"\\FOLDER", "x");

  EXPECT_EQ(DCount(Sjis(folder + L"\\*.*")), 4);
  EXPECT_EQ(FolderNames(folder + L"\\*.*"), (Names{L".", L"..", L"A", L"表"}));
  EXPECT_EQ(DCount(Sjis(folder + L"\\A*")), 1);
  EXPECT_EQ(DCount(Sjis(folder + L"\\missing\\*.*")), 0);
}

TEST(DCount, NeverCountsAFolderLink) {
  if (!testsupport::HaveLinkLoop()) GTEST_SKIP() << "no right to make a folder link";
  // The link is a folder to the platform, but the library never offers it.
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(kLinkBack, &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);

  EXPECT_EQ(FolderNames(std::wstring(kLinkLoop) + L"\\*.*"), (Names{L".", L".."}));
  EXPECT_EQ(FCount(Sjis(std::wstring(kLinkLoop) + L"\\*.*")), 0);
}

TEST(ReadDirT, FillsNamesOutWithSpacesTo260Characters) {
  const std::wstring folder = ScratchFolder();
  MakeFolder(folder + L"\\表ソ");
  const std::string spec = Sjis(folder + L"\\表*");
  ASSERT_EQ(DCount(spec), 1);
  std::vector<NameSlot> slots(2);
  for (NameSlot& slot : slots) slot.fill(L'#');
  ReadFolders(spec, slots);

  EXPECT_EQ(slots[0][0], L'表');
  EXPECT_EQ(slots[0][1], L'ソ');
  EXPECT_TRUE(std::all_of(slots[0].begin() + 2, slots[0].end(), [](wchar_t c) { return c == L' '; }));
  EXPECT_EQ(extlib::PadTrim(slots[0]), L"表ソ");
  // A slot left over holds only filler.
  EXPECT_TRUE(std::all_of(slots[1].begin(), slots[1].end(), [](wchar_t c) { return c == L' '; }));
  EXPECT_EQ(extlib::PadTrim(slots[1]), L"");
}

TEST(PadTrim, GivesTheBareName) {
  NameSlot slot;
  slot.fill(L' ');
  const std::wstring name = L"a b";
  name.copy(slot.data(), name.size());
  EXPECT_EQ(extlib::PadTrim(slot), L"a b");

  NameSlot zeroed{};
  zeroed[0] = L'.';
  EXPECT_EQ(extlib::PadTrim(zeroed), L".");

  NameSlot full;
  full.fill(L'x');
  EXPECT_EQ(extlib::PadTrim(full), std::wstring(260, L'x'));
}
