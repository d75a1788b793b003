// Text readers: skipSpaces, escape, readUntil (and findUntil, where it
// stops) and readRawUntil; finding one of two code units or a control
// character, or a text.
#include <array>
#include <string>
#include <vector>

#include "MarkdownUnitSearch.h"
#include "TestSupport.h"

namespace glyphmill {
namespace {

using test::S;
using test::U;

// Either unit at every position of texts around the eight-unit steps, from
// every start; look-alikes that share a byte with a wanted unit never match.
TEST(Scan, FindEitherUnit) {
  for (std::size_t length = 0; length <= 20; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      std::u16string text(length, u'\x013C');  // the high byte of '<' is 0; this one's is not
      for (std::size_t k = 0; k < length; k += 3) text[k] = u'\x3C00';
      if (at < length) text[at] = (at % 2 == 0) ? u'<' : u'\xFDD0';
      for (std::size_t from = 0; from <= length; ++from) {
        SCOPED_TRACE(std::to_string(length) + " " + std::to_string(at) + " " + std::to_string(from));
        const std::size_t expected = from <= at ? at : length;
        EXPECT_EQ(findEitherUnit(text, from, u'<', u'\xFDD0'), expected);
      }
    }
  }
  EXPECT_EQ(findEitherUnit(u"", 0, u'a', u'b'), 0u);
  EXPECT_EQ(findEitherUnit(u"xxxxxxxxxxbxxxxxaxx", 0, u'a', u'b'), 10u);
  EXPECT_EQ(findEitherUnit(u"xxxxxxxxxxbxxxxxaxx", 11, u'a', u'b'), 16u);
  EXPECT_EQ(findEitherUnit(u"xxxxxxxxxxbxxxxxaxx", 17, u'a', u'a'), 19u);
}

// Any of five units, each at every position around the eight-unit steps.
TEST(Scan, FindAnyUnit) {
  constexpr std::array<char16_t, 5> wanted{u'&', u'<', u'>', u'"', u'\''};
  for (char16_t unit : wanted) {
    for (std::size_t length = 0; length <= 20; ++length) {
      for (std::size_t at = 0; at <= length; ++at) {
        std::u16string text(length, u'\x2600');  // the high byte of "&" is 0; this one's is not
        if (at < length) text[at] = unit;
        for (std::size_t from = 0; from <= length; ++from) {
          SCOPED_TRACE(std::to_string(unit) + " " + std::to_string(length) + " " +
                       std::to_string(at) + " " + std::to_string(from));
          EXPECT_EQ(findAnyUnit(text, from, wanted), from <= at ? at : length);
        }
      }
    }
  }
}

// A text found as std::u16string_view::find finds it, in texts around the
// eight-unit steps that hold partial matches ("--" before "-->") and the
// needle itself at several places, from every start (and beyond the end).
TEST(Scan, FindText) {
  const std::u16string_view needles[] = {u"-->", u"`", u"</", u"--!>", u"[[", u""};
  const std::u16string_view pieces[] = {u"-", u"--", u">", u"x", u"-->", u"`", u"<", u"/", u"[", u"!"};
  for (std::u16string_view needle : needles) {
    for (std::size_t seed = 0; seed < 40; ++seed) {
      std::u16string text;
      for (std::size_t k = 0; text.size() < seed / 2; ++k) text += pieces[(seed * 7 + k * 3) % 10];
      for (std::size_t from = 0; from <= text.size() + 1; ++from) {
        SCOPED_TRACE(S(std::u16string(needle)) + " in " + S(text) + " from " + std::to_string(from));
        EXPECT_EQ(findText(text, from, needle), std::u16string_view(text).find(needle, from));
      }
    }
  }
}

// Control characters (below 0x20) at every position around the eight-unit
// steps; a space and units whose low byte is a control character are not.
TEST(Scan, FindControlUnit) {
  const char16_t controls[] = {u'\0', u'\t', u'\n', u'\r', u'\x1F'};
  for (char16_t control : controls) {
    for (std::size_t length = 0; length <= 20; ++length) {
      for (std::size_t at = 0; at <= length; ++at) {
        std::u16string text(length, u' ');
        for (std::size_t k = 1; k < length; k += 3) text[k] = u'\x0109';
        if (at < length) text[at] = control;
        for (std::size_t from = 0; from <= length; ++from) {
          SCOPED_TRACE(std::to_string(control) + " " + std::to_string(length) + " " +
                       std::to_string(at) + " " + std::to_string(from));
          EXPECT_EQ(findControlUnit(text, from), from <= at ? at : length);
        }
      }
    }
  }
}

// The end of a run of spaces, with the first other unit at every position
// around the eight-unit steps; a unit whose low byte is a space is another.
TEST(Scan, SkipUnit) {
  for (char16_t other : {u'a', u'\x0120', u'\t'}) {
    for (std::size_t length = 0; length <= 20; ++length) {
      for (std::size_t at = 0; at <= length; ++at) {
        std::u16string text(length, u' ');
        if (at < length) text[at] = other;
        for (std::size_t from = 0; from <= length; ++from) {
          SCOPED_TRACE(std::to_string(other) + " " + std::to_string(length) + " " +
                       std::to_string(at) + " " + std::to_string(from));
          EXPECT_EQ(skipUnit(text, from, u' '), from <= at ? at : length);
        }
      }
    }
  }
}

// The control unit as findControlUnit finds it, and whether a "<" or ">"
// stands before it, with the angle bracket and the control at every position
// around the eight-unit steps; an angle after the control does not count.
TEST(Scan, FindControlUnitNotingAngles) {
  for (char16_t angle : {u'<', u'>', u'\x3C3C'}) {
    for (std::size_t length = 0; length <= 20; ++length) {
      for (std::size_t control = 0; control <= length; ++control) {
        for (std::size_t at = 0; at < length; ++at) {
          if (at == control) continue;
          std::u16string text(length, u'a');
          if (control < length) text[control] = u'\n';
          text[at] = angle;
          for (std::size_t from = 0; from <= length; ++from) {
            SCOPED_TRACE(std::to_string(angle) + " " + std::to_string(length) + " " +
                         std::to_string(control) + " " + std::to_string(at) + " " +
                         std::to_string(from));
            bool seen = false;
            const std::size_t end = findControlUnitNotingAngles(text, from, seen);
            EXPECT_EQ(end, findControlUnit(text, from));
            EXPECT_EQ(seen, angle != u'\x3C3C' && from <= at && at < end);
          }
        }
      }
    }
  }
}

TEST(Scan, EscapeSet) {
  const std::u16string members = u"!\"#'()*+-.<>[\\]^_`{}";
  ASSERT_EQ(members.size(), 20u);
  for (char16_t c = 0; c < 0x200; ++c) {
    SCOPED_TRACE(static_cast<int>(c));
    const bool member = members.find(c) != std::u16string::npos;
    std::u16string out = u"x";
    const int next = TUtils::escape(out, c, 5);
    if (member) {
      EXPECT_EQ(next, 6);
      EXPECT_EQ(out, std::u16string(u"x") + c);
    } else {
      EXPECT_EQ(next, 5);
      EXPECT_EQ(out, u"x\\");
    }
  }
  // "$", "|" and "~" are escapable in running text but not here.
  for (char16_t c : std::u16string(u"$|~")) {
    std::u16string out;
    EXPECT_EQ(TUtils::escape(out, c, 0), 0);
  }
}

struct ReadRow {
  std::string text;
  int start;
  int expectedResult;
  std::string expectedCopy;
};

TEST(Scan, ReadUntilCharacter) {
  const std::vector<std::pair<char16_t, ReadRow>> rows = {
      {u')', {"a\\)b)", 0, 4, "a)b"}},
      {u'>', {"a\\~b>", 0, 4, "a\\~b"}},
      {u';', {"&amp", 0, -1, "&amp"}},
      {u'>', {"ab\\", 0, -1, "ab\\"}},      // a final backslash is ordinary
      {u'\\', {"ab\\", 0, 2, "ab"}},        // ... and may be the stop
      {u'>', {"\\\\>", 0, 2, "\\"}},        // an escaped backslash
      {u'>', {"\\>>", 0, 2, ">"}},          // an escaped stop is copied
      {u'x', {"abc", 3, -1, ""}},
      {u'x', {"abc", 9, -1, ""}},
      {u'x', {"abc", -1, -1, ""}},
      {u'c', {"abc", 1, 2, "b"}},
      {u'\u0141', {"a\u0141", 0, 1, "a"}},  // any code unit may be the stop
      {u'A', {"\u0141A", 0, 1, "\u0141"}},
  };
  for (const auto& [stop, row] : rows) {
    SCOPED_TRACE(row.text + " from " + std::to_string(row.start));
    std::u16string out;
    EXPECT_EQ(TUtils::readUntil(out, U(row.text), row.start, stop), row.expectedResult);
    EXPECT_EQ(S(out), row.expectedCopy);
    EXPECT_EQ(TUtils::findUntil(U(row.text), row.start, stop), row.expectedResult);
  }
}

TEST(Scan, ReadUntilSet) {
  const TCharSet stops{u'\n', u' ', u':', u'>'};
  const std::vector<ReadRow> rows = {
      {"http://x>", 0, 4, "http"},
      {"a b", 0, 1, "a"},
      {"a\nb", 0, 1, "a"},
      {"ab>", 0, 2, "ab"},
      {"a\\:b:", 0, 2, "a\\"},   // ":" is not escapable
      {"a\\>b>", 0, 4, "a>b"},
      {"a\\ b ", 0, 2, "a\\"},  // a space is not escapable: the backslash stays
      {"abc", 0, -1, "abc"},
      {"", 0, -1, ""},
      // U+013A has the low byte of ":" but is never in a stop set.
      {"a\u013a\u013e>", 0, 3, "a\u013a\u013e"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    std::u16string out;
    EXPECT_EQ(TUtils::readUntil(out, U(row.text), row.start, stops), row.expectedResult);
    EXPECT_EQ(S(out), row.expectedCopy);
    EXPECT_EQ(TUtils::findUntil(U(row.text), row.start, stops), row.expectedResult);
  }
}

TEST(Scan, ReadRawUntil) {
  {
    std::u16string out;
    EXPECT_EQ(TUtils::readRawUntil(out, u"a\\]b]", 0, u']'), 2);
    EXPECT_EQ(out, u"a\\");
  }
  {
    std::u16string out;
    EXPECT_EQ(TUtils::readRawUntil(out, u"a\\]b]", 0, TCharSet{u']', u'['}), 2);
    EXPECT_EQ(out, u"a\\");
  }
  {
    std::u16string out = u"kept";
    EXPECT_EQ(TUtils::readRawUntil(out, u"xyz", 1, u']'), -1);
    EXPECT_EQ(out, u"keptyz");
  }
  {
    std::u16string out;
    EXPECT_EQ(TUtils::readRawUntil(out, u"\u015dx", 0, TCharSet{u']'}), -1);  // ŝ is 0x15D
    EXPECT_EQ(out, u"\u015dx");
    EXPECT_EQ(TUtils::readRawUntil(out, u"ab", 5, TCharSet{u']'}), -1);
    EXPECT_EQ(TUtils::readRawUntil(out, u"ab", -3, u']'), -1);
  }
}

TEST(Scan, ReadersAppendToWhatIsThere) {
  std::u16string out = u"<";
  EXPECT_EQ(TUtils::readUntil(out, u"ab>", 0, u'>'), 2);
  EXPECT_EQ(out, u"<ab");
}

TEST(Scan, SkipSpaces) {
  const std::vector<ReadRow> rows = {
      {"  \n x", 0, 4, ""},
      {"   ", 0, -1, ""},
      {" \tx", 0, 1, ""},
      {"x", 0, 0, ""},
      {"", 0, -1, ""},
      {"a  b", 1, 3, ""},
      {"ab", 2, -1, ""},
      {"ab", -1, -1, ""},
      {"\r x", 0, 0, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text + " from " + std::to_string(row.start));
    EXPECT_EQ(TUtils::skipSpaces(U(row.text), row.start), row.expectedResult);
  }
}

}  // namespace
}  // namespace glyphmill
