// The default markup of every element.
#include <string>

#include "MarkdownUtils.h"

namespace glyphmill {

using namespace std::string_view_literals;

void TDecorator::openParagraph(std::u16string& out_) { out_ += u"<p>"sv; }
void TDecorator::closeParagraph(std::u16string& out_) { out_ += u"</p>\n"sv; }
void TDecorator::openBlockQuote(std::u16string& out_) { out_ += u"<blockquote>"sv; }
void TDecorator::closeBlockQuote(std::u16string& out_) { out_ += u"</blockquote>\n"sv; }
void TDecorator::openCodeBlock(std::u16string& out_) { out_ += u"<pre><code>"sv; }
void TDecorator::closeCodeBlock(std::u16string& out_) { out_ += u"</code></pre>\n"sv; }
void TDecorator::openCodeSpan(std::u16string& out_) { out_ += u"<code>"sv; }
void TDecorator::closeCodeSpan(std::u16string& out_) { out_ += u"</code>"sv; }
void TDecorator::openStrong(std::u16string& out_) { out_ += u"<strong>"sv; }
void TDecorator::closeStrong(std::u16string& out_) { out_ += u"</strong>"sv; }
void TDecorator::openEmphasis(std::u16string& out_) { out_ += u"<em>"sv; }
void TDecorator::closeEmphasis(std::u16string& out_) { out_ += u"</em>"sv; }
void TDecorator::openStrike(std::u16string& out_) { out_ += u"<del>"sv; }
void TDecorator::closeStrike(std::u16string& out_) { out_ += u"</del>"sv; }
void TDecorator::openIns(std::u16string& out_) { out_ += u"<ins>"sv; }
void TDecorator::closeIns(std::u16string& out_) { out_ += u"</ins>"sv; }
void TDecorator::openMark(std::u16string& out_) { out_ += u"<mark>"sv; }
void TDecorator::closeMark(std::u16string& out_) { out_ += u"</mark>"sv; }
void TDecorator::openSuper(std::u16string& out_) { out_ += u"<sup>"sv; }
void TDecorator::closeSuper(std::u16string& out_) { out_ += u"</sup>"sv; }
void TDecorator::openSub(std::u16string& out_) { out_ += u"<sub>"sv; }
void TDecorator::closeSub(std::u16string& out_) { out_ += u"</sub>"sv; }
void TDecorator::openOrderedList(std::u16string& out_) { out_ += u"<ol>\n"sv; }
void TDecorator::closeOrderedList(std::u16string& out_) { out_ += u"</ol>\n"sv; }
void TDecorator::openUnOrderedList(std::u16string& out_) { out_ += u"<ul>\n"sv; }
void TDecorator::closeUnOrderedList(std::u16string& out_) { out_ += u"</ul>\n"sv; }
void TDecorator::openListItem(std::u16string& out_) { out_ += u"<li"sv; }
void TDecorator::closeListItem(std::u16string& out_) { out_ += u"</li>\n"sv; }
void TDecorator::checkedItem(std::u16string& out_) { out_ += u"<input checked disabled type=\"checkbox\">"sv; }
void TDecorator::uncheckedItem(std::u16string& out_) { out_ += u"<input unchecked disabled type=\"checkbox\">"sv; }
void TDecorator::horizontalRuler(std::u16string& out_) { out_ += u"<hr />\n"sv; }
void TDecorator::openLink(std::u16string& out_) { out_ += u"<a"sv; }
void TDecorator::closeLink(std::u16string& out_) { out_ += u"</a>"sv; }
void TDecorator::openImage(std::u16string& out_) { out_ += u"<img"sv; }
void TDecorator::closeImage(std::u16string& out_) { out_ += u"/>"sv; }

void TDecorator::openFencedCodeBlock(std::u16string& out_, const std::u16string& classlabel) {
  out_ += u"<pre><code class=\""sv;
  out_ += classlabel;
  out_ += u"\">"sv;
}

namespace {
void appendNumber(std::u16string& out_, int value) {
  const std::string digits = std::to_string(value);
  out_.append(digits.begin(), digits.end());
}
}  // namespace

void TDecorator::openHeadline(std::u16string& out_, int level) {
  out_ += u"<h"sv;
  appendNumber(out_, level);
}

void TDecorator::closeHeadline(std::u16string& out_, int level) {
  out_ += u"</h"sv;
  appendNumber(out_, level);
  out_ += u">\n"sv;
}

}  // namespace glyphmill
