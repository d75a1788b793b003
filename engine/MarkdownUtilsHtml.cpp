// The engine's knowledge of HTML (elements, entities), the tag reader, and
// the inline recognisers for "<" (autolinks, tags) and "&" (references).
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "MarkdownInlineScan.h"
#include "MarkdownTagDecider.h"
#include "MarkdownTables.h"
#include "MarkdownUnitSearch.h"
#include "MarkdownUtils.h"

namespace glyphmill {

using namespace std::string_view_literals;

// ---------------------------------------------------------------- tables

namespace {

// Element names in the order of THTMLElement, starting after heNONE.
constexpr std::u16string_view ELEMENT_NAMES[] = {
    u"a", u"abbr", u"acronym", u"address", u"applet", u"area", u"b", u"base", u"basefont",
    u"bdo", u"big", u"blockquote", u"body", u"br", u"button", u"caption", u"cite", u"code",
    u"col", u"colgroup", u"dd", u"del", u"dfn", u"div", u"dl", u"dt", u"em", u"fieldset",
    u"font", u"form", u"frame", u"frameset", u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"head",
    u"hr", u"html", u"i", u"iframe", u"img", u"input", u"ins", u"kbd", u"label", u"legend",
    u"li", u"link", u"map", u"meta", u"noscript", u"object", u"ol", u"optgroup", u"option",
    u"p", u"param", u"pre", u"q", u"s", u"samp", u"script", u"select", u"small", u"span",
    u"strike", u"strong", u"style", u"sub", u"sup", u"table", u"tbody", u"td", u"textarea",
    u"tfoot", u"th", u"thead", u"title", u"tr", u"tt", u"u", u"ul", u"var"};
static_assert(std::size(ELEMENT_NAMES) == hevar, "one name per element");
static_assert(std::is_sorted(std::begin(ELEMENT_NAMES), std::end(ELEMENT_NAMES)),
              "in code unit order, so that the names of one first letter stand together");

// Elements that start a raw HTML block.
constexpr THTMLElement BLOCK_ELEMENTS[] = {
    headdress, heblockquote, hedel, hediv, hedl, hefieldset, heform, heh1, heh2, heh3, heh4,
    heh5, heh6, hehr, heins, henoscript, heol, hep, hepre, hetable, heul};

// Elements whose tags safe mode writes as text.
constexpr THTMLElement UNSAFE_ELEMENTS[] = {heapplet, hebase,  hebody,   heframe,  heframeset,
                                            hehead,   hehtml,  heiframe, heobject, hescript};
// Unsafe elements outside the element enumeration: they load active content
// into the page.
constexpr std::u16string_view UNSAFE_OTHER_NAMES[] = {u"embed", u"portal"};

// The facts of each element, by THTMLElement, so that one lookup of the
// name gives them all.
constexpr auto ELEMENT_FACTS = [] {
  std::array<THTMLElementFacts, hevar + 1> facts{};
  for (std::size_t i = 0; i < facts.size(); ++i) facts[i].element = static_cast<THTMLElement>(i);
  for (const THTMLElement element : BLOCK_ELEMENTS) facts[element].block = true;
  for (const THTMLElement element : UNSAFE_ELEMENTS) facts[element].unsafe = true;
  return facts;
}();

// Named character references that are copied to the output as they are.
constexpr std::u16string_view HTML_ENTITIES[] = {
    u"&Acirc;", u"&acirc;", u"&acute;", u"&AElig;", u"&aelig;", u"&Agrave;", u"&agrave;",
    u"&alefsym;", u"&Alpha;", u"&alpha;", u"&amp;", u"&and;", u"&ang;", u"&apos;", u"&Aring;",
    u"&aring;", u"&asymp;", u"&Atilde;", u"&atilde;", u"&Auml;", u"&auml;", u"&bdquo;",
    u"&Beta;", u"&beta;", u"&brvbar;", u"&bull;", u"&cap;", u"&Ccedil;", u"&ccedil;",
    u"&cedil;", u"&cent;", u"&Chi;", u"&chi;", u"&circ;", u"&clubs;", u"&cong;", u"&copy;",
    u"&crarr;", u"&cup;", u"&curren;", u"&Dagger;", u"&dagger;", u"&dArr;", u"&darr;",
    u"&deg;", u"&Delta;", u"&delta;", u"&diams;", u"&divide;", u"&Eacute;", u"&eacute;",
    u"&Ecirc;", u"&ecirc;", u"&Egrave;", u"&egrave;", u"&empty;", u"&emsp;", u"&ensp;",
    u"&Epsilon;", u"&epsilon;", u"&equiv;", u"&Eta;", u"&eta;", u"&ETH;", u"&eth;", u"&Euml;",
    u"&euml;", u"&euro;", u"&exist;", u"&fnof;", u"&forall;", u"&frac12;", u"&frac14;",
    u"&frac34;", u"&frasl;", u"&Gamma;", u"&gamma;", u"&ge;", u"&gt;", u"&hArr;", u"&harr;",
    u"&hearts;", u"&hellip;", u"&Iacute;", u"&iacute;", u"&Icirc;", u"&icirc;", u"&iexcl;",
    u"&Igrave;", u"&igrave;", u"&image;", u"&infin;", u"&int;", u"&Iota;", u"&iota;",
    u"&iquest;", u"&isin;", u"&Iuml;", u"&iuml;", u"&Kappa;", u"&kappa;", u"&Lambda;",
    u"&lambda;", u"&lang;", u"&laquo;", u"&lArr;", u"&larr;", u"&lceil;", u"&ldquo;", u"&le;",
    u"&lfloor;", u"&lowast;", u"&loz;", u"&lrm;", u"&lsaquo;", u"&lsquo;", u"&lt;", u"&macr;",
    u"&mdash;", u"&micro;", u"&middot;", u"&minus;", u"&Mu;", u"&mu;", u"&nabla;", u"&nbsp;",
    u"&ndash;", u"&ne;", u"&ni;", u"&not;", u"&notin;", u"&nsub;", u"&Ntilde;", u"&ntilde;",
    u"&Nu;", u"&nu;", u"&Oacute;", u"&oacute;", u"&Ocirc;", u"&ocirc;", u"&OElig;", u"&oelig;",
    u"&Ograve;", u"&ograve;", u"&oline;", u"&Omega;", u"&omega;", u"&Omicron;", u"&omicron;",
    u"&oplus;", u"&or;", u"&ordf;", u"&ordm;", u"&Oslash;", u"&oslash;", u"&Otilde;",
    u"&otilde;", u"&otimes;", u"&Ouml;", u"&ouml;", u"&para;", u"&part;", u"&permil;",
    u"&perp;", u"&Phi;", u"&phi;", u"&Pi;", u"&pi;", u"&piv;", u"&plusmn;", u"&pound;",
    u"&Prime;", u"&prime;", u"&prod;", u"&prop;", u"&Psi;", u"&psi;", u"&quot;", u"&radic;",
    u"&rang;", u"&raquo;", u"&rArr;", u"&rarr;", u"&rceil;", u"&rdquo;", u"&real;", u"&reg;",
    u"&rfloor;", u"&Rho;", u"&rho;", u"&rlm;", u"&rsaquo;", u"&rsquo;", u"&sbquo;",
    u"&Scaron;", u"&scaron;", u"&sdot;", u"&sect;", u"&shy;", u"&Sigma;", u"&sigma;",
    u"&sigmaf;", u"&sim;", u"&spades;", u"&sub;", u"&sube;", u"&sum;", u"&sup;", u"&sup1;",
    u"&sup2;", u"&sup3;", u"&supe;", u"&szlig;", u"&Tau;", u"&tau;", u"&there4;", u"&Theta;",
    u"&theta;", u"&thetasym;", u"&thinsp;", u"&thorn;", u"&tilde;", u"&times;", u"&trade;",
    u"&Uacute;", u"&uacute;", u"&uArr;", u"&uarr;", u"&Ucirc;", u"&ucirc;", u"&Ugrave;",
    u"&ugrave;", u"&uml;", u"&upsih;", u"&Upsilon;", u"&upsilon;", u"&Uuml;", u"&uuml;",
    u"&weierp;", u"&Xi;", u"&xi;", u"&Yacute;", u"&yacute;", u"&yen;", u"&Yuml;", u"&yuml;",
    u"&Zeta;", u"&zeta;", u"&zwj;", u"&zwnj;"};
static_assert(std::size(HTML_ENTITIES) == 250, "250 named references");

constexpr std::u16string_view LINK_PREFIXES[] = {u"http", u"https", u"ftp", u"ftps"};

template <typename Table, typename Value>
bool tableContains(const Table& table, const Value& value) {
  return std::find(std::begin(table), std::end(table), value) != std::end(table);
}

}  // namespace

namespace {

constexpr char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

// A name of up to 10 letters and digits packed into one number, 6 bits per
// character ("a" to "z" are 1 to 26, "0" to "9" are 27 to 36), so that a name
// is looked up with one comparison per step of a binary search. 0 when the
// name is empty, longer, or holds another character (or, unless anyCase, an
// upper-case letter): every element name has a key of its own.
constexpr std::uint64_t nameKey(std::u16string_view name, bool anyCase) {
  if (name.empty() || name.size() > 10) return 0;
  std::uint64_t key = 0;
  for (const char16_t written : name) {
    const char16_t c = anyCase ? asciiLower(written) : written;
    std::uint64_t code = 0;
    if (c >= u'a' && c <= u'z') {
      code = c - u'a' + 1;
    } else if (c >= u'0' && c <= u'9') {
      code = c - u'0' + 27;
    } else {
      return 0;
    }
    key = key << 6 | code;
  }
  return key;
}

// The facts of every name the engine knows (the elements and the other
// unsafe names) in a hash table by key: a slot holds key 0 when empty, and a
// name is placed at the first empty slot from its hash on, so a lookup reads
// from the hash on until it finds the key or an empty slot.
struct TKeyedFacts {
  std::uint64_t key = 0;
  THTMLElementFacts facts;
};
constexpr std::size_t kFactSlots = 256;  // a power of 2, under half full
constexpr std::size_t slotOf(std::uint64_t key) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 56) % kFactSlots;
}
constexpr auto FACTS_BY_KEY = [] {
  std::array<TKeyedFacts, kFactSlots> slots{};
  const auto place = [&slots](std::uint64_t key, THTMLElementFacts facts) {
    // A name without a key of its own (too long, or another character) would
    // stand for an empty slot: the table is then not made at all.
    if (key == 0) throw "a known name has no key";
    std::size_t slot = slotOf(key);
    while (slots[slot].key != 0) slot = (slot + 1) % kFactSlots;
    slots[slot] = {key, facts};
  };
  for (std::size_t i = 0; i < std::size(ELEMENT_NAMES); ++i) {
    place(nameKey(ELEMENT_NAMES[i], false), ELEMENT_FACTS[i + 1]);
  }
  for (const std::u16string_view name : UNSAFE_OTHER_NAMES) {
    THTMLElementFacts facts;
    facts.unsafe = true;
    place(nameKey(name, false), facts);
  }
  return slots;
}();
static_assert(2 * (std::size(ELEMENT_NAMES) + std::size(UNSAFE_OTHER_NAMES)) < kFactSlots,
              "room enough that lookups stay short");

}  // namespace

THTMLElement THTML::elementOf(std::u16string_view name) { return factsOf(name).element; }

THTMLElementFacts THTML::factsOf(std::u16string_view name, bool anyCase) {
  const std::uint64_t key = nameKey(name, anyCase);
  if (key == 0) return THTMLElementFacts{};
  for (std::size_t slot = slotOf(key); FACTS_BY_KEY[slot].key != 0;
       slot = (slot + 1) % kFactSlots) {
    if (FACTS_BY_KEY[slot].key == key) return FACTS_BY_KEY[slot].facts;
  }
  return THTMLElementFacts{};
}

bool THTML::isHtmlBlockElement(std::u16string_view s) { return factsOf(s).block; }

bool THTML::isUnsafeHtmlElement(std::u16string_view s) { return factsOf(s).unsafe; }

bool THTML::isEntity(const std::u16string& s) {
  static const std::unordered_set<std::u16string_view> entities(std::begin(HTML_ENTITIES),
                                                                 std::end(HTML_ENTITIES));
  return entities.count(s) != 0;
}

bool THTML::isLinkPrefix(const std::u16string& s) {
  return tableContains(LINK_PREFIXES, std::u16string_view(s));
}

// ---------------------------------------------------------------- tag reader

namespace {

constexpr TCharSet NAME_STOPS{u' ', u'/', u'>'};
// In safe mode any white space also ends the name, so that "<script" and a
// line break is still seen as a script tag.
constexpr TCharSet SAFE_NAME_STOPS{u' ', u'/', u'>', u'\t', u'\n', u'\v', u'\f', u'\r'};
constexpr TCharSet ATTRIBUTE_STOPS{u'/', u'>'};

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isHexDigit(char16_t c) {
  return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
// The value of a decimal or hexadecimal digit.
unsigned digitValue(char16_t c) {
  return isAsciiDigit(c) ? c - u'0' : asciiLower(c) - u'a' + 10;
}

// White space between the parts of a tag, for a browser.
bool isTagSpace(char16_t c) { return c == 9 || c == 10 || c == 12 || c == 13 || c == 32; }

// The position of the ">" when the "/" at slash is followed only by white
// space and ">" (a self-closing slash), or -1.
int selfClosingEnd(std::u16string_view s, int slash) {
  int i = slash + 1;
  while (i < static_cast<int>(s.size()) && isTagSpace(s[i])) ++i;
  return i < static_cast<int>(s.size()) && s[i] == u'>' ? i : -1;
}

// The position of the ">" that ends what follows the tag name, as
// copyTagRest finds it, or -1.
int tagRestEnd(std::u16string_view s, int from) {
  int p = TUtils::findXMLStop(s, from, ATTRIBUTE_STOPS);
  while (p >= 0 && s[p] == u'/' && selfClosingEnd(s, p) < 0) {
    p = TUtils::findXMLStop(s, p + 1, ATTRIBUTE_STOPS);
  }
  if (p >= 0 && s[p] == u'/') p = selfClosingEnd(s, p);
  return p;
}

// Copies what follows the tag name: the attributes up to ">", a self-closing
// slash written as " /", and the ">". A "/" elsewhere is copied as it stands.
// Returns the position of the ">", or -1.
int copyTagRest(std::u16string& out_, std::u16string_view s, int from) {
  int p = TUtils::readXMLUntil(out_, s, from, ATTRIBUTE_STOPS);
  while (p >= 0 && s[p] == u'/' && selfClosingEnd(s, p) < 0) {
    out_ += u'/';
    p = TUtils::readXMLUntil(out_, s, p + 1, ATTRIBUTE_STOPS);
  }
  if (p < 0) return -1;
  if (s[p] == u'/') {
    out_ += u" /"sv;
    const int end = selfClosingEnd(s, p);
    out_.append(s, p + 1, end - p - 1);
    p = end;
  }
  out_ += u'>';
  return p;
}

// True when a tag name, as read, names an element that safe mode escapes.
bool namesUnsafeElement(const std::u16string& name) {
  std::size_t first = 0;
  std::size_t end = name.size();
  while (first < end && name[first] < 33) ++first;
  while (end > first && name[end - 1] < 33) --end;
  return THTML::factsOf(std::u16string_view(name).substr(first, end - first), true).unsafe;
}

// ---- how a browser reads a tag

int skipTagSpaces(std::u16string_view text, int i) {
  while (i < static_cast<int>(text.size()) && isTagSpace(text[i])) ++i;
  return i;
}

// One attribute as a browser splits it off: its name, and its value without
// quotation marks (valueStart is -1 for an attribute without a value).
struct TBrowserAttribute {
  int nameStart = 0;
  int nameEnd = 0;
  int valueStart = -1;
  int valueEnd = -1;
};

// A tag as a browser reads it: the element name and the attributes (kept
// only when asked for; finding where a tag ends needs none of them).
struct TBrowserTag {
  int nameStart = 0;
  int nameEnd = 0;
  bool keepAttributes = true;
  std::vector<TBrowserAttribute> attributes;
};

// Reads an attribute value starting at i (after "=" and spaces): quoted up to
// the same quotation mark, or unquoted up to white space or ">". Returns the
// position after it, or -1 when a quoted value is still open at the end.
int readBrowserValue(std::u16string_view text, int i, TBrowserAttribute& attribute) {
  const int length = static_cast<int>(text.size());
  if (i >= length) return i;
  const char16_t quote = text[i];
  if (quote == u'"' || quote == u'\'') {
    const std::size_t close = findEitherUnit(text, i + 1, quote, quote);
    if (close == text.size()) return -1;
    attribute.valueStart = i + 1;
    attribute.valueEnd = static_cast<int>(close);
    return static_cast<int>(close) + 1;
  }
  attribute.valueStart = i;
  while (i < length && !isTagSpace(text[i]) && text[i] != u'>') ++i;
  attribute.valueEnd = i;
  return i;
}

// Reads the tag whose "<" is at start the way a browser splits a tag into its
// name, attributes and values, which need not agree with the copying reader
// about quotes. Returns the position of the ">" that ends it for a browser,
// or -1 when the text ends first.
int readBrowserTag(std::u16string_view text, int start, TBrowserTag& tag) {
  const int length = static_cast<int>(text.size());
  int i = start + 1;
  if (i < length && text[i] == u'/') ++i;
  tag.nameStart = i;
  while (i < length && !isTagSpace(text[i]) && text[i] != u'/' && text[i] != u'>') ++i;
  tag.nameEnd = i;

  while (i < length) {
    const char16_t c = text[i];
    if (c == u'>') return i;
    if (isTagSpace(c) || c == u'/') {
      ++i;
      continue;
    }
    // An attribute name; a leading "=" belongs to it.
    TBrowserAttribute attribute;
    attribute.nameStart = i;
    ++i;
    while (i < length && !isTagSpace(text[i]) && text[i] != u'/' && text[i] != u'>' &&
           text[i] != u'=') {
      ++i;
    }
    attribute.nameEnd = i;
    i = skipTagSpaces(text, i);
    if (i < length && text[i] == u'=') {
      i = readBrowserValue(text, skipTagSpaces(text, i + 1), attribute);
      if (i < 0) return -1;
    }
    if (tag.keepAttributes) tag.attributes.push_back(attribute);
  }
  return -1;
}

// "on" and one or more letters, in any letter case: an event handler.
bool isEventHandlerName(std::u16string_view name) {
  if (name.size() < 3) return false;
  if (asciiLower(name[0]) != u'o' || asciiLower(name[1]) != u'n') return false;
  for (std::size_t i = 2; i < name.size(); ++i) {
    if (!isAsciiLetter(name[i])) return false;
  }
  return true;
}

// Decodes the character reference at text[i] ("&"): a decimal or
// hexadecimal one (";" optional, as browsers accept), or one of the named
// ones that stand for a character a script URL can hide behind ("&colon;",
// "&Tab;", "&NewLine;"). Returns false when no such reference starts there.
bool decodeReference(std::u16string_view text, int i, unsigned& code, int& next) {
  static constexpr std::pair<std::u16string_view, unsigned> NAMED[] = {
      {u"&colon;", u':'}, {u"&Tab;", 9}, {u"&NewLine;", 10}};
  const int length = static_cast<int>(text.size());
  int p = i + 1;
  if (p < length && text[p] == u'#') {
    ++p;
    const bool hex = p < length && (text[p] == u'x' || text[p] == u'X');
    if (hex) ++p;
    const int digitsStart = p;
    unsigned value = 0;
    while (p < length && (hex ? isHexDigit(text[p]) : isAsciiDigit(text[p]))) {
      // Values beyond Unicode are all alike; stop growing there.
      value = std::min(value * (hex ? 16u : 10u) + digitValue(text[p]), 0x110000u);
      ++p;
    }
    if (p == digitsStart) return false;
    if (p < length && text[p] == u';') ++p;
    code = value;
    next = p;
    return true;
  }
  for (const auto& [name, value] : NAMED) {
    if (text.substr(static_cast<std::size_t>(i), name.size()) == name) {
      code = value;
      next = i + static_cast<int>(name.size());
      return true;
    }
  }
  return false;
}

// An attribute value as a browser uses it as a URL: character references
// decoded, every character of code 32 or below dropped, ASCII letters
// lower-cased.
std::u16string urlFromValue(std::u16string_view value) {
  std::u16string url;
  const int length = static_cast<int>(value.size());
  int i = 0;
  while (i < length) {
    unsigned code = value[i];
    int next = i + 1;
    if (value[i] == u'&') decodeReference(value, i, code, next);
    if (code > 32) url += code < 0x10000 ? asciiLower(static_cast<char16_t>(code)) : u'\xFFFD';
    i = next;
  }
  return url;
}

bool isScriptUrl(const std::u16string& url) {
  return url.starts_with(u"javascript:") || url.starts_with(u"vbscript:");
}

// The name up to its first character of code 32 or below: the element a tag
// name stands for (in any letter case), read so that no spacing character
// can hide an unsafe element from the check.
std::u16string_view elementNameOf(std::u16string_view name) {
  std::size_t end = 0;
  while (end < name.size() && name[end] > 32) ++end;
  return name.substr(0, end);
}

// Whether an attribute name is "http-equiv", in any letter case.
bool isHttpEquiv(std::u16string_view name) {
  constexpr std::u16string_view HTTP_EQUIV = u"http-equiv";
  if (name.size() != HTTP_EQUIV.size()) return false;
  for (std::size_t k = 0; k < name.size(); ++k) {
    if (asciiLower(name[k]) != HTTP_EQUIV[k]) return false;
  }
  return true;
}

// True when a browser would find nothing in the tag that runs script: the
// element is not an unsafe one, no attribute is an event handler with a value
// or holds a script URL, and it is no <meta> that refreshes the page.
bool isHarmlessTag(std::u16string_view text, const TBrowserTag& tag) {
  const THTMLElementFacts facts = THTML::factsOf(
      elementNameOf(text.substr(tag.nameStart, tag.nameEnd - tag.nameStart)), true);
  if (facts.unsafe) return false;
  for (const TBrowserAttribute& attribute : tag.attributes) {
    if (attribute.valueStart < 0) continue;
    const std::u16string_view name =
        text.substr(attribute.nameStart, attribute.nameEnd - attribute.nameStart);
    if (isEventHandlerName(name)) return false;
    const std::u16string url = urlFromValue(
        text.substr(attribute.valueStart, attribute.valueEnd - attribute.valueStart));
    if (isScriptUrl(url)) return false;
    if (facts.element == hemeta && isHttpEquiv(name) && url == u"refresh") return false;
  }
  return true;
}

// Writes a tag read in safe mode. No "<" inside it is written as is (a
// browser that leaves a comment or a raw-text element inside an attribute
// value must not find a tag there); a neutralised tag gets "&lt;" for its
// opening "<" as well and is shown as text.
void appendSafeTag(std::u16string& out_, std::u16string_view tag, bool neutralise) {
  for (std::size_t i = 0; i < tag.size(); ++i) {
    if (tag[i] == u'<' && (i > 0 || neutralise)) {
      out_ += u"&lt;"sv;
    } else {
      out_ += tag[i];
    }
  }
}

// Whether a browser could start some markup (a tag, a comment, a declaration)
// at the "<" before position at.
bool mayOpenMarkup(std::u16string_view text, int at) {
  if (at >= static_cast<int>(text.size())) return false;
  const char16_t c = text[at];
  return isAsciiLetter(c) || c == u'/' || c == u'!' || c == u'?';
}

// Whether a browser, reading from the "<" at start, would finish the tag only
// after the end of text: in the HTML written after it.
bool endsAfter(std::u16string_view text, int start) {
  return startsBrowserTag(text, start) && browserTagEnd(text, start) < 0;
}

// Writes text that a browser reads as text and tags: each complete harmless
// tag as written, a "<" that opens nothing as is, a "<" whose tag ends only
// after the text through appendUndecidedTag (when `source`, the characters
// the text was copied from, position for position, is given), any other "<"
// as "&lt;".
void appendTextWithTags(std::u16string& out_, const std::u16string& text, int from,
                        std::u16string_view source) {
  const int length = static_cast<int>(text.size());
  for (int i = from; i < length; ++i) {
    if (text[i] != u'<') {
      out_ += text[i];
      continue;
    }
    const int end = TUtils::copyHarmlessTag(out_, text, i);
    if (end >= 0) {
      i = end;
    } else if (!source.empty() && endsAfter(text, i)) {
      appendUndecidedTag(out_, source, i);
    } else {
      out_ += mayOpenMarkup(text, i + 1) ? u"&lt;" : u"<";
    }
  }
}

// Writes the copied tag text ("<" ... ">") as a browser should read it: a
// harmless tag as written and whatever the browser reads after it (when it
// ends the tag early) as text and tags; a "<" that opens no tag for a browser
// as is, with the rest read the same way; with `source` (see
// appendTextWithTags), a tag that a browser finishes only after the copied
// text as undecided, the rest read the same way; anything else neutralised.
void appendReadTag(std::u16string& out_, const std::u16string& tag, bool unsafeName,
                   std::u16string_view source) {
  if (!startsBrowserTag(tag, 0)) {
    if (mayOpenMarkup(tag, 1)) {
      appendSafeTag(out_, tag, true);
      return;
    }
    out_ += u'<';
    appendTextWithTags(out_, tag, 1, source);
    return;
  }
  TBrowserTag read;
  const int end = readBrowserTag(tag, 0, read);
  if (end < 0 && !source.empty() && !unsafeName) {
    appendUndecidedTag(out_, source, 0);
    appendTextWithTags(out_, tag, 1, source);
    return;
  }
  if (unsafeName || end < 0 || !isHarmlessTag(tag, read)) {
    appendSafeTag(out_, tag, true);
    return;
  }
  appendSafeTag(out_, std::u16string_view(tag).substr(0, end + 1), false);
  appendTextWithTags(out_, tag, end + 1, source);
}

// Safe mode: reads the whole tag first, then decides whether it may stay a
// tag: not when it names an unsafe element or a browser would find script in
// it or read it as longer than it is.
int readTagSafely(std::u16string& out_, std::u16string_view s, bool closing, int nameStart,
                  bool defer) {
  const int start = closing ? nameStart - 2 : nameStart - 1;
  std::u16string name;
  const int nameEnd = TUtils::readXMLUntil(name, s, nameStart, SAFE_NAME_STOPS);
  if (nameEnd < 0) return -1;
  std::u16string tag = closing ? u"</" : u"<";
  tag += name;
  const int end = copyTagRest(tag, s, nameEnd);
  if (end < 0) return -1;
  // The copy equals the source character for character up to a final
  // self-closing slash, after which no "<" can stand.
  const std::u16string_view source = defer ? std::u16string_view(s).substr(start) : u"";
  appendReadTag(out_, tag, namesUnsafeElement(name), source);
  return end;
}

}  // namespace

// ---------------------------------------------------------------- a browser's reading

bool startsBrowserTag(std::u16string_view text, int start) {
  const int length = static_cast<int>(text.size());
  int i = start + 1;
  if (i < length && text[i] == u'/') ++i;
  return i < length && isAsciiLetter(text[i]);
}

int browserTagEnd(std::u16string_view text, int start) {
  TBrowserTag ignored;
  ignored.keepAttributes = false;
  return readBrowserTag(text, start, ignored);
}

bool isHarmlessBrowserTag(std::u16string_view text, int start, int end) {
  const std::u16string_view tagText = text.substr(start, end - start + 1);
  TBrowserTag tag;
  return readBrowserTag(tagText, 0, tag) >= 0 && isHarmlessTag(tagText, tag);
}

void appendUndecidedTag(std::u16string& out_, std::u16string_view source, int at) {
  const int end = browserTagEnd(source, at);
  if (end >= 0 && !isHarmlessBrowserTag(source, at, end)) {
    out_ += u"&lt;"sv;
  } else {
    out_ += UNDECIDED_TAG;
  }
}

// ---------------------------------------------------------------- the tag reader

int TUtils::readXML(std::u16string& out_, std::u16string_view s, int start, bool safeMode,
                    bool deferUndecided) {
  const int length = static_cast<int>(s.size());
  if (start < 0 || start > length - 2) return -1;
  const char16_t afterOpen = s[start + 1];
  if (afterOpen == u'!') {
    // Only "<!" is consumed; a comment's text is read as ordinary text.
    out_ += u"<!"sv;
    return start + 1;
  }
  // A plain tag has no attributes to read: it is written as it stands, or in
  // safe mode as text when it names an unsafe element.
  const int plainEnd = plainTagEnd(s, start);
  if (plainEnd >= 0) {
    const std::u16string_view tag = s.substr(start, plainEnd - start + 1);
    const std::size_t nameStart = afterOpen == u'/' ? 2 : 1;
    const std::u16string_view name = tag.substr(nameStart, tag.size() - nameStart - 1);
    appendSafeTag(out_, tag, safeMode && THTML::factsOf(name, true).unsafe);
    return plainEnd;
  }
  const bool closing = afterOpen == u'/';
  const int nameStart = closing ? start + 2 : start + 1;
  if (safeMode) return readTagSafely(out_, s, closing, nameStart, deferUndecided);

  out_ += closing ? u"</" : u"<";
  const int nameEnd = readXMLUntil(out_, s, nameStart, NAME_STOPS);
  if (nameEnd < 0) return -1;
  return copyTagRest(out_, s, nameEnd);
}

int TUtils::copyHarmlessTag(std::u16string& out_, const std::u16string& s, int start) {
  if (start < 0 || !startsBrowserTag(s, start)) return -1;
  TBrowserTag tag;
  const int end = readBrowserTag(s, start, tag);
  if (end < 0 || !isHarmlessTag(s, tag)) return -1;
  appendSafeTag(out_, std::u16string_view(s).substr(start, end - start + 1), false);
  return end;
}

bool TUtils::isPlainTag(const std::u16string& s, int start) {
  const int length = static_cast<int>(s.size());
  if (start < 0 || !startsBrowserTag(s, start)) return false;
  int i = start + 1;
  if (s[i] == u'/') ++i;
  const int nameStart = i;
  while (i < length && (isAsciiLetter(s[i]) || isAsciiDigit(s[i]))) ++i;
  const int nameEnd = i;
  while (i < length && (s[i] == u' ' || s[i] == u'/')) ++i;
  if (i >= length || s[i] != u'>') return false;
  // A second ">" would be taken with the first as a typographic quote.
  if (i + 1 < length && s[i + 1] == u'>') return false;
  return !THTML::factsOf(std::u16string_view(s).substr(nameStart, nameEnd - nameStart), true).unsafe;
}

// Quoted values are passed over whole: stop characters inside them do not
// count, a backslash keeps the character after it inside the value, and only
// the quotation mark that opened a value ends it.
int TUtils::findXMLStop(std::u16string_view s, int start, const TCharSet& cend) {
  const int length = static_cast<int>(s.size());
  if (start < 0) return -1;
  char16_t quote = 0;  // delimiter of the quoted value we are in, or 0
  for (int i = start; i < length; ++i) {
    const char16_t c = s[i];
    if (quote != 0 && c == u'\\') {
      ++i;
    } else if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else if (cend.contains(c)) {
      return i;
    }
  }
  return -1;
}

// Copies what it passes over, up to the stop; without one, the rest of s.
int TUtils::readXMLUntil(std::u16string& out_, std::u16string_view s, int start,
                         const TCharSet& cend) {
  if (start < 0 || start >= static_cast<int>(s.size())) return -1;
  const int stop = findXMLStop(s, start, cend);
  out_.append(s.substr(start, stop < 0 ? std::u16string_view::npos : stop - start));
  return stop;
}

int TUtils::xmlTagEnd(std::u16string_view s, int start) {
  const int length = static_cast<int>(s.size());
  if (start < 0 || start > length - 2) return -1;
  if (s[start + 1] == u'!') return start + 1;
  const int plainEnd = plainTagEnd(s, start);
  if (plainEnd >= 0) return plainEnd;
  const int nameStart = s[start + 1] == u'/' ? start + 2 : start + 1;
  const int nameEnd = findXMLStop(s, nameStart, NAME_STOPS);
  if (nameEnd < 0) return -1;
  return tagRestEnd(s, nameEnd);
}

void TUtils::getXMLTag(std::u16string& out_, const std::u16string& s) {
  std::size_t i = 1;
  if (s.size() > 1 && s[1] == u'/') i = 2;
  while (i < s.size() && isLetterOrDigit(s[i])) {
    out_ += s[i];
    ++i;
  }
}

// ---------------------------------------------------------------- autolinks and tags

namespace {

constexpr TCharSet URL_SCHEME_STOPS{u'\n', u' ', u':', u'>'};
constexpr TCharSet MAILBOX_NAME_STOPS{u'\n', u' ', u'>', u'@'};

using TAutolinkSearch = TInlineText::TAutolinkSearch;

// Reads "<first" + separator + "rest>" from the "<" at start into `read`:
// up to the first of `firstStops`, which must be `separator`, then from
// there up to ">". Returns the position of the ">", or -1. With remembered
// searches (which it updates), an answer they already give is not read again.
// Both ends are found before anything is copied: most "<" start no
// autolink, and their text is then never copied.
int readAutolink(std::u16string& read, const std::u16string& s, int start,
                 const TCharSet& firstStops, char16_t separator, TAutolinkSearch* first,
                 TAutolinkSearch* rest) {
  const int length = static_cast<int>(s.size());
  const int known = first != nullptr ? first->recall(start + 1, length) : TInlineText::kUnknown;
  if (known != TInlineText::kUnknown && (known < 0 || s[known] != separator)) return -1;
  if (known != TInlineText::kUnknown && rest->recall(known, length) == -1) return -1;
  const int stop = TUtils::findUntil(s, start + 1, firstStops);
  if (first != nullptr) *first = {start + 1, stop};
  if (stop < 0 || s[stop] != separator) return -1;
  if (rest != nullptr && rest->recall(stop, length) == -1) return -1;
  const int end = TUtils::findUntil(s, stop, u'>');
  if (rest != nullptr) *rest = {stop, end};
  if (end < 0) return -1;
  TUtils::readUntil(read, s, start + 1, firstStops);
  TUtils::readUntil(read, s, stop, u'>');
  return end;
}

// Reads "<scheme:anything>" from the "<" at start into url (without the
// brackets); returns the position of the ">", or -1.
int readUrlAutolink(std::u16string& url, const std::u16string& s, int start, TInlineText* text) {
  return readAutolink(url, s, start, URL_SCHEME_STOPS, u':', text ? &text->urlScheme : nullptr,
                      text ? &text->urlRest : nullptr);
}

// Reads "<name@anything>" from the "<" at start into mailbox; returns the
// position of the ">", or -1.
int readMailAutolink(std::u16string& mailbox, const std::u16string& s, int start,
                     TInlineText* text) {
  return readAutolink(mailbox, s, start, MAILBOX_NAME_STOPS, u'@',
                      text ? &text->mailName : nullptr, text ? &text->mailRest : nullptr);
}

}  // namespace

int TEmitter::checkHTML(std::u16string& out_, const std::u16string& s, int start) {
  return checkHTML(out_, nullptr, s, start);
}

int TEmitter::checkHTML(std::u16string& out_, TInlineText* text, const std::u16string& s,
                        int start) {
  const int length = static_cast<int>(s.size());
  FHtmlRepeats = true;
  if (start < 0 || start >= length) return -1;
  if (FInTable) {
    const int own = TTable::ownTagEnd(s, start);
    if (own >= 0) {
      out_.append(s, static_cast<std::size_t>(start), static_cast<std::size_t>(own - start + 1));
      return own;
    }
  }
  TDecorator& decorator = *config().decorator;

  // A plain tag ("<p>", "</em>") holds no ":" or "@": it is no autolink, and
  // it holds no line feed that a table's tags would end it at.
  const int plainEnd = plainTagEnd(s, start);
  if (plainEnd >= 0) {
    TUtils::readXML(out_, s, start, config().safeMode, config().deferUndecidedTags);
    return plainEnd;
  }

  std::u16string scratch;
  int end = readUrlAutolink(scratch, s, start, text);
  if (end >= 0) {
    decorator.openLink(out_);
    out_ += u" href=\""sv;
    // Safe mode keeps the link text but drops a destination that could run script.
    if (!(config().safeMode && TUtils::isDangerousUrl(scratch))) {
      TUtils::codeEncode(out_, scratch, 0);
    }
    out_ += u"\">"sv;
    TUtils::appendValue(out_, scratch, 0, static_cast<int>(scratch.size()));
    decorator.closeLink(out_);
    return end;
  }

  scratch.clear();
  end = readMailAutolink(scratch, s, start, text);
  if (end >= 0) {
    static const std::u16string MAILTO = u"mailto:";
    const int mailboxLength = static_cast<int>(scratch.size());
    FHtmlRepeats = false;
    decorator.openLink(out_);
    out_ += u" href=\""sv;
    TUtils::appendMailto(out_, MAILTO, 0, static_cast<int>(MAILTO.size()), config().random());
    TUtils::appendMailto(out_, scratch, 0, mailboxLength, config().random());
    out_ += u"\">"sv;
    TUtils::appendMailto(out_, scratch, 0, mailboxLength, config().random());
    decorator.closeLink(out_);
    return end;
  }

  return readTag(out_, s, start);
}

int TEmitter::readTag(std::u16string& out_, const std::u16string& s, int start) {
  if (static_cast<int>(s.size()) <= start + 2) return -1;
  std::u16string tag;
  const int end = TUtils::readXML(tag, s, start, config().safeMode, config().deferUndecidedTags);
  if (end < 0 || crossesTableTags(s, start, end)) return -1;
  out_ += tag;
  return end;
}

// A tag read in safe mode from a table's text must not take in the table's
// own tags: every cell ends with a line feed, so such a tag spans one. It is
// written as text instead and the table's tags are read on their own.
bool TEmitter::crossesTableTags(const std::u16string& s, int start, int end) const {
  if (!FInTable || !config().safeMode) return false;
  return std::find(s.begin() + start, s.begin() + end, u'\n') != s.begin() + end;
}

void TEmitter::emitTableText(std::u16string& out_, const std::u16string& text) {
  FInTable = true;
  recursiveEmitLine(out_, text, 0, mtNONE);
  FInTable = false;
}

namespace {

// Whether a browser's reading of a tag in the row line `source` may go on
// past the row: only a quoted value carries it over a ">".
bool mayOpenQuotedTag(std::u16string_view source) {
  if (findEitherUnit(source, 0, u'<', u'<') == source.size()) return false;
  return findEitherUnit(source, 0, u'"', u'\'') != source.size();
}

}  // namespace

bool TEmitter::mayConvertTableRowAlone(std::u16string_view source) const {
  // An undecided "<" is written after reading the tag as a browser does, up
  // to the end of the text.
  if (config().deferUndecidedTags && mayOpenQuotedTag(source)) return false;
  return config().specialLinkEmitter == nullptr ||
         findText(source, 0, u"[["sv) == std::u16string_view::npos;
}

bool TEmitter::emitTableRows(std::u16string& out_, const std::u16string& rowsText) {
  // A mail autolink draws random numbers; rows written again must draw the same.
  std::optional<std::mt19937> random;
  if (findEitherUnit(rowsText, 0, u'@', u'@') != rowsText.size()) random = config().random();
  const std::size_t before = out_.size();
  FFoundNoEnd = false;
  FInTable = true;
  recursiveEmitLine(out_, rowsText, 0, mtNONE);
  FInTable = false;
  if (!FFoundNoEnd) return true;
  out_.resize(before);
  if (random) config().random() = *random;
  return false;
}


// ---------------------------------------------------------------- character references

namespace {

// Whether `copied` (the "&" and what follows, as read so far) can still grow
// into a numeric reference ("&#" and decimal digits, or "&#x" and hexadecimal
// digits) or a named one ("&" and letters or digits). Both shapes keep every
// prefix valid, so reading stops at the first character that breaks them.
bool mayBecomeReference(const std::u16string& copied) {
  const std::size_t n = copied.size();
  const char16_t c = copied[n - 1];
  if (n == 1) return true;
  if (copied[1] == u'#') {
    if (n == 2) return true;
    const bool hex = copied[2] == u'x' || copied[2] == u'X';
    if (n == 3) return hex || isAsciiDigit(c);
    return hex ? isHexDigit(c) : isAsciiDigit(c);
  }
  return TUtils::isLetterOrDigit(c);
}

}  // namespace

// Reads like TUtils::readUntil up to ";", but gives up as soon as the text
// read can no longer be a reference, so a lone "&" costs little.
int TEmitter::checkEntity(std::u16string& out_, const std::u16string& s, int start) {
  const int length = static_cast<int>(s.size());
  if (start < 0 || start >= length) return -1;
  std::u16string copied;
  int i = start;
  while (i < length && s[i] != u';') {
    if (s[i] == u'\\' && i + 1 < length) {
      i = TUtils::escape(copied, s[i + 1], i) + 1;
    } else {
      copied += s[i];
      ++i;
    }
    if (!mayBecomeReference(copied)) return -1;
  }
  if (i >= length || copied.size() < 3) return -1;
  if (copied[1] == u'#' && (copied[2] == u'x' || copied[2] == u'X') && copied.size() < 4) return -1;
  copied += u';';
  if (copied[1] != u'#' && !THTML::isEntity(copied)) return -1;
  out_ += copied;
  return i;
}

}  // namespace glyphmill
