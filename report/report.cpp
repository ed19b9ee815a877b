// The report writer: lines with control characters marked, CR LF, the first failure kept.
#include "report/report.h"

#include <algorithm>

#include "report/redaction.h"
#include "base/text.h"

namespace sysinfo {
namespace {

// The most text made visible, converted or written at once: a line longer than this (a hosts
// file of one endless line) goes to the sink in pieces.
constexpr std::size_t kPieceSize = 64 * 1024;

// The bytes that begin a character which may need a marker: the C0 controls but tab, DEL, and
// the first byte of U+0085 (C2 85) and of U+2028 and U+2029 (E2 80 A8, E2 80 A9).
constexpr bool MayNeedMarker(unsigned char byte) {
  return (byte < 0x20 && byte != '\t') || byte == 0x7F || byte == 0xC2 || byte == 0xE2;
}

// The code point of the character that begins `text` when it needs a marker, with its length in
// bytes; a length of 0 when it needs none.
std::size_t MarkedCharacter(std::string_view text, char32_t& code) {
  const auto byte = [text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
  if (byte(0) < 0x80) {
    code = byte(0);
    return 1;
  }
  if (text.starts_with("\xC2\x85")) {
    code = 0x85;
    return 2;
  }
  if (text.starts_with("\xE2\x80") && text.size() >= 3 && (byte(2) == 0xA8 || byte(2) == 0xA9)) {
    code = 0x2000 + (byte(2) - 0x80);
    return 3;
  }
  return 0;
}

void AppendMarker(std::string& out, char32_t code) {
  constexpr std::string_view kHexDigits = "0123456789ABCDEF";
  out += "<U+";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHexDigits[(code >> shift) & 0xF];
  out += '>';
}

// Where to cut `text` to at most `limit` bytes without splitting a UTF-8 sequence.
std::size_t CutBetweenCharacters(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  return limit - UnfinishedUtf8Character(text.substr(0, limit));
}

}  // namespace

void AppendVisible(std::string& out, std::string_view text) {
  while (!text.empty()) {
    const auto next = std::find_if(text.begin(), text.end(), [](char c) {
      return MayNeedMarker(static_cast<unsigned char>(c));
    });
    const auto clean = static_cast<std::size_t>(next - text.begin());
    out.append(text.substr(0, clean));
    text.remove_prefix(clean);
    if (text.empty()) return;
    char32_t code = 0;
    const std::size_t marked = MarkedCharacter(text, code);
    if (marked == 0) {
      out += text.front();
      text.remove_prefix(1);
    } else {
      AppendMarker(out, code);
      text.remove_prefix(marked);
    }
  }
}

ReportWriter::ReportWriter(std::unique_ptr<ReportSink> sink) : sink_(std::move(sink)) {
  if (sink_) piece_.reserve(kPieceSize + 1024);
}

ReportWriter::~ReportWriter() { CloseReport(); }

void ReportWriter::WriteReportLine(std::string_view text) {
  if (!error_ && sink_) {
    if (redactor_) {
      heldLine_ += text;
      Append(redactor_->Text(heldLine_));
      heldLine_.clear();
    } else {
      Append(text);
    }
    EndLine();
  }
}

void ReportWriter::WriteLine(std::string_view label, std::string_view text) {
  if (!error_ && sink_) {
    Append(label);
    Append(text);
    EndLine();
  }
}

std::string ReportWriter::Redacted(std::string_view text) const {
  return redactor_ ? redactor_->Text(text) : std::string(text);
}

void ReportWriter::WriteField(std::string_view label, std::string_view text, std::string_view name,
                              const SourceValue& value) {
  if (!redactor_) {
    if (sink_) WriteLine(label, text);
    if (items_) items_->Field(name, value);
    return;
  }
  std::string redacted = redactor_->Field(name, text);
  WriteLine(label, redacted);
  if (!items_) return;
  // A text value is the line's text: it holds the same replacement. A number or a formatted
  // value is redacted as what it is.
  const auto* held = std::get_if<std::string>(&value);
  if (held && *held == text) {
    items_->Field(name, SourceValue(std::move(redacted)));
  } else {
    RecordField(name, value);
  }
}

void ReportWriter::RecordField(std::string_view name, const SourceValue& value) {
  if (!items_) return;
  if (redactor_) {
    items_->Field(name, RedactedValue(*redactor_, name, value));
  } else {
    items_->Field(name, value);
  }
}

void ReportWriter::BeginItem() {
  anything_ = true;
  if (items_) items_->BeginItem();
}

void ReportWriter::EndItem() {
  if (items_) items_->EndItem();
}

void ReportWriter::BeginGroup(std::string_view name) {
  if (!items_) return;
  const bool declared = std::find(groupNames_.begin(), groupNames_.end(), name) !=
                        groupNames_.end();
  items_->BeginGroup(declared ? std::string(name) : Redacted(name));
}

void ReportWriter::EndGroup() {
  if (items_) items_->EndGroup();
}

void ReportWriter::SourceEnded(const Status& failure) { SourceEnded(source_, failure); }

void ReportWriter::SourceEnded(std::string_view name, const Status& failure) {
  auto named = std::find_if(sources_.begin(), sources_.end(),
                            [name](const SourceOutcome& s) { return s.name == name; });
  if (!name.empty() && named == sources_.end()) {
    named = sources_.insert(sources_.end(), SourceOutcome{std::string(name), {}, {}});
  }
  if (!failure) return;
  SourceOutcome& source = name.empty() ? sources_.emplace_back() : *named;
  if (source.status != CategoryStatus::Ok) return;  // its first failure tells
  source.status = failure->kind == ErrorKind::TimedOut ? CategoryStatus::TimedOut
                                                       : CategoryStatus::Failed;
  source.error = failure->message;
  if (!failure_) failure_ = Error{failure->kind, source.Reason()};  // the category's first
}

void ReportWriter::BeginSource(std::string_view source) {
  source_ = source;
  SourceEnded(source, {});  // listed as read until it says otherwise
}

void ReportWriter::WriteNotRead() {
  std::string line;
  for (const SourceOutcome& source : sources_) {
    if (source.status != CategoryStatus::Ok)
      line += (line.empty() ? "Not Read: " : "; ") + source.Reason();
  }
  if (!line.empty()) WriteReportLine(line);
}

void ReportWriter::BeginCategory(std::string_view name, int number, const ReportShape& shape,
                                 std::span<const IdentifyingField> identifying) {
  failure_.reset();
  sources_.clear();
  source_.clear();
  anything_ = false;
  groupNames_ = shape.names;
  if (redactor_) redactor_->BeginCategory(identifying);
  if (items_) items_->BeginCategory(name, number, shape);
}

CategoryOutcome ReportWriter::EndCategory(double milliseconds) {
  CategoryOutcome outcome;
  outcome.milliseconds = milliseconds;
  if (!failure_) {
    outcome.status = anything_ ? CategoryStatus::Ok : CategoryStatus::Empty;
  } else {
    outcome.status = failure_->kind == ErrorKind::TimedOut ? CategoryStatus::TimedOut
                                                           : CategoryStatus::Failed;
    outcome.error = failure_->message;
    outcome.sources = sources_;
  }
  if (items_) {
    CategoryOutcome recorded = outcome;
    recorded.error = Redacted(outcome.error);
    for (SourceOutcome& source : recorded.sources) source.error = Redacted(source.error);
    items_->EndCategory(recorded);
  }
  return outcome;
}

void ReportWriter::WriteLinePart(std::string_view text) {
  if (!error_ && sink_) {
    if (redactor_) {
      heldLine_ += text;
    } else {
      Append(text);
    }
  }
}

void ReportWriter::EndLine() {
  piece_ += "\r\n";
  SendPiece();
  if (!error_) ++lines_;
}

// Makes the text visible a piece at a time and hands on each full piece, so neither this nor the
// sink's conversion ever holds more than a piece of a long line.
void ReportWriter::Append(std::string_view text) {
  while (!text.empty() && !error_) {
    const std::size_t cut = CutBetweenCharacters(text, kPieceSize);
    AppendVisible(piece_, text.substr(0, cut));
    text.remove_prefix(cut);
    if (piece_.size() >= kPieceSize) SendPiece();
  }
}

void ReportWriter::SendPiece() {
  if (!error_) error_ = sink_->Write(piece_);
  piece_.clear();
}

void ReportWriter::WriteFinishedLines(std::string_view text) {
  if (error_ || !sink_) return;
  error_ = sink_->Write(text);
  if (!error_) lines_ += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool ReportWriter::CloseReport() {
  if (!sink_) return !error_;
  if (redactor_ && !heldLine_.empty() && !error_) Append(redactor_->Text(heldLine_));
  if (!piece_.empty()) SendPiece();  // the start of a line that was never ended
  auto closeError = sink_->Close();
  if (!error_) error_ = std::move(closeError);
  sink_.reset();
  return !error_;
}

std::string_view CategoryStatusName(CategoryStatus status) {
  switch (status) {
    case CategoryStatus::Ok: return "ok";
    case CategoryStatus::Empty: return "empty";
    case CategoryStatus::Failed: return "failed";
    case CategoryStatus::TimedOut: break;
  }
  return "timed_out";
}

}  // namespace sysinfo
