// The XML reader: one pass over the text with a stack of the open elements, each bound checked as
// it is reached, so a hostile document costs at most its own size.
#include "support/xml_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <utility>

#include "base/wtf8.h"
#include "support/registry.h"

namespace sysinfo {
namespace {

constexpr std::size_t kShownNameLength = 40;
constexpr std::string_view kSpace = " \t\n";

bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameCharacter(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The document as UTF-8 with its line ends made LF, as XML reads them: a CR then reaches a value
// only through a character reference.
Result<std::string> DocumentText(std::string_view bytes, std::size_t maxBytes) {
  if (bytes.size() > maxBytes)
    return {{}, Failure("larger than " + std::to_string(maxBytes) + " bytes")};
  if (bytes.starts_with("\xFE\xFF")) return {{}, Failure("UTF-16 big-endian is not read")};
  std::string text;
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (bytes.starts_with("\xFF\xFE")) {
    text = Utf16BytesToUtf8(data + 2, bytes.size() - 2);
  } else {
    text = bytes.substr(bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0);
  }
  std::string normalised;
  normalised.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      normalised += text[i];
    } else if (i + 1 == text.size() || text[i + 1] != '\n') {
      normalised += '\n';
    }
  }
  return {std::move(normalised), {}};
}

class XmlReader {
 public:
  XmlReader(std::string_view text, const XmlLimits& limits) : text_(text), limits_(limits) {}

  Result<XmlElement> Read() {
    while (at_ < text_.size() && !failed_) {
      if (text_[at_] != '<') {
        ReadText();
      } else if (Skip("<?")) {
        SkipPast("?>", "an unclosed processing instruction");
      } else if (Skip("<!--")) {
        SkipPast("-->", "an unclosed comment");
      } else if (Skip("<![CDATA[")) {
        ReadCharacterData();
      } else if (Rest().starts_with("<!DOCTYPE")) {
        Fail("a document type declaration, which is not read");
      } else if (Rest().starts_with("<!")) {
        Fail("a declaration, which is not read");
      } else if (Skip("</")) {
        ReadEndTag();
      } else {
        ReadStartTag();
      }
    }
    if (!failed_ && !open_.empty())
      Fail("the document ends inside <" + XmlShownName(open_.back().name) + ">");
    if (!failed_ && !root_) Fail("no root element");
    if (failed_) return {{}, std::move(error_)};
    return {std::move(*root_), {}};
  }

 private:
  std::string_view Rest() const { return text_.substr(at_); }

  void Fail(const std::string& reason) {
    if (failed_) return;
    failed_ = true;
    const auto line = std::count(text_.begin(), text_.begin() + std::min(at_, text_.size()), '\n');
    error_ = Failure("line " + std::to_string(line + 1) + ": " + reason);
  }

  bool Skip(std::string_view start) {
    if (!Rest().starts_with(start)) return false;
    at_ += start.size();
    return true;
  }

  void SkipPast(std::string_view end, const std::string& reason) {
    const std::size_t found = text_.find(end, at_);
    if (found == std::string_view::npos) return Fail(reason);
    at_ = found + end.size();
  }

  void SkipSpace() {
    while (at_ < text_.size() && kSpace.find(text_[at_]) != std::string_view::npos) ++at_;
  }

  void ReadCharacterData() {
    const std::size_t end = text_.find("]]>", at_);
    if (end == std::string_view::npos) return Fail("an unclosed CDATA section");
    if (open_.empty()) return Fail("a CDATA section outside the root element");
    open_.back().text += text_.substr(at_, end - at_);
    at_ = end + 3;
  }

  // Character data up to the next tag, its references replaced.
  void ReadText() {
    const std::size_t end = std::min(text_.find('<', at_), text_.size());
    const std::string_view text = text_.substr(at_, end - at_);
    if (open_.empty()) {
      if (text.find_first_not_of(kSpace) != std::string_view::npos)
        Fail("text outside the root element");
      at_ = end;
      return;
    }
    AppendReplaced(text, open_.back().text, false);
    if (!failed_) at_ = end;
  }

  // Appends `text` with its references replaced; in an attribute's value a tab or line end is a
  // blank, as XML reads it. On a fault the reason's line is where `text` starts.
  void AppendReplaced(std::string_view text, std::string& out, bool attribute) {
    for (std::size_t i = 0; i < text.size() && !failed_; ++i) {
      if (text[i] == '\0') {
        Fail("a NUL character");
      } else if (text[i] == '&') {
        i = AppendReference(text, i, out);
      } else if (attribute && (text[i] == '\t' || text[i] == '\n')) {
        out += ' ';
      } else {
        out += text[i];
      }
    }
  }

  // The reference at text[amp] appended; gives where it ends.
  std::size_t AppendReference(std::string_view text, std::size_t amp, std::string& out) {
    const std::size_t semicolon = text.find(';', amp);
    if (semicolon == std::string_view::npos || semicolon - amp > 12) {
      Fail("a '&' that starts no reference");
      return text.size();
    }
    const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
    const Result<std::string> referenced = XmlReferenceText(name);
    if (referenced.Failed()) {
      Fail(referenced.error->message);
      return text.size();
    }
    out += referenced.value;
    return semicolon;
  }

  std::string_view ReadName() {
    const std::size_t start = at_;
    if (at_ < text_.size() && IsNameStart(text_[at_])) {
      while (at_ < text_.size() && IsNameCharacter(text_[at_])) ++at_;
    }
    return text_.substr(start, at_ - start);
  }

  void ReadStartTag() {
    ++at_;
    const std::string_view name = ReadName();
    if (name.empty()) return Fail("a '<' that starts no element");
    if (open_.empty() && root_) return Fail("a second root element <" + XmlShownName(name) + ">");
    if (open_.size() >= limits_.maxDepth)
      return Fail("elements nested deeper than " + std::to_string(limits_.maxDepth));
    if (++elements_ > limits_.maxElements)
      return Fail("more than " + std::to_string(limits_.maxElements) + " elements");
    XmlElement element;
    element.name = name;
    ReadAttributes(element);
    if (failed_) return;
    const bool empty = Skip("/");
    if (!Skip(">")) return Fail("an unclosed tag <" + XmlShownName(name) + ">");
    open_.push_back(std::move(element));
    if (empty) Close();
  }

  void ReadAttributes(XmlElement& element) {
    for (SkipSpace(); at_ < text_.size() && text_[at_] != '>' && text_[at_] != '/'; SkipSpace()) {
      const std::string_view name = ReadName();
      SkipSpace();
      if (name.empty() || !Skip("="))
        return Fail("a bad attribute in <" + XmlShownName(element.name) + ">");
      SkipSpace();
      const char quote = at_ < text_.size() ? text_[at_] : '\0';
      const std::size_t close = quote == '"' || quote == '\'' ? text_.find(quote, at_ + 1)
                                                              : std::string_view::npos;
      const std::string_view raw = close == std::string_view::npos
                                       ? std::string_view()
                                       : text_.substr(at_ + 1, close - at_ - 1);
      if (close == std::string_view::npos || raw.find('<') != std::string_view::npos)
        return Fail("an unclosed attribute in <" + XmlShownName(element.name) + ">");
      const bool repeated = std::any_of(
          element.attributes.begin(), element.attributes.end(),
          [name](const XmlAttribute& attribute) { return attribute.name == name; });
      if (repeated)
        return Fail("the attribute " + XmlShownName(name) + " twice in <" +
                    XmlShownName(element.name) + ">");
      if (element.attributes.size() >= limits_.maxAttributes)
        return Fail("more than " + std::to_string(limits_.maxAttributes) + " attributes in <" +
                    XmlShownName(element.name) + ">");
      XmlAttribute& attribute = element.attributes.emplace_back();
      attribute.name = name;
      AppendReplaced(raw, attribute.value, true);
      at_ = close + 1;
    }
  }

  void ReadEndTag() {
    const std::string_view name = ReadName();
    SkipSpace();
    if (at_ == text_.size() && !open_.empty())
      return Fail("the document ends inside <" + XmlShownName(open_.back().name) + ">");
    if (!Skip(">") || open_.empty() || open_.back().name != name) {
      return Fail(
          "</" + XmlShownName(name) + "> while " +
          (open_.empty() ? std::string("nothing") : "<" + XmlShownName(open_.back().name) + ">") +
          " is open");
    }
    Close();
  }

  void Close() {
    XmlElement element = std::move(open_.back());
    open_.pop_back();
    if (open_.empty()) {
      root_ = std::move(element);
    } else {
      open_.back().children.push_back(std::move(element));
    }
  }

  std::string_view text_;
  const XmlLimits& limits_;
  std::size_t at_ = 0;
  std::size_t elements_ = 0;
  bool failed_ = false;
  Error error_;
  std::vector<XmlElement> open_;  // the open elements, the root first
  std::optional<XmlElement> root_;
};

}  // namespace

std::string XmlShownName(std::string_view name) {
  std::string shown;
  for (char c : name.substr(0, kShownNameLength)) shown += (c >= ' ' && c <= '~') ? c : '?';
  return shown;
}

Result<std::string> XmlReferenceText(std::string_view name) {
  constexpr std::array<std::pair<std::string_view, char>, 5> kPredefined{
      {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}}};
  for (const auto& [entity, character] : kPredefined) {
    if (name == entity) return {std::string(1, character), {}};
  }
  if (!name.starts_with('#'))
    return {{},
            Failure("the entity &" + XmlShownName(name) + "; (only the predefined ones are read)")};
  const bool hex = name.starts_with("#x");
  const std::string_view digits = name.substr(hex ? 2 : 1);
  std::uint32_t code = 0;
  const auto [end, fault] = std::from_chars(digits.data(), digits.data() + digits.size(), code,
                                            hex ? 16 : 10);
  if (digits.empty() || fault != std::errc() || end != digits.data() + digits.size() || code == 0 ||
      code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    return {{}, Failure("a bad character reference &" + XmlShownName(name) + ";")};
  std::string text;
  AppendUtf8(text, static_cast<char32_t>(code));
  return {std::move(text), {}};
}

std::string_view XmlElement::LocalName() const {
  const std::size_t colon = name.find(':');
  return colon == std::string::npos ? std::string_view(name)
                                    : std::string_view(name).substr(colon + 1);
}

const std::string* XmlElement::Attribute(std::string_view localName) const {
  for (const XmlAttribute& attribute : attributes) {
    const std::size_t colon = attribute.name.find(':');
    const std::string_view local = colon == std::string::npos
                                       ? std::string_view(attribute.name)
                                       : std::string_view(attribute.name).substr(colon + 1);
    if (local == localName) return &attribute.value;
  }
  return nullptr;
}

const XmlElement* XmlElement::Child(std::string_view localName) const {
  for (const XmlElement& child : children) {
    if (child.LocalName() == localName) return &child;
  }
  return nullptr;
}

Result<XmlElement> ReadXmlDocument(std::string_view bytes, const XmlLimits& limits) {
  Result<std::string> text = DocumentText(bytes, limits.maxBytes);
  if (text.Failed()) return {{}, std::move(text.error)};
  return XmlReader(text.value, limits).Read();
}

}  // namespace sysinfo
