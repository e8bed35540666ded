#include "conversion/index_file.h"

#include <cstddef>
#include <string>
#include <vector>

#include "conversion/field_input.h"
#include "conversion/file_io.h"
#include "conversion/number_text.h"
#include "extlib/extlib.h"
#include "textutil/codepage.h"
#include "textutil/error.h"

namespace conversion {
namespace {

constexpr wchar_t kIndexName[] = L"PCNT.TXT";
constexpr wchar_t kReadFailure[] = L"PCNT.TXT を読み込めません。";
constexpr wchar_t kWriteFailure[] = L"PCNT.TXT を書き込めません。";

struct Index {
  std::vector<float> values;
  std::vector<std::wstring> names;
};

// A value that does not fit a single names the file or header it came from.
float ValueOf(const std::wstring& text, const std::wstring& where) {
  try {
    return SingleOf(text);
  } catch (const textutil::AppError& error) {
    throw textutil::AppError(error.kind(), where + L"\n\n" + error.message());
  }
}

Index ParseIndex(std::string bytes, const std::wstring& path) {
  Index index;
  FieldReader reader(std::move(bytes));
  while (!reader.AtEnd()) {
    const std::wstring value = reader.Read();
    index.values.push_back(ValueOf(value, std::wstring(kReadFailure) + L"\n" + path));
    index.names.push_back(reader.Read());
  }
  return index;
}

bool Holds(const Index& index, const std::wstring& t) {
  for (const auto& name : index.names)
    if (name == t) return true;
  return false;
}

bool HasRoom(const Index& index, const std::wstring& t) {
  const std::size_t records = index.names.size();
  if (records > static_cast<std::size_t>(kIndexCapacity)) return false;
  return records < static_cast<std::size_t>(kIndexCapacity) || Holds(index, t);
}

// The records change places through the utility library, the names in their
// Shift-JIS form.
void Exchange(Index& index, std::size_t a, std::size_t b) {
  extlib::Swap(index.values[a], index.values[b], extlib::kSwapSingle);
  std::string first = textutil::ToSjis(index.names[a]);
  std::string second = textutil::ToSjis(index.names[b]);
  extlib::Swap(first, second, extlib::kSwapText);
  index.names[a] = textutil::FromSjis(first);
  index.names[b] = textutil::FromSjis(second);
}

// Only a strictly greater value moves, so records of equal value keep their order.
void SortByValue(Index& index) {
  const std::size_t count = index.values.size();
  for (std::size_t i = count; i >= 2; --i)
    for (std::size_t j = 1; j < i; ++j)
      if (index.values[j - 1] > index.values[j]) Exchange(index, j - 1, j);
}

}  // namespace

std::wstring IndexFullMessage(const std::wstring& t) {
  return L"送り先の PCNT.TXT には既に " + std::to_wstring(kIndexCapacity) +
         L" 件の試験が登録されているため、試験番号 " + t +
         L" は変換しませんでした。";
}

bool IndexHasRoomFor(const std::wstring& destPrefix, const std::wstring& t) {
  const std::wstring path = destPrefix + kIndexName;
  return HasRoom(ParseIndex(ReadFileIfPresent(path, kReadFailure), path), t);
}

void UpdateIndexFile(const std::wstring& destPrefix, const std::wstring& t,
                     const std::wstring& headerValue) {
  const std::wstring path = destPrefix + kIndexName;
  std::string old = ReadFileIfPresent(path, kReadFailure);

  std::string content;
  if (old.empty()) {
    // A new index takes the header's text as it stands.
    content = textutil::ToSjis(headerValue + L"," + t) + "\r\n";
  } else {
    Index index = ParseIndex(std::move(old), path);
    if (!HasRoom(index, t)) throw textutil::AppError(IndexFullMessage(t) + L"\n" + path);
    const float value = ValueOf(headerValue, L"試験番号 " + t + L" のヘッダの値");
    bool found = false;
    for (std::size_t k = 0; k < index.names.size(); ++k) {
      if (index.names[k] == t) {
        index.values[k] = value;
        found = true;
      }
    }
    if (!found) {
      index.values.push_back(value);
      index.names.push_back(t);
    }
    SortByValue(index);
    for (std::size_t k = 0; k < index.names.size(); ++k)
      content += textutil::ToSjis(FormatValue(index.values[k]) + L"," + index.names[k]) + "\r\n";
  }
  ReplaceFileContent(path, destPrefix, content, kWriteFailure);
}

}  // namespace conversion
