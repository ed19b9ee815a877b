// A small reader of XML documents that anyone may have written: elements, attributes and text,
// and nothing that makes the reader fetch, expand or grow without bound.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace sysinfo {

struct XmlAttribute {
  std::string name;  // as written, with its prefix ("xmlns:uap5")
  std::string value;  // references replaced
};

struct XmlElement {
  std::string name;  // as written, with its prefix ("uap5:Extension")
  std::vector<XmlAttribute> attributes;
  std::string text;  // the character data directly inside it, references replaced
  std::vector<XmlElement> children;

  // The name without its namespace prefix: what the readers here match on.
  std::string_view LocalName() const;
  // The attribute of this local name; nothing when it has none.
  const std::string* Attribute(std::string_view localName) const;
  // The first child element of this local name; nothing when it has none.
  const XmlElement* Child(std::string_view localName) const;
};

// What a reference names, given the text between its '&' and ';': "lt" is "<", "#x41" is "A".
// Only the five predefined entities and character references; the reason for anything else.
Result<std::string> XmlReferenceText(std::string_view name);

// A name from a document as a reason shows it: cut short, and only its printable ASCII.
std::string XmlShownName(std::string_view name);

struct XmlLimits {
  std::size_t maxBytes = 1024 * 1024;
  std::size_t maxDepth = 32;
  std::size_t maxElements = 65536;
  std::size_t maxAttributes = 64;  // of one element
};

// The document's root element. The bytes are UTF-8 (a BOM allowed) or UTF-16 LE with its BOM.
// Only the five predefined entities and numeric character references are read: a document type
// declaration, and so any entity it declares, is refused, never expanded. A document beyond a
// limit, or not well-formed (an unclosed or crossed element, a repeated attribute, text outside
// the root), is refused with one short printable reason, "line 3: ...".
Result<XmlElement> ReadXmlDocument(std::string_view bytes, const XmlLimits& limits = {});

}  // namespace sysinfo
