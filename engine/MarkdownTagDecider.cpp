#include "MarkdownTagDecider.h"

#include <algorithm>

#include "MarkdownUnitSearch.h"

namespace glyphmill {

using namespace std::string_view_literals;

namespace {

// Elements whose content a browser reads as text up to their end tag;
// plaintext has none.
constexpr std::u16string_view RAW_TEXT_ELEMENTS[] = {
    u"iframe", u"noembed", u"noframes", u"noscript", u"plaintext", u"script",
    u"style",  u"textarea", u"title",   u"xmp"};

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool isTagSpace(char16_t c) { return c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

// Whether a tag name of this first letter and length may name a raw-text
// element (see rawTextElementNamed); most names are told apart by these alone.
bool mayNameRawTextElement(char16_t first, std::size_t n) {
  switch (asciiLower(first)) {
    case u'i': return n == 6;            // iframe
    case u'n': return n == 7 || n == 8;  // noembed, noframes, noscript
    case u'p': return n == 9;            // plaintext
    case u's': return n == 5 || n == 6;  // style, script
    case u't': return n == 5 || n == 8;  // title, textarea
    case u'x': return n == 3;            // xmp
    default: return false;
  }
}

// The raw-text element (its lower-case name) that a tag name stands for, in
// any letter case; empty when it stands for none.
std::u16string_view rawTextElementNamed(std::u16string_view name) {
  if (name.empty() || !mayNameRawTextElement(name[0], name.size())) return {};
  const char16_t first = asciiLower(name[0]);
  for (const std::u16string_view element : RAW_TEXT_ELEMENTS) {
    if (element.size() != name.size() || element[0] != first) continue;
    std::size_t k = 1;
    while (k < name.size() && asciiLower(name[k]) == element[k]) ++k;
    if (k == name.size()) return element;
  }
  return {};
}

// The name of the start tag `tag` ("<" to ">"), as a browser reads it.
std::u16string_view tagName(std::u16string_view tag) {
  std::size_t nameEnd = 1;
  while (nameEnd < tag.size() && !isTagSpace(tag[nameEnd]) && tag[nameEnd] != u'/' &&
         tag[nameEnd] != u'>') {
    ++nameEnd;
  }
  return tag.substr(1, nameEnd - 1);
}

// The first "<" or undecided "<" at or after from; the size when none.
std::size_t nextMarkup(std::u16string_view html, std::size_t from) {
  return findEitherUnit(html, from, u'<', UNDECIDED_TAG);
}

// Where, at or after from, the end tag `end` ("</textarea") starts, followed
// by white space, "/" or ">"; npos when it is not found. When the text may
// go on (not complete), a match cut off at the end counts as not found.
std::size_t findRawTextEnd(std::u16string_view html, std::size_t from, std::u16string_view end) {
  for (std::size_t at = findText(html, from, u"</"sv); at != std::u16string_view::npos;
       at = findText(html, at + 1, u"</"sv)) {
    const std::size_t after = at + end.size();
    if (after >= html.size()) return std::u16string_view::npos;
    bool same = true;
    for (std::size_t k = 2; k < end.size() && same; ++k) same = asciiLower(html[at + k]) == end[k];
    const char16_t next = html[after];
    if (same && (isTagSpace(next) || next == u'/' || next == u'>')) return at;
  }
  return std::u16string_view::npos;
}

}  // namespace

std::u16string TTagDecider::decide(std::u16string_view html) {
  TTagDecider decider;
  std::u16string out;
  out.reserve(html.size() + 16);
  decider.settle(out, html, true);
  return out;
}

void TTagDecider::add(std::u16string& out_, std::u16string_view piece) {
  if (FHeld.empty()) {
    // Nothing held back: the piece is read where it stands, and only what
    // it leaves undecided is copied.
    const std::size_t used = settle(out_, piece, false);
    FHeld.assign(piece.substr(used));
    return;
  }
  FHeld += piece;
  const std::size_t used = settle(out_, FHeld, false);
  FHeld.erase(0, used);
}

void TTagDecider::finish(std::u16string& out_) {
  settle(out_, FHeld, true);
  FHeld.clear();
  FState = tsText;
}

// Writes what the decider passes over. Apart from a harmless undecided tag,
// the decided page is the HTML itself with every undecided "<" as text, so
// the HTML is copied in long runs, only when needed.
class TTagDecider::TWriter {
 public:
  TWriter(std::u16string& out_, std::u16string_view html) : FOut(out_), FHtml(html) {}

  // Writes the HTML up to `to`, every undecided "<" in it as "&lt;".
  void copyTo(std::size_t to) {
    while (FCopied < to) {
      if (!FMarkSought || FNextMark < FCopied) {
        FNextMark = findEitherUnit(FHtml, FCopied, UNDECIDED_TAG, UNDECIDED_TAG);
        FMarkSought = true;
      }
      const std::size_t stop = std::min(FNextMark, to);
      FOut.append(FHtml.substr(FCopied, stop - FCopied));
      FCopied = stop;
      if (stop < to) {  // an undecided "<"
        FOut += u"&lt;"sv;
        FCopied = stop + 1;
      }
    }
  }

  // Writes the harmless tag html[start..end] (its "<" undecided) as a tag,
  // every "<" inside it as "&lt;".
  void writeHarmlessTag(std::size_t start, std::size_t end) {
    copyTo(start);
    FOut += u'<';
    for (std::size_t k = start + 1; k <= end; ++k) {
      if (FHtml[k] == u'<' || FHtml[k] == UNDECIDED_TAG) {
        FOut += u"&lt;"sv;
      } else {
        FOut += FHtml[k];
      }
    }
    FCopied = end + 1;
  }

 private:
  std::u16string& FOut;
  std::u16string_view FHtml;
  std::size_t FCopied = 0;    // the HTML before this position is written
  // The first undecided "<" found by the last search (the size of the HTML
  // when none was left); searched again only once the copy has passed it.
  std::size_t FNextMark = 0;
  bool FMarkSought = false;
};

std::size_t TTagDecider::settle(std::u16string& out_, std::u16string_view html, bool complete) {
  TWriter writer(out_, html);
  const std::size_t used = settleFrom(writer, html, complete);
  writer.copyTo(used);
  return used;
}

std::size_t TTagDecider::readDecided(std::u16string_view html) {
  // Without an undecided "<" the reading writes nothing of its own.
  std::u16string unwritten;
  TWriter writer(unwritten, html);
  return settleFrom(writer, html, false);
}

bool TTagDecider::passOver(std::u16string_view piece, std::size_t& decided,
                           const std::vector<TPieceRange>& ownMarkup) {
  if (!FHeld.empty() || findEitherUnit(piece, 0, UNDECIDED_TAG, UNDECIDED_TAG) != piece.size()) {
    return false;
  }
  std::size_t from = 0;   // the piece is decided before this position
  bool waiting = false;  // something waits for the HTML after it, so the rest does too
  for (const TPieceRange& own : ownMarkup) {
    from += readDecided(piece.substr(from, own.begin - from));
    waiting = from < own.begin;
    if (waiting) break;
    // The engine's own markup leaves text as text; in a comment or raw text,
    // it is read with what comes after it.
    if (FState == tsText) from = own.end;
  }
  if (!waiting) from += readDecided(piece.substr(from));
  decided = from;
  FHeld.assign(piece.substr(decided));
  return true;
}

int TTagDecider::passPlainTag(std::u16string_view html, int i, int end) {
  // A start tag; only a name that may stand for a raw-text element is looked up.
  if (html[i + 1] != u'/' && mayNameRawTextElement(html[i + 1], end - i - 1)) {
    enterRawText(html.substr(i + 1, end - i - 1));
  }
  return end + 1;
}

std::size_t TTagDecider::settleFrom(TWriter& writer, std::u16string_view html, bool complete) {
  const std::size_t n = html.size();
  std::size_t i = 0;
  while (i < n) {
    if (FState != tsText) {
      const std::size_t used = settleInside(html, i, complete);
      if (FState != tsText) return used;
      i = used;
      continue;
    }
    const std::size_t next = nextMarkup(html, i);
    if (next == n) return n;
    // Plain tags, most of a page's markup, are passed over right here.
    const int plainEnd = html[next] == u'<' ? plainTagEnd(html, static_cast<int>(next)) : -1;
    const int after = plainEnd >= 0 ? passPlainTag(html, static_cast<int>(next), plainEnd)
                                    : settleMarkup(writer, html, static_cast<int>(next), complete);
    if (after < 0) return next;
    i = static_cast<std::size_t>(after);
  }
  return n;
}

int TTagDecider::settleMarkup(TWriter& writer, std::u16string_view html, int i, bool complete) {
  const int n = static_cast<int>(html.size());
  // "<!--" is the longest start to be told apart.
  if (!complete && i + 4 > n) return -1;
  if (html[i] == UNDECIDED_TAG) return settleUndecided(writer, html, i, complete);
  const char16_t next = i + 1 < n ? html[i + 1] : u'\0';
  if (next == u'!') {
    FState = html.substr(i, 4) == u"<!--" ? tsComment : tsBogusComment;
    return i + 2;
  }
  if (startsBrowserTag(html, i)) {
    const int end = browserTagEnd(html, i);
    if (end < 0) {
      if (!complete) return -1;
      // A tag the page ends in is dropped by a browser.
      return n;
    }
    if (next != u'/') enterRawText(tagName(html.substr(i, end - i + 1)));
    return end + 1;
  }
  if (next == u'?' || next == u'/') {  // "<?" and "</" without a letter
    FState = tsBogusComment;
    return i + 2;
  }
  return i + 1;
}

int TTagDecider::settleUndecided(TWriter& writer, std::u16string_view html, int i,
                                 bool complete) {
  const std::size_t n = html.size();
  // Returning past the undecided "<" alone writes it as "&lt;".
  if (!startsBrowserTag(html, i)) return i + 1;
  const std::u16string_view limited =
      html.substr(0, std::min(n, static_cast<std::size_t>(i) + kMaxUndecidedTag));
  const int end = browserTagEnd(limited, i);
  if (end < 0 && !complete && limited.size() == n) return -1;
  if (end < 0 || !isHarmlessBrowserTag(html, i, end)) return i + 1;
  writer.writeHarmlessTag(static_cast<std::size_t>(i), static_cast<std::size_t>(end));
  if (html[i + 1] != u'/') enterRawText(tagName(html.substr(i, end - i + 1)));
  return end + 1;
}

void TTagDecider::enterRawText(std::u16string_view name) {
  const std::u16string_view element = rawTextElementNamed(name);
  if (element.empty()) return;
  FState = tsRawText;
  FRawTextEnd = element == u"plaintext" ? std::u16string() : u"</" + std::u16string(element);
}

std::size_t TTagDecider::settleInside(std::u16string_view html, std::size_t i, bool complete) {
  const std::size_t n = html.size();
  std::size_t end = std::u16string_view::npos;  // where the construct's text ends
  std::size_t resume = 0;                         // where reading goes on after it
  std::size_t keep = 0;  // what may begin its end and is held back meanwhile
  if (FState == tsComment) {
    // A comment ends at "-->" or at "--!>", whichever comes first.
    const std::size_t dashes = findText(html, i, u"-->"sv);
    const std::size_t bang = findText(
        html.substr(0, dashes == std::u16string_view::npos ? html.size() : dashes), i, u"--!>"sv);
    end = std::min(dashes, bang);
    if (end != std::u16string_view::npos) resume = end + (end == dashes ? 3 : 4);
    keep = 3;
  } else if (FState == tsBogusComment) {
    end = findText(html, i, u">"sv);
    if (end != std::u16string_view::npos) resume = end + 1;
  } else if (!FRawTextEnd.empty()) {
    end = findRawTextEnd(html, i, FRawTextEnd);
    resume = end;  // the end tag is read as a tag
    keep = FRawTextEnd.size();
  }
  if (end == std::u16string_view::npos) {
    return complete ? n : std::max(i, n - std::min(n, keep));
  }
  FState = tsText;
  return resume;
}

}  // namespace glyphmill
