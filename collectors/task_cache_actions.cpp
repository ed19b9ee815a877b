// The task cache's Actions value, read as hostile input: anyone who can write the key can put any
// bytes there, and a task hidden from the Task Scheduler may have nothing else that says what it
// runs.
#include "collectors/task_cache_actions.h"

#include <array>
#include <cstdio>
#include <utility>

#include "base/wtf8.h"
#include "collectors/autostart_command.h"

namespace sysinfo {
namespace {

constexpr std::uint16_t kProgramAction = 0x6666;
constexpr std::uint16_t kComHandlerAction = 0x7777;
constexpr std::uint16_t kEmailAction = 0x8888;
constexpr std::uint16_t kMessageBoxAction = 0x9999;
constexpr std::size_t kGuidBytes = 16;
constexpr std::size_t kEmailStrings = 8;  // from, to, cc, bcc, reply-to, server, subject, body

std::string Hex(std::uint32_t number, int digits) {
  std::array<char, 12> text{};
  std::snprintf(text.data(), text.size(), "%0*X", digits, number);
  return text.data();
}

// Reads the value from start to end; the first fault stops it and says where.
class ValueReader {
 public:
  explicit ValueReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  bool AtEnd() const { return at_ == bytes_.size(); }
  bool Failed() const { return !fault_.empty(); }
  const std::string& Fault() const { return fault_; }

  std::uint32_t Number(std::size_t size, std::string_view what) {
    if (!Have(size, what)) return 0;
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < size; ++i) number |= std::uint32_t{bytes_[at_ + i]} << (8 * i);
    at_ += size;
    return number;
  }

  // A counted UTF-16 string as WTF-8, cut at its first NUL: the program it names is started by a
  // call that reads no further, and a name that does not convert back would open no file.
  std::string Text(std::string_view what) {
    const std::size_t start = at_;
    const std::uint32_t length = Number(4, what);
    if (Failed()) return {};
    if (length % 2 != 0) {
      Fail(std::string(what) + " has an odd length, " + std::to_string(length) + ", at byte " +
           std::to_string(start));
      return {};
    }
    if (length > bytes_.size() - at_) {
      Fail(std::string(what) + " at byte " + std::to_string(start) + " is " +
           std::to_string(length) + " bytes long, past the end");
      return {};
    }
    std::u16string units;
    for (std::size_t i = 0; i < length / 2; ++i) {
      const auto unit = static_cast<char16_t>(bytes_[at_ + 2 * i] | (bytes_[at_ + 2 * i + 1] << 8));
      if (unit == u'\0') break;
      units += unit;
    }
    at_ += length;
    return Utf16ToWtf8(units);
  }

  // A GUID's 16 bytes as Windows writes it, the first three fields little-endian.
  std::string Guid(std::string_view what) {
    if (!Have(kGuidBytes, what)) return {};
    const std::uint32_t first = Number(4, what);
    const std::uint32_t second = Number(2, what);
    const std::uint32_t third = Number(2, what);
    std::string text = "{" + Hex(first, 8) + "-" + Hex(second, 4) + "-" + Hex(third, 4) + "-";
    for (std::size_t i = 0; i < 8; ++i) {
      if (i == 2) text += '-';
      text += Hex(bytes_[at_ + i], 2);
    }
    at_ += 8;
    return text + "}";
  }

  // Passes over `count` strings; a count that cannot fit in what is left fails before any.
  void SkipTexts(std::uint64_t count, std::string_view what) {
    if (count > (bytes_.size() - at_) / 4) {
      Fail(std::to_string(count) + " " + std::string(what) + " at byte " + std::to_string(at_) +
           " cannot fit in the " + std::to_string(bytes_.size() - at_) + " bytes left");
    }
    for (std::uint64_t i = 0; i < count && !Failed(); ++i) Text(what);
  }

  void Fail(std::string reason) {
    if (fault_.empty()) fault_ = std::move(reason);
  }

 private:
  bool Have(std::size_t size, std::string_view what) {
    if (Failed()) return false;
    if (size <= bytes_.size() - at_) return true;
    Fail("the value ends inside " + std::string(what) + " at byte " + std::to_string(at_));
    return false;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  std::string fault_;
};

void ReadProgram(ValueReader& reader, std::uint16_t version, const std::string& name,
                 CachedActions& actions) {
  const std::string command = reader.Text(name + "'s command");
  const std::string arguments = reader.Text(name + "'s arguments");
  reader.Text(name + "'s working folder");
  if (version >= 2) reader.Number(2, name + "'s flags");
  // As in a task file, an action without a command starts nothing.
  if (!reader.Failed() && !command.empty())
    actions.commands.push_back(CommandLineOf(command, arguments));
}

void ReadHandler(ValueReader& reader, const std::string& name, CachedActions& actions) {
  const std::string handler = reader.Guid(name + "'s class");
  reader.Text(name + "'s data");
  if (!reader.Failed()) actions.handlers.push_back(handler);
}

// An e-mail or a message box starts no program; each is only passed over.
void SkipMail(ValueReader& reader, const std::string& name) {
  for (std::size_t i = 0; i < kEmailStrings; ++i) reader.Text(name + "'s mail fields");
  reader.SkipTexts(reader.Number(4, name + "'s attachment count"), "attachment names");
  // Each header field is a name and a value.
  reader.SkipTexts(std::uint64_t{reader.Number(4, name + "'s header count")} * 2, "header texts");
}

void SkipMessageBox(ValueReader& reader, const std::string& name) {
  reader.Text(name + "'s caption");
  reader.Text(name + "'s text");
}

// One action after its type; gives whether the type is one the cache holds.
bool ReadAction(ValueReader& reader, std::uint16_t type, std::uint16_t version,
                const std::string& name, CachedActions& actions) {
  if (type != kProgramAction && type != kComHandlerAction && type != kEmailAction &&
      type != kMessageBoxAction) {
    return false;
  }
  reader.Text(name + "'s id");
  if (type == kProgramAction) ReadProgram(reader, version, name, actions);
  if (type == kComHandlerAction) ReadHandler(reader, name, actions);
  if (type == kEmailAction) SkipMail(reader, name);
  if (type == kMessageBoxAction) SkipMessageBox(reader, name);
  return true;
}

}  // namespace

Result<CachedActions> DecodeTaskCacheActions(std::span<const std::uint8_t> value) {
  Result<CachedActions> actions;
  if (value.size() > kMaxCachedActionsSize) {
    actions.error = Failure("larger than 1 MiB");
    return actions;
  }
  ValueReader reader(value);
  const auto version = static_cast<std::uint16_t>(reader.Number(2, "its version"));
  if (!reader.Failed() && (version < 1 || version > 3))
    reader.Fail("version " + std::to_string(version) + ", which is not read");
  if (version >= 2) reader.Text("its context");
  std::size_t count = 0;
  while (!reader.Failed() && !reader.AtEnd()) {
    if (count == kMaxCachedActions) {
      reader.Fail("more than " + std::to_string(kMaxCachedActions) + " actions");
      break;
    }
    const std::string name = "action " + std::to_string(++count);
    const auto type = static_cast<std::uint16_t>(reader.Number(2, name + "'s type"));
    if (!reader.Failed() && !ReadAction(reader, type, version, name, actions.value))
      reader.Fail(name + " is of no known type (0x" + Hex(type, 4) + ")");
  }
  if (!reader.Failed() && count == 0) reader.Fail("no actions");
  if (reader.Failed()) actions.error = Failure(reader.Fault());
  return actions;
}

std::optional<std::string> BracedGuid(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) return std::nullopt;
  std::string braced = "{";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (dash ? c != '-' : !hex) return std::nullopt;
    braced += (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return braced + "}";
}

}  // namespace sysinfo
