// JSON read as hostile input: an iterative parse with bounds, exact numbers and unique names.
#include "report/json_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/name_table.h"
#include "report/report.h"
#include "base/wtf8.h"

namespace sysinfo {
namespace {

// No number this program writes comes near; a longer one is refused before it is converted.
constexpr std::size_t kMaxNumberLength = 64;
// Objects up to this many members are checked for a repeated name pair by pair, larger ones
// through a table of their names: both stay linear in practice and the small ones allocate
// nothing.
constexpr std::size_t kPairwiseNames = 16;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

JsonNumber NumberValue(std::string_view literal) {
  const char* first = literal.data();
  const char* last = first + literal.size();
  if (literal.find_first_of(".eE") == std::string_view::npos) {
    std::int64_t signedValue = 0;
    if (std::from_chars(first, last, signedValue).ec == std::errc()) return signedValue;
    std::uint64_t unsignedValue = 0;
    std::from_chars(first, last, unsignedValue);
    return unsignedValue;
  }
  double value = 0;
  std::from_chars(first, last, value);
  return value;
}

std::string NumberKey(const JsonNumber& number) {
  if (const auto* whole = std::get_if<std::int64_t>(&number)) return std::to_string(*whole);
  if (const auto* whole = std::get_if<std::uint64_t>(&number)) return std::to_string(*whole);
  const double value = std::get<double>(number);
  // A double that is a whole number in 64-bit range is keyed as that whole number.
  constexpr double kTwo63 = 9223372036854775808.0;
  if (value == std::floor(value) && value >= -kTwo63 && value < 2 * kTwo63) {
    if (value < 0) return std::to_string(static_cast<std::int64_t>(value));
    return std::to_string(static_cast<std::uint64_t>(value));
  }
  char buffer[64] = {'~'};  // never the start of a whole number's text
  const auto written = std::to_chars(buffer + 1, buffer + sizeof buffer, value);
  return std::string(buffer, written.ptr);
}

// ---- nodes ----

JsonKind JsonNode::Kind() const { return document_->At(index_).kind; }

std::string_view JsonNode::Text() const {
  const auto& entry = document_->At(index_);
  if (entry.kind != JsonKind::String && entry.kind != JsonKind::Number) return {};
  return document_->Piece(entry.text, entry.textLength);
}

std::string_view JsonNode::Name() const {
  const auto& entry = document_->At(index_);
  return document_->Piece(entry.name, entry.nameLength);
}

std::size_t JsonNode::Offset() const { return document_->At(index_).offset; }

std::size_t JsonNode::Size() const {
  const auto& entry = document_->At(index_);
  return entry.kind == JsonKind::Array || entry.kind == JsonKind::Object ? entry.textLength : 0;
}

std::optional<JsonNode> JsonNode::Find(std::string_view name) const {
  if (!Is(JsonKind::Object)) return std::nullopt;
  for (JsonNode member : *this) {
    if (member.Name() == name) return member;
  }
  return std::nullopt;
}

JsonNode::Iterator& JsonNode::Iterator::operator++() {
  index_ = document_->At(index_).end;
  return *this;
}

JsonNode::Iterator JsonNode::begin() const {
  return Size() == 0 ? end() : Iterator(document_, index_ + 1);
}

JsonNode::Iterator JsonNode::end() const { return {document_, document_->At(index_).end}; }

bool SameJson(JsonNode a, JsonNode b) {
  const JsonDocument& left = *a.document_;
  const JsonDocument& right = *b.document_;
  const std::uint32_t count = left.At(a.index_).end - a.index_;
  if (right.At(b.index_).end - b.index_ != count) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const JsonNode x(&left, a.index_ + i), y(&right, b.index_ + i);
    if (x.Kind() != y.Kind() || x.Size() != y.Size()) return false;
    if (left.At(x.index_).end - a.index_ != right.At(y.index_).end - b.index_) return false;
    if (i > 0 && x.Name() != y.Name()) return false;
    if (x.Text() != y.Text() &&
        (!x.Is(JsonKind::Number) || NumberKey(x.Number()) != NumberKey(y.Number()))) {
      return false;
    }
  }
  return true;
}

// ---- parsing ----

class JsonParser {
 public:
  JsonParser(std::string_view text, const JsonLimits& limits) : text_(text), limits_(limits) {}

  Result<JsonDocument> Run() {
    Status fault = Parse();
    if (fault) return {{}, std::move(fault)};
    return {std::move(document_), {}};
  }

 private:
  using Entry = JsonDocument::Entry;
  struct Member {
    std::size_t start;
    std::uint32_t name, nameLength;
  };

  Status Parse() {
    const std::uint64_t bound = std::min<std::uint64_t>(limits_.maxBytes, UINT32_MAX - 1);
    if (text_.size() > bound) return Fail(0, "larger than " + std::to_string(bound) + " bytes");
    auto& entries = document_.data_->entries;
    SkipBlanks();
    if (!Value({pos_, 0, 0})) return fault_;
    while (!open_.empty()) {
      SkipBlanks();
      const std::uint32_t top = open_.back();
      const bool object = entries[top].kind == JsonKind::Object;
      const char close = object ? '}' : ']';
      if (Take(close)) {
        if (!Close(top)) return fault_;
        continue;
      }
      if (entries[top].textLength > 0) {
        if (!Take(',')) return Fail(pos_, std::string("not JSON: ',' or '") + close + "' expected");
        SkipBlanks();
      }
      Member member{pos_, 0, 0};
      if (object) {
        if (!At('"')) return Fail(pos_, "not JSON: a member name in quotes expected");
        if (!String(member.name, member.nameLength)) return fault_;
        SkipBlanks();
        if (!Take(':')) return Fail(pos_, "not JSON: ':' expected after a member name");
        SkipBlanks();
      }
      if (!Value(member)) return fault_;
    }
    SkipBlanks();
    if (pos_ != text_.size()) return Fail(pos_, "not JSON: more text after the document");
    return std::nullopt;
  }

  Error Fail(std::size_t at, std::string reason) {
    fault_ = {ErrorKind::FileRefused, std::move(reason), at};
    return fault_;
  }
  bool At(char c) const { return pos_ < text_.size() && text_[pos_] == c; }
  bool Take(char c) {
    if (!At(c)) return false;
    ++pos_;
    return true;
  }
  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\t')) {
      ++pos_;
    }
  }
  std::uint32_t Here() const { return static_cast<std::uint32_t>(document_.data_->text.size()); }

  // The value at pos_, as a new entry; an array or object is left open for the loop to fill.
  bool Value(const Member& member) {
    Entry entry;
    entry.offset = static_cast<std::uint32_t>(member.start);
    entry.name = member.name;
    entry.nameLength = member.nameLength;
    if (pos_ >= text_.size()) {
      Fail(pos_, "not JSON: the text ends where a value should be");
      return false;
    }
    if (document_.data_->entries.size() >= limits_.maxValues) {
      Fail(pos_, "more than " + std::to_string(limits_.maxValues) + " values");
      return false;
    }
    switch (text_[pos_]) {
      case '{':
      case '[':
        if (open_.size() >= limits_.maxDepth) {
          Fail(pos_, "nested more than " + std::to_string(limits_.maxDepth) + " levels deep");
          return false;
        }
        entry.kind = text_[pos_++] == '{' ? JsonKind::Object : JsonKind::Array;
        open_.push_back(Add(entry));
        return true;
      case '"':
        entry.kind = JsonKind::String;
        if (!String(entry.text, entry.textLength)) return false;
        break;
      case 't':
        if (!Word("true")) return false;
        entry.kind = JsonKind::True;
        break;
      case 'f':
        if (!Word("false")) return false;
        entry.kind = JsonKind::False;
        break;
      case 'n':
        if (!Word("null")) return false;
        entry.kind = JsonKind::Null;
        break;
      default:
        entry.kind = JsonKind::Number;
        if (!Number(entry.text, entry.textLength)) return false;
    }
    entry.end = static_cast<std::uint32_t>(document_.data_->entries.size() + 1);
    Add(entry);
    return true;
  }

  std::uint32_t Add(const Entry& entry) {
    auto& entries = document_.data_->entries;
    if (!open_.empty()) ++entries[open_.back()].textLength;
    entries.push_back(entry);
    return static_cast<std::uint32_t>(entries.size() - 1);
  }

  bool Close(std::uint32_t container) {
    auto& entries = document_.data_->entries;
    entries[container].end = static_cast<std::uint32_t>(entries.size());
    open_.pop_back();
    return entries[container].kind != JsonKind::Object || UniqueNames(container);
  }

  // Two members of one name would leave a reader to pick one: refused at the second.
  bool UniqueNames(std::uint32_t object) {
    const JsonNode members(&document_, object);
    auto repeated = [&](JsonNode member) {
      Fail(member.Offset(), "a second member named " + QuotedForRefusal(member.Name()));
      return false;
    };
    if (members.Size() <= kPairwiseNames) {
      for (auto later = members.begin(); later != members.end(); ++later) {
        for (auto earlier = members.begin(); earlier != later; ++earlier) {
          if ((*earlier).Name() == (*later).Name()) return repeated(*later);
        }
      }
      return true;
    }
    NameTable names(members.Size());
    for (JsonNode member : members) {
      if (names.Add(member.Name(), 0)) return repeated(member);
    }
    return true;
  }

  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) {
      Fail(pos_, "not JSON: a value expected");
      return false;
    }
    pos_ += word.size();
    return true;
  }

  // The string at pos_ (its opening quote), decoded into the document's text.
  bool String(std::uint32_t& start, std::uint32_t& length) {
    std::string& out = document_.data_->text;
    const std::size_t opening = pos_++;
    start = Here();
    for (;;) {
      const std::size_t run = pos_;
      while (pos_ < text_.size()) {
        const auto byte = static_cast<unsigned char>(text_[pos_]);
        if (byte < 0x20 || byte == '"' || byte == '\\' || byte >= 0x80) break;
        ++pos_;
      }
      out.append(text_.substr(run, pos_ - run));
      if (pos_ >= text_.size()) {
        Fail(opening, "not JSON: a string without its closing quote");
        return false;
      }
      const auto byte = static_cast<unsigned char>(text_[pos_]);
      if (byte == '"') break;
      if (byte < 0x20) {
        Fail(pos_, "not JSON: a control character inside a string");
        return false;
      }
      if (byte >= 0x80) {
        const std::size_t size = Utf8CharacterLength(text_.substr(pos_));
        if (size == 0) {
          Fail(pos_, "bytes that are not UTF-8");
          return false;
        }
        out.append(text_.substr(pos_, size));
        pos_ += size;
      } else if (!Escape(out)) {
        return false;
      }
    }
    ++pos_;
    length = Here() - start;
    return true;
  }

  bool Escape(std::string& out) {
    const std::size_t at = pos_++;
    if (pos_ >= text_.size()) {
      Fail(at, "not JSON: a string without its closing quote");
      return false;
    }
    const char c = text_[pos_++];
    constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
    if (const auto simple = kFrom.find(c); simple != std::string_view::npos) {
      out += kTo[simple];
      return true;
    }
    char32_t code = 0;
    if (c != 'u' || !Hex4(code)) {
      Fail(at, "not JSON: an unknown escape in a string");
      return false;
    }
    char32_t low = 0;
    if (code >= 0xD800 && code <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
      pos_ += 2;
      if (Hex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      }
    }
    if (code >= 0xD800 && code <= 0xDFFF) {
      Fail(at, "a lone surrogate escape in a string");
      return false;
    }
    AppendUtf8(out, code);
    return true;
  }

  bool Hex4(char32_t& code) {
    if (pos_ + 4 > text_.size()) return false;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text_.data() + pos_, text_.data() + pos_ + 4, value,
                                              16);
    if (error != std::errc() || end != text_.data() + pos_ + 4) return false;
    pos_ += 4;
    code = value;
    return true;
  }

  // The number at pos_: its literal kept as written, its value checked (see JsonNumber).
  bool Number(std::uint32_t& start, std::uint32_t& length) {
    const std::size_t first = pos_;
    auto digits = [&] {
      const std::size_t from = pos_;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
      return pos_ > from;
    };
    Take('-');
    const bool leadingZero = At('0');
    bool valid = digits() && !(leadingZero && pos_ - first > 1 + (text_[first] == '-'));
    bool whole = true;
    if (valid && Take('.')) {
      whole = false;
      valid = digits();
    }
    if (valid && (Take('e') || Take('E'))) {
      whole = false;
      if (!Take('+')) Take('-');
      valid = digits();
    }
    if (!valid) {
      Fail(first, "not JSON: a value expected");
      return false;
    }
    const std::string_view literal = text_.substr(first, pos_ - first);
    if (literal.size() > kMaxNumberLength) {
      Fail(first, "a number longer than " + std::to_string(kMaxNumberLength) + " characters");
      return false;
    }
    const char* begin = literal.data();
    const char* end = begin + literal.size();
    if (whole) {
      std::int64_t signedValue = 0;
      std::uint64_t unsignedValue = 0;
      if (std::from_chars(begin, end, signedValue).ec != std::errc() &&
          (literal[0] == '-' || std::from_chars(begin, end, unsignedValue).ec != std::errc())) {
        Fail(first, "a whole number past 64 bits");
        return false;
      }
    } else {
      double value = 0;
      if (std::from_chars(begin, end, value).ec != std::errc()) {
        Fail(first, "a number out of range");
        return false;
      }
    }
    start = Here();
    length = static_cast<std::uint32_t>(literal.size());
    document_.data_->text.append(literal);
    return true;
  }

  std::string_view text_;
  JsonLimits limits_;
  std::size_t pos_ = 0;
  JsonDocument document_;
  std::vector<std::uint32_t> open_;  // the arrays and objects being filled, innermost last
  Error fault_;
};

Result<JsonDocument> ParseJson(std::string_view text, const JsonLimits& limits) {
  return JsonParser(text, limits).Run();
}

// ---- refusals ----

namespace {

// `text` cut to at most `keep` characters by leaving out its middle.
std::string Shortened(std::string_view text, std::size_t keep) {
  std::vector<std::size_t> starts;  // where each character starts; a stray byte is one
  for (std::size_t i = 0; i < text.size();) {
    starts.push_back(i);
    i += std::max<std::size_t>(1, Utf8CharacterLength(text.substr(i)));
  }
  if (starts.size() <= keep) return std::string(text);
  const std::size_t head = keep / 3, tail = keep - head - 3;
  return std::string(text.substr(0, starts[head])) + "..." +
         std::string(text.substr(starts[starts.size() - tail]));
}

// `text` as printable UTF-8: a byte that starts no character as U+FFFD, control characters (tab
// too, which the report keeps) as markers, cut to `keep` characters.
std::string Printable(std::string_view text, std::size_t keep) {
  std::string valid;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t size = Utf8CharacterLength(text.substr(i, 4));
    if (size == 0) {
      valid += "\xEF\xBF\xBD";
    } else {
      valid += text[i] == '\t' ? std::string_view("<U+0009>") : text.substr(i, size);  // a line
    }
    i += std::max<std::size_t>(size, 1);
  }
  std::string visible;
  AppendVisible(visible, valid);
  return Shortened(visible, keep);
}

}  // namespace

std::string QuotedForRefusal(std::string_view text) {
  std::string quoted(1, '"');
  quoted += Printable(text.substr(0, 4096), 40);
  return quoted += '"';
}

std::string RefusalLine(std::string_view file, std::string_view reason) {
  std::string line(1, '"');
  line += Printable(file, 56);
  line += "\": ";
  return line += Printable(reason, 108);
}

std::string RefusalLine(std::string_view file, std::string_view text, const Error& fault) {
  return RefusalLine(file, RefusalPlace(text, fault));
}

std::string RefusalPlace(std::string_view text, const Error& fault) {
  const std::size_t offset = std::min(fault.at, text.size());
  const std::string_view before = text.substr(0, offset);
  const std::size_t line = static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  const std::size_t lineStart = before.rfind('\n') == std::string_view::npos
                                    ? 0
                                    : before.rfind('\n') + 1;
  std::size_t column = 1;
  for (std::size_t i = lineStart; i < offset; ++column) {
    i += std::max<std::size_t>(1, Utf8CharacterLength(text.substr(i, 4)));
  }
  return "line " + std::to_string(line + 1) + ", column " + std::to_string(column) + ": " +
         fault.message;
}

JsonRead ReadJsonText(std::string_view text, std::string_view file, const JsonLimits& limits,
                      const JsonCheck& check) {
  JsonRead read = ParseJson(text, limits);
  if (!read.Failed() && check) read.error = check(read.value);
  if (!read.Failed()) return read;
  Error refusal = *std::move(read.error);
  refusal.message = RefusalLine(file, text, refusal);
  return {{}, std::move(refusal)};
}

Error RefusedAt(JsonNode node, std::string reason) {
  return {ErrorKind::FileRefused, std::move(reason), node.Offset()};
}

}  // namespace sysinfo
