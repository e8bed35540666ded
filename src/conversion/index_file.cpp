#include "conversion/index_file.h"

#include <cstddef>
#include <string>
#include <vector>

#include "conversion/field_input.h"
#include "conversion/file_io.h"
#include "conversion/number_text.h"
#include "extlib/extlib.h"
#include "base/error.h"
#include "base/messages.h"
#include "base/strconv.h"

namespace conversion {
namespace {

constexpr wchar_t kIndexName[] = L"PCNT.TXT";
constexpr const wchar_t* kReadFailure = base::text::kCannotReadIndex;
constexpr const wchar_t* kWriteFailure = base::text::kCannotWriteIndex;

struct Index {
  std::vector<float> values;
  std::vector<std::wstring> names;
};

// A value that does not fit a single names the file or header it came from.
float ValueOf(const std::wstring& text, const std::wstring& where) {
  try {
    return SingleOf(text);
  } catch (const base::AppError& error) {
    throw base::AppError(error.kind(), where + L"\n\n" + error.message());
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
  if (records > static_cast<std::size_t>(base::kIndexCapacity)) return false;
  return records < static_cast<std::size_t>(base::kIndexCapacity) || Holds(index, t);
}

// The records change places through the utility library, the names in their
// Shift-JIS form.
void Exchange(Index& index, std::size_t a, std::size_t b) {
  extlib::Swap(index.values[a], index.values[b], extlib::kSwapSingle);
  std::string first = base::ToSjis(index.names[a]);
  std::string second = base::ToSjis(index.names[b]);
  extlib::Swap(first, second, extlib::kSwapText);
  index.names[a] = base::FromSjis(first);
  index.names[b] = base::FromSjis(second);
}

// Only a strictly greater value moves, so records of equal value keep their order.
void SortByValue(Index& index) {
  const std::size_t count = index.values.size();
  for (std::size_t i = count; i >= 2; --i)
    for (std::size_t j = 1; j < i; ++j)
      if (index.values[j - 1] > index.values[j]) Exchange(index, j - 1, j);
}

}  // namespace

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
    content = base::ToSjis(headerValue + L"," + t) + "\r\n";
  } else {
    Index index = ParseIndex(std::move(old), path);
    if (!HasRoom(index, t)) throw base::AppError(base::text::IndexFull(t) + L"\n" + path);
    const float value = ValueOf(headerValue, base::text::kNoFifthFieldBefore + t + base::text::kHeaderValueOf);
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
      content += base::ToSjis(FormatValue(index.values[k]) + L"," + index.names[k]) + "\r\n";
  }
  ReplaceFileContent(path, destPrefix, content, kWriteFailure);
}

}  // namespace conversion
