#include "MarkdownTagDecider.h"

#include <algorithm>

namespace glyphmill {

namespace {

// Elements whose content a browser reads as text up to their end tag;
// plaintext has none.
constexpr std::u16string_view RAW_TEXT_ELEMENTS[] = {
    u"iframe", u"noembed", u"noframes", u"noscript", u"plaintext", u"script",
    u"style",  u"textarea", u"title",   u"xmp"};

char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

bool isTagSpace(char16_t c) { return c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

// Copies html[from, to) with every undecided "<" as text.
void appendUndecidedAsText(std::u16string& out_, std::u16string_view html, std::size_t from,
                           std::size_t to) {
  const std::u16string_view range = html.substr(0, to);
  std::size_t i = from;
  while (i < to) {
    std::size_t mark = range.find(UNDECIDED_TAG, i);
    if (mark == std::u16string_view::npos) mark = to;
    out_.append(range.substr(i, mark - i));
    if (mark < to) out_ += u"&lt;";
    i = mark + 1;
  }
}

// The first "<" or undecided "<" at or after from; the size when none.
std::size_t nextMarkup(std::u16string_view html, std::size_t from) {
  std::size_t i = from;
  while (i < html.size() && html[i] != u'<' && html[i] != UNDECIDED_TAG) ++i;
  return i;
}

// Where, at or after from, the end tag `end` ("</textarea") starts, followed
// by white space, "/" or ">"; npos when it is not found. When the text may
// go on (not complete), a match cut off at the end counts as not found.
std::size_t findRawTextEnd(std::u16string_view html, std::size_t from, std::u16string_view end) {
  for (std::size_t at = html.find(u"</", from); at != std::u16string_view::npos;
       at = html.find(u"</", at + 1)) {
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

std::size_t TTagDecider::settle(std::u16string& out_, std::u16string_view html, bool complete) {
  const std::size_t n = html.size();
  std::size_t i = 0;
  while (i < n) {
    if (FState != tsText) {
      const std::size_t used = settleInside(out_, html, i, complete);
      if (FState != tsText) return used;
      i = used;
      continue;
    }
    const std::size_t next = nextMarkup(html, i);
    out_.append(html.substr(i, next - i));
    if (next == n) return n;
    const int after = settleMarkup(out_, html, static_cast<int>(next), complete);
    if (after < 0) return next;
    i = static_cast<std::size_t>(after);
  }
  return n;
}

int TTagDecider::settleMarkup(std::u16string& out_, std::u16string_view html, int i,
                              bool complete) {
  const int n = static_cast<int>(html.size());
  // "<!--" is the longest start to be told apart.
  if (!complete && i + 4 > n) return -1;
  if (html[i] == UNDECIDED_TAG) return settleUndecided(out_, html, i, complete);
  const char16_t next = i + 1 < n ? html[i + 1] : u'\0';
  if (next == u'!') {
    out_ += u"<!";
    FState = html.substr(i, 4) == u"<!--" ? tsComment : tsBogusComment;
    return i + 2;
  }
  if (startsBrowserTag(html, i)) {
    const int end = browserTagEnd(html, i);
    if (end < 0) {
      if (!complete) return -1;
      // A tag the page ends in is dropped by a browser.
      appendUndecidedAsText(out_, html, i, n);
      return n;
    }
    appendUndecidedAsText(out_, html, i, end + 1);
    enterRawText(html.substr(i, end - i + 1));
    return end + 1;
  }
  if (next == u'?' || next == u'/') {  // "<?" and "</" without a letter
    out_ += u'<';
    out_ += next;
    FState = tsBogusComment;
    return i + 2;
  }
  out_ += u'<';
  return i + 1;
}

int TTagDecider::settleUndecided(std::u16string& out_, std::u16string_view html, int i,
                                 bool complete) {
  const std::size_t n = html.size();
  if (!startsBrowserTag(html, i)) {
    out_ += u"&lt;";
    return i + 1;
  }
  const std::u16string_view limited =
      html.substr(0, std::min(n, static_cast<std::size_t>(i) + kMaxUndecidedTag));
  const int end = browserTagEnd(limited, i);
  if (end < 0 && !complete && limited.size() == n) return -1;
  if (end < 0 || !isHarmlessBrowserTag(html, i, end)) {
    out_ += u"&lt;";
    return i + 1;
  }
  out_ += u'<';
  for (int k = i + 1; k <= end; ++k) {
    if (html[k] == u'<' || html[k] == UNDECIDED_TAG) {
      out_ += u"&lt;";
    } else {
      out_ += html[k];
    }
  }
  enterRawText(html.substr(i, end - i + 1));
  return end + 1;
}

void TTagDecider::enterRawText(std::u16string_view tag) {
  if (tag.size() < 2 || tag[1] == u'/') return;
  // Most tags are told apart by their first letter.
  if (std::u16string_view(u"inpstx").find(asciiLower(tag[1])) == std::u16string_view::npos) return;
  std::u16string name;
  for (std::size_t k = 1; k < tag.size() && !isTagSpace(tag[k]) && tag[k] != u'/' &&
                          tag[k] != u'>';
       ++k) {
    name += asciiLower(tag[k]);
  }
  if (std::find(std::begin(RAW_TEXT_ELEMENTS), std::end(RAW_TEXT_ELEMENTS), name) ==
      std::end(RAW_TEXT_ELEMENTS)) {
    return;
  }
  FState = tsRawText;
  FRawTextEnd = name == u"plaintext" ? std::u16string() : u"</" + name;
}

std::size_t TTagDecider::settleInside(std::u16string& out_, std::u16string_view html,
                                      std::size_t i, bool complete) {
  const std::size_t n = html.size();
  std::size_t end = std::u16string_view::npos;  // where the construct's text ends
  std::size_t resume = 0;                         // where reading goes on after it
  std::size_t keep = 0;  // what may begin its end and is held back meanwhile
  if (FState == tsComment) {
    // A comment ends at "-->" or at "--!>", whichever comes first.
    const std::size_t dashes = html.find(u"-->", i);
    const std::size_t bang =
        html.substr(0, dashes == std::u16string_view::npos ? html.size() : dashes)
            .find(u"--!>", i);
    end = std::min(dashes, bang);
    if (end != std::u16string_view::npos) resume = end + (end == dashes ? 3 : 4);
    keep = 3;
  } else if (FState == tsBogusComment) {
    end = html.find(u'>', i);
    if (end != std::u16string_view::npos) resume = end + 1;
  } else if (!FRawTextEnd.empty()) {
    end = findRawTextEnd(html, i, FRawTextEnd);
    resume = end;  // the end tag is read as a tag
    keep = FRawTextEnd.size();
  }
  if (end == std::u16string_view::npos) {
    const std::size_t upTo = complete ? n : std::max(i, n - std::min(n, keep));
    appendUndecidedAsText(out_, html, i, upTo);
    return upTo;
  }
  appendUndecidedAsText(out_, html, i, resume);
  FState = tsText;
  return resume;
}

}  // namespace glyphmill
