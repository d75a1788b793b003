// Safe mode's last step: the "<" it could not decide while writing a page.
//
// A tag copied in safe mode may hold a "<" (or be preceded by an escaped one)
// whose tag a browser would only finish in the HTML written after it, for
// instance when a quotation mark later in the paragraph closes its value.
// Such a "<" is written as UNDECIDED_TAG; once the HTML after it exists, the
// decider writes it as "<" when a browser reads a complete tag there that
// runs no script (any "<" inside that tag as "&lt;"), and as "&lt;"
// otherwise. It reads the page as a browser does: no tag starts inside a
// comment, a bogus comment or the text of a raw-text element (textarea,
// title, style and the like).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace glyphmill {

// A noncharacter: the engine writes it for an undecided "<" only when the
// source holds none (see TConfiguration::deferUndecidedTags).
constexpr char16_t UNDECIDED_TAG = u'\xFDD0';

// The longest tag, from its "<" to its ">", that an undecided "<" may begin;
// a longer one stays text. This bounds the HTML held back while deciding.
constexpr int kMaxUndecidedTag = 1024;

// How a browser reads tags, shared by the tag reader and the decider.
// True when a browser starts a start or end tag at text[start] (a letter
// follows it, or "/" and a letter); text[start] itself is not looked at.
bool startsBrowserTag(std::u16string_view text, int start);
// The position of the ">" that ends, for a browser, the tag at text[start];
// -1 when the text ends first.
int browserTagEnd(std::u16string_view text, int start);
// The ">" of a plain tag at text[start]: "<", an optional "/", a name of
// ASCII letters and digits and ">" ("<p>", "</em>"), the most common tags,
// where a browser ends it too; -1 for any other tag.
inline int plainTagEnd(std::u16string_view text, int start);
// Whether the tag text[start..end] (as browserTagEnd found it) runs no
// script: no unsafe element, event handler, script URL or refreshing <meta>.
bool isHarmlessBrowserTag(std::u16string_view text, int start, int end);

// Writes, for the "<" at source[at] whose tag a browser finishes only in the
// HTML written after it, UNDECIDED_TAG; but "&lt;" when the tag, read from
// the characters as the author wrote them, already runs script (the page may
// show them changed, with references escaped or quotation marks made
// typographic, and must not be trusted for that).
void appendUndecidedTag(std::u16string& out_, std::u16string_view source, int at);

// The part of a piece from begin up to end.
struct TPieceRange {
  std::size_t begin;
  std::size_t end;
};

// Decides the undecided "<" of a page given piece by piece, in order.
class TTagDecider {
 public:
  // Appends to out_ the HTML of piece, after what an earlier piece left
  // held back, as far as it can be decided; a tag still open waits.
  void add(std::u16string& out_, std::u16string_view piece);
  // The page is complete: appends everything still held back.
  void finish(std::u16string& out_);

  // When nothing is held back and piece holds no undecided "<", its decided
  // HTML is the piece itself, as far as it can be decided: reads it, sets
  // `decided` to the length of that part (the rest is held back) and
  // returns true, so that the caller can hand the part on without a copy.
  // Otherwise returns false and reads nothing; add then decides the piece.
  // ownMarkup: the parts of the piece, in order, that hold no markup but the
  // engine's own, which opens no comment and no raw text; such a part is not
  // read where the HTML before it is decided and ends in text.
  bool passOver(std::u16string_view piece, std::size_t& decided,
                const std::vector<TPieceRange>& ownMarkup = {});

  // The whole page at once.
  static std::u16string decide(std::u16string_view html);

 private:
  enum TState { tsText, tsComment, tsBogusComment, tsRawText };
  class TWriter;

  // Writes html from the start as far as it can be decided (everything when
  // complete); returns how many code units were used.
  std::size_t settle(std::u16string& out_, std::u16string_view html, bool complete);
  // The reading behind settle: moves the state through html and returns how
  // far it is decided; the writer writes only what reading alone cannot.
  std::size_t settleFrom(TWriter& writer, std::u16string_view html, bool complete);
  // Reads html, which holds no undecided "<", as far as it can be decided,
  // and returns how far that is.
  std::size_t readDecided(std::u16string_view html);
  // At the plain tag html[i..end]: the position after it.
  int passPlainTag(std::u16string_view html, int i, int end);
  // At any other "<" or an undecided "<" in text: the position after what
  // was decided, or -1 when the HTML that decides it is not there yet.
  int settleMarkup(TWriter& writer, std::u16string_view html, int i, bool complete);
  int settleUndecided(TWriter& writer, std::u16string_view html, int i, bool complete);
  // After a start tag a browser reads, given its name: a raw-text element's
  // start tag switches to its text.
  void enterRawText(std::u16string_view name);
  // Inside a comment, bogus comment or raw text: how much was used.
  std::size_t settleInside(std::u16string_view html, std::size_t i, bool complete);

  std::u16string FHeld;      // HTML not decided yet
  TState FState = tsText;
  std::u16string FRawTextEnd;  // "</textarea" and the like, inside raw text
};

// ---- plain tags, read at every tag of a page

// ASCII letters, and ASCII letters and digits, as tables by character code.
struct TPlainTagUnits {
  bool letter[128]{};
  bool nameUnit[128]{};
  constexpr TPlainTagUnits() {
    for (char16_t c = 0; c < 128; ++c) {
      letter[c] = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
      nameUnit[c] = letter[c] || (c >= u'0' && c <= u'9');
    }
  }
  bool isLetter(char16_t c) const { return c < 128 && letter[c]; }
  bool isNameUnit(char16_t c) const { return c < 128 && nameUnit[c]; }
};
inline constexpr TPlainTagUnits PLAIN_TAG_UNITS;

inline int plainTagEnd(std::u16string_view text, int start) {
  const int n = static_cast<int>(text.size());
  int k = start + 1;
  if (k < n && text[k] == u'/') ++k;
  if (k >= n || !PLAIN_TAG_UNITS.isLetter(text[k])) return -1;
  while (k < n && PLAIN_TAG_UNITS.isNameUnit(text[k])) ++k;
  return k < n && text[k] == u'>' ? k : -1;
}

}  // namespace glyphmill
