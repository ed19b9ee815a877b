// Redaction: identifying values replaced by markers that say what they were ("<user-1>").
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "report/identity.h"
#include "base/value.h"

namespace sysinfo {

// Which marker each value got, by the value folded to lower case (see Folded): kept between the
// redacted reports of one machine so that a value keeps its marker (the redaction map).
using MarkerMap = std::map<std::string, std::string>;

// What a marker stands for: its kind and number ("<user-2>": User, 2; "<computer>": Computer, 1).
struct MarkerNumber {
  IdentityKind kind;
  int number;
};
// Nothing for text that is not a marker this program writes.
std::optional<MarkerNumber> ParseMarker(std::string_view marker);

// The text with its letters in lower case (ASCII and the common two-byte ones) and every byte
// where it was, so a position in the folded text is the same position in the original.
std::string Folded(std::string_view text);

// Replaces the values that identify a machine or its people, in report lines and in recorded
// values alike, before anything is written. A value becomes a marker naming its kind, numbered
// in the order values are met ("<user-1>", "<serial-3>"; the computer, owner and organisation
// are "<computer>" until a second one turns up), or as the map of earlier reports numbered it.
// Equal values, in any letter case, get equal markers, so a reader still sees that two paths
// belong to one user.
//
// Values are learnt three ways: before the scan (the machine's names and accounts, and every
// field a category declares identifying), from the fields each category declares identifying,
// and from what text shows (a profile folder's name, a security identifier, an e-mail address, a
// phone number, a device address, "user:password@" in a URL, the value of an argument that
// carries a secret or an account). A value once learnt is replaced wherever it stands as a whole
// word, also percent-encoded ("C%3A%5CUsers%5Cname"), except the kinds that may be common words:
// values that identify nobody ("Microsoft", "Lenovo", "admin") and secrets, which are replaced
// only where they stand as what they are (an account, a profile folder, an argument's value), and
// a computer name that is a plain word ("OFFICE"), replaced elsewhere only in capitals, as
// Windows writes it, or in small letters, as DNS names are written.
class Redactor {
 public:
  Redactor() = default;
  // A value in `map` keeps its marker there; a new value gets the next number of its kind that
  // the map does not use, and is added to it. Secrets and credentials are never added.
  explicit Redactor(MarkerMap map);

  // Learns a value of a kind and returns its marker; nothing (empty) for a value not worth one:
  // empty, a single character, a placeholder such as "To be filled by O.E.M.", a well-known
  // account such as "SYSTEM", an owner such as "Microsoft".
  std::string Learn(IdentityKind kind, std::string_view value);

  // Another spelling of a value already learnt (a profile folder's 8.3 short name): the same
  // marker, replaced where the value is.
  void LearnAlias(std::string_view alias, std::string_view value);

  // The fields of the category whose lines and values come next that identify something.
  void BeginCategory(std::span<const IdentifyingField> identifying);

  // A field's value as text: replaced by the field's declared kind when it has one, otherwise
  // as free text.
  std::string Field(std::string_view field, std::string_view text);

  // A value of a kind, also of the field shapes (Account, DeviceId, ProxyList, ProxyOverrides):
  // what identifies in it learnt and replaced, the rest as free text.
  std::string Value(IdentityKind kind, std::string_view text);

  // Free text (a line, a path, a hosts line): what it shows learnt, then every known value
  // replaced.
  std::string Text(std::string_view text);

  // The markers given so far and those of the map it started with, to keep for the next report.
  const MarkerMap& Map() const { return map_; }

 private:
  struct Known {
    std::string marker;
    bool everywhere;  // replaced wherever it stands, not only in its own context
    bool plainWord;  // elsewhere only in capitals or in small letters ("OFFICE", "office")
    bool inWords = false;  // also inside a longer word ("AcmeSync"): a word the user named
  };
  struct Span {
    std::size_t end;
    std::string marker;
  };
  // What was found in a text so far, by where each finding begins; findings never overlap.
  using Spans = std::map<std::size_t, Span>;

  Known* Find(std::string_view folded);
  std::string NewMarker(IdentityKind kind);
  void ReplaceEverywhere(const std::string& folded, Known& known);
  void FindKnown(std::string_view text, std::string_view folded, Spans& spans) const;
  void FindPatterns(std::string_view text, std::string_view folded, Spans& spans);
  void FindArguments(std::string_view text, std::string_view folded, Spans& spans);
  std::string Account(std::string_view text);
  std::string DeviceId(std::string_view text);
  void LearnDeviceSerial(std::string_view id, char separator);
  std::string ProxyList(std::string_view text, bool overrides);

  std::unordered_map<std::string, Known> known_;  // by the value folded to lower case
  // The folded values replaced everywhere, by their first byte, longest first.
  std::array<std::vector<std::string>, 256> everywhere_;
  // The highest number given so far, by kind; the field shapes from Account on have no markers.
  std::array<int, static_cast<std::size_t>(IdentityKind::Account)> counts_{};
  std::span<const IdentifyingField> identifying_;
  MarkerMap map_;
};

// A recorded value as a redacted report holds it: text replaced as the field's kind says, a number
// that identifies (a disk's signature) replaced by its marker, anything else as it is.
SourceValue RedactedValue(Redactor& redactor, std::string_view name, const SourceValue& value);

}  // namespace sysinfo
