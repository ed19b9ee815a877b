// FormatBytes at every unit boundary and in any locale, and the text helpers.
#include <gtest/gtest.h>

#include "base/format.h"
#include "base/text.h"
#include "base/wtf8.h"

namespace sysinfo {
namespace {

// Units at every boundary (rounding within a unit never switches to the next); negative values
// read as their unsigned 32-bit pattern, but below -2^32 kept as plain text; anything that is
// not a number returned as it came.
TEST(FormatBytes, UnitsNegativesFractionsAndNonNumbers) {
  const NumberFormat english{".", ","};
  // clang-format off
  const std::tuple<const char*, bool, const char*> cases[] = {
      {"0", true, "0 Bytes"}, {"1023", true, "1,023 Bytes"}, {"1024", true, "1.00 KB"},
      {"1536", true, "1.50 KB"}, {"1048575", true, "1,024.00 KB"}, {"1048576", true, "1.00 MB"},
      {"1073741823", true, "1,024.00 MB"}, {"1073741824", true, "1.00 GB"}, {"8589934592", true, "8.00 GB"},
      {"1099511627775", true, "1,024.00 GB"}, {"1099511627776", true, "1.00 TB"},
      {"1125899906842624", true, "1,024.00 TB"}, {"18446744073709551615", true, "16,777,216.00 TB"},
      {"1000204886016", true, "931.51 GB"},  // a typical "1 TB" disk
      {"-1", true, "4.00 GB"}, {"-1", false, "4,294,967,295"}, {"-2147483648", false, "2,147,483,648"},
      {"-4294967295", true, "1 Bytes"}, {"-0", false, "4,294,967,296"}, {"-5000000000", true, "-705032704"},
      {"1023.6", true, "1,024 Bytes"}, {"1535.99", true, "1.50 KB"}, {" 2048 ", true, "2.00 KB"},
      {"", true, ""}, {"abc", true, "abc"}, {"12abc", true, "12abc"},  // a Null value prints nothing
      {"99999999999999999999999", true, "99999999999999999999999"},
      {"1234567", false, "1,234,567"}, {"999", false, "999"}, {"1000", false, "1,000"},
  };
  // clang-format on
  for (const auto& [value, withUnits, expected] : cases)
    EXPECT_EQ(FormatBytes(value, withUnits, english), expected) << value;
}

TEST(FormatBytes, UsesTheLocaleSeparators) {
  const NumberFormat german{",", "."};
  EXPECT_EQ(FormatBytes("1536", true, german), "1,50 KB");
  EXPECT_EQ(FormatBytes("1048575", true, german), "1.024,00 KB");
  EXPECT_EQ(FormatBytes("1234567", false, german), "1.234.567");
  const NumberFormat french{",", "\xC2\xA0"};  // no-break space, several bytes in UTF-8
  EXPECT_EQ(FormatBytes("1099511627775", true, french), std::string("1\xC2\xA0") + "024,00 GB");
  const NumberFormat ungrouped{".", ""};
  EXPECT_EQ(FormatBytes("1234567", false, ungrouped), "1234567");
}

TEST(Text, CutAtNullAndTrim) {
  using namespace std::string_literals;
  EXPECT_EQ(CutAtNull("plain"), "plain");
  EXPECT_EQ(CutAtNull("\0tail"s), "");
  EXPECT_EQ(CutAtNull("C:\\x\0\0\0"s), "C:\\x");
  EXPECT_EQ(Trim("  Microsoft Windows 10 Pro  "), "Microsoft Windows 10 Pro");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(SeparatorLine, std::string(128, '-'));
}

// A name goes from UTF-16 to text and back unchanged, lone surrogates included, and reaches a
// UTF-8 reader with one U+FFFD per lone surrogate.
TEST(Text, Wtf8CarriesEveryUtf16NameExactly) {
  using namespace std::string_literals;
  const std::string fffd = "\xEF\xBF\xBD";
  struct Case {
    std::u16string units;
    std::string wtf8, utf8;
  };
  const Case cases[] = {
      {u"Foo/Bar \u00E9\u65E5\xD83D\xDE00", "Foo/Bar \xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80",
       "Foo/Bar \xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"},  // two, three and four bytes (a pair)
      {u"a\xD800" + u"b\xDFFF"s + u"c", "a\xED\xA0\x80" + "b\xED\xBF\xBF"s + "c",
       "a" + fffd + "b" + fffd + "c"},  // lone ones
      {u"x\xDBFF", "x\xED\xAF\xBF", "x" + fffd},  // high at the end
      {u"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80", fffd + fffd},  // reversed pair
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf16ToWtf8(c.units), c.wtf8);
    EXPECT_EQ(Wtf8ToUtf16(c.wtf8), c.units) << c.wtf8;
    EXPECT_EQ(Wtf8ToUtf8(c.wtf8), c.utf8) << c.wtf8;
  }
  // Bytes that are not UTF-8: U+FFFD for each broken start when decoded, kept for the printer.
  EXPECT_EQ(Wtf8ToUtf16("a\xFF" + "b\xE6\x97"s), u"a\xFFFD" + u"b\xFFFD"s);
  EXPECT_EQ(Wtf8ToUtf16("\xC0\xAF\xF4\x90\x80\x80"), std::u16string(6, u'\xFFFD'));
  EXPECT_EQ(Wtf8ToUtf8("a\xFF\xE6\x97"), "a\xFF\xE6\x97");
}

// Names compare as Windows compares them: each UTF-16 unit upper-cased to one, so a character
// whose upper case is longer, or beyond the Basic Multilingual Plane, stays as it is.
TEST(Text, FoldCaseUpperCasesEachCharacterAsWindowsDoes) {
  const std::pair<const char*, const char*> folded[] = {
      {"cmd.Exe", "CMD.EXE"},
      {"stra\u00DFe \u00FF\u00B5", "STRA\u00DFE \u0178\u039C"},  // sharp s stays
      {"\u0131\u017F\u01C5\u01C6\u03C9\u0450\u2C65\uFF41",
       "IS\u01C4\u01C4\u03A9\u0400\u023A\uFF21"},
      {"\uFB00\u0390", "\uFB00\u0390"},  // their upper cases are several characters
      {"\U00010428", "\U00010428"},  // beyond the plane
      {"a\xED\xA0\x80\xFF"
       "b",
       "A\xED\xA0\x80\xFF"
       "B"},  // a lone surrogate, a stray byte
  };
  for (const auto& [text, upper] : folded) EXPECT_EQ(FoldCase(text), upper) << text;
  EXPECT_TRUE(EqualsFoldingCase("C:\\WINDOWS\\\u017Fystem32", "c:\\windows\\System32"));
  EXPECT_FALSE(EqualsFoldingCase("cmd.exe", "cmd.ex"));
  EXPECT_FALSE(EqualsFoldingCase("\xFF", "\xC3\xBF"));  // a stray byte is no character
  EXPECT_TRUE(StartsWithFoldingCase("JavaScript:alert(1)", "javascript:"));
  EXPECT_FALSE(StartsWithFoldingCase("java", "javascript:"));
}

// A length the data states never reaches past the buffer that holds the value.
TEST(Text, ValuesAreReadOnlyInsideTheirBuffer) {
  const std::uint8_t bytes[] = {'a', 0, 'b', 0, 'c', 0, 0, 0, 'd', 0, 'e'};
  const std::span<const std::uint8_t> all(bytes);
  struct Case {
    std::span<const std::uint8_t> buffer;
    const void* value;
    std::size_t length, bytesInside;
    std::u16string text;
  };
  const Case cases[] = {
      {all, bytes, 4, 4, u"ab"},  // as stated
      {all, bytes + 2, 65'535, 9, u"bc"},  // cut at the buffer's end; text at its NUL
      {all.first(4), bytes + 2, 100, 2, u"b"},  // text without a NUL ends with the buffer
      {all, bytes + 8, 100, 3, u"d"},  // a last odd byte is no character
      {all.first(4), bytes + 6, 2, 0, u""},  // past the end
      {all.subspan(2), bytes, 2, 0, u""},  // before the start
      {all, nullptr, 2, 0, u""},
  };
  for (const Case& c : cases) {
    const std::span<const std::uint8_t> inside = BytesInside(c.buffer, c.value, c.length);
    EXPECT_EQ(inside.size(), c.bytesInside) << c.length;
    EXPECT_TRUE(Utf16Text(inside) == c.text) << c.bytesInside;
  }
}

}  // namespace
}  // namespace sysinfo
