#include "conversion/index_file.h"
#include "conversion/commit.h"
#include "conversion/journal.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/expected_texts.h"
#include "support/test_support.h"
#include "base/strconv.h"
#include "base/error.h"
#include "base/limits.h"

using conversion::IndexFile;
using testsupport::Raised;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

struct IndexFolder {
  std::wstring folder = testsupport::ScratchFolder();
  std::wstring prefix = folder + L"\\";
  std::wstring index = prefix + L"PCNT.TXT";
};

// An index of count records "<k>.00,T<k>" for k = 1 .. count.
std::string NumberedIndex(int count) {
  std::string bytes;
  for (int k = 1; k <= count; ++k)
    bytes += std::to_string(k) + ".00,T" + std::to_string(k) + "\r\n";
  return bytes;
}

// The index as the run reads it; a test fails when it could not be replaced.
IndexFile Load(const std::wstring& prefix) {
  conversion::FileUse use = conversion::FileUse::Free;
  std::optional<IndexFile> index = IndexFile::Load(prefix, use);
  if (!index) throw base::AppError(L"could not be replaced: " + std::to_wstring(static_cast<int>(use)));
  return *std::move(index);
}

// The index step of a run with no files staged: under the lock, read, enter, commit.
conversion::Update UpdateIndexFile(const std::wstring& prefix, const std::wstring& t, const std::wstring& value) {
  const std::atomic<bool> stop{false};
  conversion::Staging staging(prefix);
  return conversion::UpdateIndexFile(prefix, staging, t, value, stop, false);
}

bool IndexHasRoomFor(const std::wstring& prefix, const std::wstring& t) { return Load(prefix).HasRoomFor(t); }

// One entry of a run: test t with value, then the index's bytes (none: not looked at).
struct Entry {
  const wchar_t* t;
  const wchar_t* value;
  std::optional<std::string> after;
};

// Entries made one after the other into an index that holds before (none: no index yet).
struct Entries {
  const char* name;
  std::optional<std::string> before;
  std::vector<Entry> entries;
};

const Entries kEntries[] = {
    // A new index takes the header's text as it was read; later runs format it.
    {"CreatesTheIndexWithTheHeaderTextAsRead", std::nullopt,
     {{L"1234", L"12.5", "12.5,1234\r\n"}, {L"1200", L"3", "3.00,1200\r\n12.50,1234\r\n"}}},
    {"TreatsAnEmptyIndexLikeAnAbsentOne", "", {{L"1234", L"12.50000", "12.50000,1234\r\n"}}},
    {"ANewIndexTakesAnEmptyValueAsItStands", std::nullopt, {{L"K20", L"", ",K20\r\n"}}},
    {"ANewIndexTakesAValueThatIsNoNumberAsItStands", std::nullopt,
     {{L"78", L"12.5m", "12.5m,78\r\n"}, {L"79", L"abc", ".00,79\r\n12.50,78\r\n"}}},
    // A value is its leading number, 0 without one: a heading line is a record.
    {"ReadsValuesAsSequentialInputReadsNumbers", "12.5m,A\r\nabc,0999\r\n,K20\r\n\x92\x6C,\x8E\x8E\x8C\xB1\x94\xD4\x8D\x86\r\n",
     {{L"B", L"1", ".00,0999\r\n.00,K20\r\n.00,\x8E\x8E\x8C\xB1\x94\xD4\x8D\x86\r\n1.00,B\r\n12.50,A\r\n"}}},
    {"SortsTheRecordsAndPlacesANewTest", "5.00,A\r\n2.00,B\r\n",
     {{L"C", L"4", "2.00,B\r\n4.00,C\r\n5.00,A\r\n"},
      {L"D", L"-1.5", "-1.50,D\r\n2.00,B\r\n4.00,C\r\n5.00,A\r\n"},
      {L"E", L"12345.678", "-1.50,D\r\n2.00,B\r\n4.00,C\r\n5.00,A\r\n12345.68,E\r\n"}}},
    {"UpdatesARecordInPlace", "12.50,1234\r\n", {{L"1234", L"7.25", "7.25,1234\r\n"}}},
    {"UpdatesARecordInPlaceAmongOthers", "1.00,A\r\n2.00,1234\r\n3.00,B\r\n",
     {{L"1234", L"9", "1.00,A\r\n3.00,B\r\n9.00,1234\r\n"}}},
    {"GivesEveryRecordOfTheTestTheNewValue", "1.00,A\r\n2.00,B\r\n3.00,A\r\n",
     {{L"A", L"5", "2.00,B\r\n5.00,A\r\n5.00,A\r\n"}}},
    {"KeepsTheOrderOfEqualValues", "3.00,X\r\n3.00,Y\r\n", {{L"Z", L"3", "3.00,X\r\n3.00,Y\r\n3.00,Z\r\n"}}},
    {"KeepsTheOrderOfEqualValuesWhenSorting", "3.00,Y\r\n3.00,X\r\n1.00,W\r\n",
     {{L"V", L"3.0", "1.00,W\r\n3.00,Y\r\n3.00,X\r\n3.00,V\r\n"}}},
    {"FormatsEveryValue", std::nullopt,
     {{L"P", L"0.5", "0.5,P\r\n"},
      {L"Q", L"0", ".00,Q\r\n.50,P\r\n"},
      {L"R", L"0.125", ".00,Q\r\n.13,R\r\n.50,P\r\n"}}},
    {"CountsAValueThatIsNoNumberAsZero", "5.00,A\r\n",
     {{L"B", L"abc", std::nullopt}, {L"C", L"", ".00,B\r\n.00,C\r\n5.00,A\r\n"}}},
    {"ReadsQuotedAndUnterminatedRecordsAndSkipsBlankLines", " \"1.5\" , \"A\"\r\n\r\n0.75,B\n \t\r\n",
     {{L"C", L"1", ".75,B\r\n1.00,C\r\n1.50,A\r\n"}}},
    // Written as it stands, "1,5" would read back as the value 1 of a test "5".
    {"ANewIndexTakesAValueItCouldNotWriteBackFormatted", std::nullopt, {{L"1234", L"1,5", "1.00,1234\r\n"}}},
    {"ANewIndexTakesALineEndInAValueFormatted", std::nullopt, {{L"1234", L"2\r\n5", "2.00,1234\r\n"}}},
    {"WritesJapaneseTestNumbersInShiftJis", std::nullopt,
     {{L"表ソ", L"2", "2,\x95\x5C\x83\x5C\r\n"},
      {L"能1", L"1", "1.00,\x94\x5C" "1\r\n2.00,\x95\x5C\x83\x5C\r\n"},
      {L"表ソ", L"0.5", ".50,\x95\x5C\x83\x5C\r\n1.00,\x94\x5C" "1\r\n"}}},
    // What this program writes is read back, also half-width katakana, whose
    // bytes can be valid UTF-8 (ﾂｱ is C2 B1), and 表 with its 5C.
    {"ReadsBackWhatItWrote", std::nullopt,
     {{L"ﾂｱ", L"1", "1,\xC2\xB1\r\n"},
      {L"ﾃｽﾄ", L"2", "1.00,\xC2\xB1\r\n2.00,\xC3\xBD\xC4\r\n"},
      {L"表層01", L"3", "1.00,\xC2\xB1\r\n2.00,\xC3\xBD\xC4\r\n3.00,\x95\x5C\x91\x77" "01\r\n"},
      {L"ﾂｱ", L"4", "2.00,\xC3\xBD\xC4\r\n3.00,\x95\x5C\x91\x77" "01\r\n4.00,\xC2\xB1\r\n"}}},
    // Code page 932 has two forms of some characters (the NEC ones of lead
    // byte 87, the NEC-selected IBM ones of ED and EE): a name keeps its own.
    {"KeepsTheBytesOfEveryNameItDoesNotChange", "1.00,\x87\x90" "A\r\n2.00,\xED\x40\r\n3.00,\xEE\xEF\r\n",
     {{L"B", L"0.5", ".50,B\r\n1.00,\x87\x90" "A\r\n2.00,\xED\x40\r\n3.00,\xEE\xEF\r\n"}}},
    // A text that would not read back as it stands is written formatted.
    {"ANewIndexTakesAControlCharacterInAValueFormatted", std::nullopt, {{L"A", L"1\x07", "1.00,A\r\n"}}},
    {"ANewIndexTakesATrailingTabFormatted", std::nullopt, {{L"A", L"2.5\t", "2.50,A\r\n"}}},
    // The old end-of-file mark ends the file and is not written back.
    {"ACtrlZAtTheEndEndsTheFile", "1.00,A\r\n\x1A", {{L"B", L"2", "1.00,A\r\n2.00,B\r\n"}}},
    {"ACtrlZAloneIsAnEmptyIndex", "\x1A\r\n", {{L"B", L"2.5", "2.5,B\r\n"}}},
    // Room is counted in records: the hundredth is taken, a full index still updates a test it holds.
    {"TheHundredthRecordIsTaken", NumberedIndex(base::kIndexCapacity - 1),
     {{L"T100", L"100", NumberedIndex(base::kIndexCapacity)}}},
    {"AFullIndexStillUpdatesATestItHolds", NumberedIndex(base::kIndexCapacity),
     {{L"T1", L"1000",
       NumberedIndex(base::kIndexCapacity).substr(std::string("1.00,T1\r\n").size()) + "1000.00,T1\r\n"}}},
};

}  // namespace

TEST(UpdateIndexFile, EntersEachValueAndKeepsTheIndexSorted) {
  for (const Entries& row : kEntries) {
    SCOPED_TRACE(row.name);
    IndexFolder f;
    if (row.before) WriteBytes(f.index, *row.before);
    std::vector<std::wstring> files{L"PCNT.TXT"};
    for (const Entry& entry : row.entries) {
      // Its data file is there, as after a run: the folder tells how the index reads.
      const std::wstring data = entry.t + std::wstring(L".GRA");
      if (!testsupport::Exists(f.prefix + data)) WriteBytes(f.prefix + files.emplace_back(data), "data");
      EXPECT_TRUE(IndexHasRoomFor(f.prefix, entry.t));
      EXPECT_EQ(UpdateIndexFile(f.prefix, entry.t, entry.value), conversion::Update::Done);
      if (!entry.after) continue;
      EXPECT_EQ(ReadBytes(f.index), *entry.after);
    }
    EXPECT_EQ(testsupport::FolderContents(f.folder), testsupport::Sorted(files));
  }
}

// What cannot be read faithfully is never rewritten: the run stops with the
// line, and the file keeps every byte.
TEST(IndexFile, AnIndexThatCannotBeReadFaithfullyIsRefusedByLine) {
  struct Case {
    std::string bytes;
    int line;
    const wchar_t* reason;
    const wchar_t* held = nullptr;  // a test whose files are in the folder
  };
  const wchar_t* notShiftJis = expected::kNotShiftJis.c_str();
  const wchar_t* bom = L"ファイルの先頭にバイト順マーク (BOM) があります。";
  const wchar_t* utf8 = L"UTF-8 で保存されたファイルは読み取れません。";
  const wchar_t* notARecord = L"「値,試験番号」の形になっていません。";
  const Case cases[] = {
      {"1.00,A\r\n2.00,B\x81\x20\r\n", 2, notShiftJis},       // lead byte, invalid second byte
      {"1.00,A\r\n\r\n2.00,B\x81", 3, notShiftJis},            // a lone lead byte at the end
      {"\xEF\xBB\xBF" "1.00,\xE8\xA1\xA8\r\n", 1, bom},      // UTF-8 as editors save it
      {"\xFF\xFE" "1\0.\0", 1, bom},
      // Notepad's UTF-8, 表層01, whose files are there (valid Shift-JIS as well)
      {"1.00,A\r\n2.00,\xE8\xA1\xA8\xE5\xB1\xA4" "01\r\n", 2, utf8, L"表層01"},
      {"1.00,A\r\n\x1A" "2.00,B\r\n", 2, notARecord},             // a Ctrl-Z with records after it
      {"1.00,A\r\n2.50\r\n3.00,B\r\n", 2, notARecord},        // a value without a comma
      {"1.00,A,B\r\n", 1, notARecord},
      {"1.00,\r\n", 1, notARecord},                             // no test number
      {"1.00,\"A,B\"\r\n", 1, notARecord},                       // would not read back the same
      {"\"1.00\r\n2\",A\r\n", 1, notARecord},
  };
  for (const Case& c : cases) {
    IndexFolder f;
    WriteBytes(f.index, c.bytes);
    std::vector<std::wstring> files{L"PCNT.TXT"};
    if (c.held) WriteBytes(f.prefix + files.emplace_back(c.held + std::wstring(L".GRA")), "data");
    const std::wstring message = Raised([&] { UpdateIndexFile(f.prefix, L"NEW", L"1"); }).message();
    const std::wstring head = expected::IndexUnreadable(f.index, c.line) + c.reason;
    EXPECT_EQ(message.substr(0, head.size()), head) << testing::PrintToString(c.bytes);
    EXPECT_EQ(ReadBytes(f.index), c.bytes);
    EXPECT_EQ(testsupport::FolderContents(f.folder), testsupport::Sorted(files));
  }
}

// Shift-JIS that is valid UTF-8 as well: a level-2 kanji (lead byte E0-EA)
// followed by a full-width sign or a half-width katakana. Even when every
// name "has its files in the folder", none of it is taken for UTF-8.
TEST(IndexFile, WhatTheProgramWritesIsNeverTakenForUtf8) {
  const auto everyName = [](const std::wstring&) { return true; };
  std::vector<std::string> seconds;
  for (int trail = 0x40; trail <= 0xFC; ++trail) seconds.push_back({'\x81', static_cast<char>(trail)});
  for (int kana = 0xA1; kana <= 0xDF; ++kana) seconds.push_back({static_cast<char>(kana)});
  int validUtf8 = 0;
  for (int lead = 0xE0; lead <= 0xEA; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string kanji{static_cast<char>(lead), static_cast<char>(trail)};
      if (!base::TryFromSjis(kanji)) continue;
      for (const std::string& second : seconds) {
        const std::string bytes = "1.00," + kanji + second + "01\r\n";
        if (!base::TryFromSjis(bytes)) continue;
        validUtf8 += base::TryFromUtf8(bytes).has_value();
        ASSERT_NE(conversion::ReadingOf(bytes, everyName).as, conversion::Reading::As::Utf8)
            << testing::PrintToString(bytes);
      }
    }
  }
  EXPECT_GT(validUtf8, 1000) << "names that are valid UTF-8 were tried";
}

TEST(IndexCapacity, AFullIndexTakesNoNewTestAndStaysUntouched) {
  IndexFolder f;
  const std::string full = NumberedIndex(base::kIndexCapacity);
  WriteBytes(f.index, full);
  EXPECT_FALSE(IndexHasRoomFor(f.prefix, L"NEW"));
  EXPECT_EQ(UpdateIndexFile(f.prefix, L"NEW", L"1"), conversion::Update::Full);
  IndexFile index = Load(f.prefix);
  EXPECT_EQ(Raised([&] { index.Enter(L"NEW", L"1"); }).message(), expected::IndexFull(L"NEW") + L"\n" + f.index);
  EXPECT_EQ(ReadBytes(f.index), full);
  EXPECT_EQ(testsupport::FolderContents(f.folder), std::vector<std::wstring>{L"PCNT.TXT"});
}

TEST(IndexCapacity, AnOverfullIndexIsNeverRewritten) {
  IndexFolder f;
  const std::string overfull = NumberedIndex(base::kIndexCapacity + 1);
  WriteBytes(f.index, overfull);
  EXPECT_FALSE(IndexHasRoomFor(f.prefix, L"T1"));
  EXPECT_EQ(UpdateIndexFile(f.prefix, L"T1", L"5"), conversion::Update::Full);
  EXPECT_EQ(ReadBytes(f.index), overfull);
}

TEST(IndexCapacity, AnAbsentIndexHasRoom) {
  IndexFolder f;
  EXPECT_TRUE(IndexHasRoomFor(f.prefix, L"1"));
  EXPECT_FALSE(testsupport::Exists(f.index));
}

// Another program's handle that would make the replace fail (no sharing; or
// read or write access without letting the file go, as a spreadsheet holds
// the file it shows), and the read-only attribute, are found when the index
// is read, before anything is written; a handle that lets the file be
// replaced is no obstacle, even one open for writing.
TEST(IndexFailure, WhatWouldStopTheReplaceIsFoundWhenTheIndexIsRead) {
  using conversion::FileUse;
  constexpr DWORD kAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const struct {
    DWORD access;
    DWORD share;
    DWORD attributes;
    FileUse use;
  } rows[] = {{GENERIC_READ, 0, FILE_ATTRIBUTE_NORMAL, FileUse::InUse},
              {GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, FileUse::InUse},
              {GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_ATTRIBUTE_NORMAL, FileUse::InUse},
              {GENERIC_WRITE, kAll, FILE_ATTRIBUTE_NORMAL, FileUse::Free},
              {0, 0, FILE_ATTRIBUTE_READONLY, FileUse::ReadOnly}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "access " << row.access << ", share " << row.share << ", attributes "
                                    << row.attributes);
    IndexFolder f;
    WriteBytes(f.index, "5.00,A\r\n");
    SetFileAttributesW(f.index.c_str(), row.attributes);
    HANDLE other = row.access == 0 ? INVALID_HANDLE_VALUE
                                   : CreateFileW(f.index.c_str(), row.access, row.share, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(other == INVALID_HANDLE_VALUE, row.access == 0);
    FileUse use = FileUse::Free;
    const std::optional<IndexFile> index = IndexFile::Load(f.prefix, use);
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    EXPECT_EQ(use, row.use);
    EXPECT_EQ(index.has_value(), row.use == FileUse::Free);
    SetFileAttributesW(f.index.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(f.index), "5.00,A\r\n");
  }
}

// A virus scanner or an indexer holds a fresh file for a moment: the replace
// waits for it, and a hold that does not end fails it with the reason, the
// old index kept and nothing left beside it.
TEST(IndexFailure, TheReplaceWaitsForAMomentaryHoldOnly) {
  for (const DWORD holdMs : {DWORD{300}, DWORD{INFINITE}}) {
    SCOPED_TRACE(holdMs);
    IndexFolder f;
    WriteBytes(f.index, "5.00,A\r\n");
    {
      conversion::Staging staging(f.prefix);
      IndexFile index = Load(f.prefix);
      index.Enter(L"B", L"1");
      const base::ScopedFile lock = conversion::LockIndex(f.prefix, 0);
      HANDLE other = CreateFileW(f.index.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(other, INVALID_HANDLE_VALUE);
      std::thread release([&] {
        if (holdMs != INFINITE) Sleep(holdMs);
        if (holdMs != INFINITE) CloseHandle(other);
      });
      const auto commit = [&] { conversion::Commit(f.prefix, staging.Plan(index.NewContent(), index.Read()), lock); };
      if (holdMs != INFINITE) {
        commit();
        release.join();
        EXPECT_EQ(ReadBytes(f.index), "1.00,B\r\n5.00,A\r\n");
      } else {
        release.join();
        const std::wstring message = Raised(commit).message();
        CloseHandle(other);
        const std::wstring head = expected::Failure(expected::kCannotWriteIndex, f.index);
        EXPECT_EQ(message.rfind(head, 0), 0u) << message;
        EXPECT_GT(message.size(), head.size()) << "and why";
        EXPECT_EQ(ReadBytes(f.index), "5.00,A\r\n");
      }
    }
    EXPECT_EQ(testsupport::FolderContents(f.folder), std::vector<std::wstring>{L"PCNT.TXT"});
  }
}

TEST(IndexFailure, AValueOutOfRangeLeavesTheIndexAsItWas) {
  IndexFolder f;
  WriteBytes(f.index, "5.00,A\r\n");
  const std::wstring message = Raised([&] { UpdateIndexFile(f.prefix, L"B", L"1e39"); }).message();
  EXPECT_NE(message.find(L"B"), std::wstring::npos);
  EXPECT_NE(message.find(L"1e39"), std::wstring::npos);
  EXPECT_EQ(ReadBytes(f.index), "5.00,A\r\n");

  WriteBytes(f.index, "1e40,A\r\n");
  const std::wstring bad = Raised([&] { UpdateIndexFile(f.prefix, L"B", L"1"); }).message();
  EXPECT_NE(bad.find(f.index), std::wstring::npos);
  EXPECT_EQ(ReadBytes(f.index), "1e40,A\r\n");
}

TEST(IndexFailure, AMissingDestinationFolderCreatesNothing) {
  IndexFolder f;
  const std::wstring missing = f.folder + L"\\gone\\";
  const std::wstring message = Raised([&] { UpdateIndexFile(missing, L"B", L"1"); }).message();
  EXPECT_NE(message.find(missing), std::wstring::npos);
  EXPECT_TRUE(testsupport::FolderContents(f.folder).empty());
}
