// JSON read back from files that may come from anywhere: a bounded parse without recursion into
// a compact document, and refusals that are one short printable line with their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/result.h"

namespace sysinfo {

enum class JsonKind : std::uint8_t { Null, False, True, Number, String, Array, Object };

// What a text read back may hold at most. A file a reader needs should fit well inside.
struct JsonLimits {
  std::uint64_t maxBytes = 64u << 20;  // the whole text (at most 4 GiB - 1)
  std::size_t maxDepth = 16;  // arrays and objects open inside each other
  std::size_t maxValues = 4'000'000;  // each takes 28 bytes of the document
};

// A number as the reader holds it. A whole number written without fraction or exponent is exact
// (std::uint64_t only past the range of std::int64_t; past 64 bits it is refused); one written
// with a fraction or exponent is the nearest double, as JSON readers take it.
using JsonNumber = std::variant<std::int64_t, std::uint64_t, double>;

// The value of a number literal the reader accepted.
JsonNumber NumberValue(std::string_view literal);

// Text that is the same for two numbers exactly when they have the same value: 1, 1.0 and 1e0
// give one text, 9007199254740993 and 9007199254740992 two.
std::string NumberKey(const JsonNumber& number);

class JsonDocument;

// One value of a document: a small handle, valid while the document lives (a document may move).
class JsonNode {
 public:
  JsonKind Kind() const;
  bool Is(JsonKind kind) const { return Kind() == kind; }
  // A string's characters (UTF-8) or a number as written; empty for the other kinds.
  std::string_view Text() const;
  // The name this value has as a member of an object; empty elsewhere.
  std::string_view Name() const;
  // The byte offset in the text where the value starts (a member: where its name starts).
  std::size_t Offset() const;
  // An array's elements or an object's members; 0 for the other kinds.
  std::size_t Size() const;
  // An object's member by name, searched in order (a caller indexes a large object itself).
  std::optional<JsonNode> Find(std::string_view name) const;
  // A number's value; only for a number.
  JsonNumber Number() const { return NumberValue(Text()); }

  // The elements or members in the order of the text.
  class Iterator {
   public:
    JsonNode operator*() const { return {document_, index_}; }
    Iterator& operator++();
    bool operator==(const Iterator& other) const = default;

   private:
    friend class JsonNode;
    Iterator(const JsonDocument* document, std::uint32_t index)
        : document_(document), index_(index) {}
    const JsonDocument* document_;
    std::uint32_t index_;
  };
  Iterator begin() const;
  Iterator end() const;

 private:
  friend class JsonDocument;
  friend class JsonParser;
  friend bool SameJson(JsonNode a, JsonNode b);
  JsonNode(const JsonDocument* document, std::uint32_t index)
      : document_(document), index_(index) {}
  const JsonDocument* document_;
  std::uint32_t index_;
};

// Whether two values are the same: one kind, strings of the same characters, numbers of the same
// value (NumberKey), arrays and objects with the same members in the same order. No recursion.
bool SameJson(JsonNode a, JsonNode b);

// A parsed text: every value in document order in one array, each container followed by its
// contents, strings decoded into one buffer. Nothing in it recurses, destruction included.
class JsonDocument {
 public:
  JsonNode Root() const { return {this, 0}; }

 private:
  friend class JsonNode;
  friend class JsonParser;
  friend bool SameJson(JsonNode a, JsonNode b);
  struct Entry {
    JsonKind kind = JsonKind::Null;
    std::uint32_t offset = 0;  // in the text
    std::uint32_t end = 0;  // the index after the value and its contents
    std::uint32_t name = 0, nameLength = 0;  // in `text`
    std::uint32_t text = 0, textLength = 0;  // in `text`; a container's count in textLength
  };
  struct Data {
    std::vector<Entry> entries;
    std::string text;  // names, strings and number literals, one after another
  };
  const Entry& At(std::uint32_t index) const { return data_->entries[index]; }
  std::string_view Piece(std::uint32_t start, std::uint32_t length) const {
    return std::string_view(data_->text).substr(start, length);
  }
  std::unique_ptr<Data> data_ = std::make_unique<Data>();
};

// The document `text` holds, or why it holds none (FileRefused: a short printable reason, and in
// `at` the byte offset of its place): not JSON (a syntax fault, text that is not UTF-8, a lone
// surrogate escape), past the limits, a whole number past 64 bits or a number out of a double's
// range, an object with two members of one name. A refused text gives an empty document, which
// has no root to read.
Result<JsonDocument> ParseJson(std::string_view text, const JsonLimits& limits);

// What a reader wants of a document beyond being JSON: nothing when it is one the reader can
// use, else what is wrong and where (RefusedAt).
using JsonCheck = std::function<Status(const JsonDocument&)>;

// A check's refusal: the reason and the place of the value `node`.
Error RefusedAt(JsonNode node, std::string reason);

// A document read from a file or a text; when it is refused, an empty document and the refusal
// with RefusalLine's one line as its message.
using JsonRead = Result<JsonDocument>;

// ParseJson and then `check`.
JsonRead ReadJsonText(std::string_view text, std::string_view file, const JsonLimits& limits,
                      const JsonCheck& check);

// One printable line of at most 170 characters: the file as named (cut in its middle past 56),
// the line and column of the fault in `text`, and the reason. Without a text, the file and the
// reason alone.
std::string RefusalLine(std::string_view file, std::string_view text, const Error& fault);
std::string RefusalLine(std::string_view file, std::string_view reason);
// The line and column of the fault in `text` and the reason, without the file: for a reader that
// names the file beside it ("line 3, column 7: nesting deeper than 32").
std::string RefusalPlace(std::string_view text, const Error& fault);

// Text from a file for a refusal: in double quotes, control characters shown as markers, cut in
// its middle past 40 characters.
std::string QuotedForRefusal(std::string_view text);

}  // namespace sysinfo
