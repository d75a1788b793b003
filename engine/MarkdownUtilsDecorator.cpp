// The default markup of every element.
#include <string>

#include "MarkdownUtils.h"

namespace glyphmill {

void TDecorator::openParagraph(std::u16string& out_) { out_ += u"<p>"; }
void TDecorator::closeParagraph(std::u16string& out_) { out_ += u"</p>\n"; }
void TDecorator::openBlockQuote(std::u16string& out_) { out_ += u"<blockquote>"; }
void TDecorator::closeBlockQuote(std::u16string& out_) { out_ += u"</blockquote>\n"; }
void TDecorator::openCodeBlock(std::u16string& out_) { out_ += u"<pre><code>"; }
void TDecorator::closeCodeBlock(std::u16string& out_) { out_ += u"</code></pre>\n"; }
void TDecorator::openCodeSpan(std::u16string& out_) { out_ += u"<code>"; }
void TDecorator::closeCodeSpan(std::u16string& out_) { out_ += u"</code>"; }
void TDecorator::openStrong(std::u16string& out_) { out_ += u"<strong>"; }
void TDecorator::closeStrong(std::u16string& out_) { out_ += u"</strong>"; }
void TDecorator::openEmphasis(std::u16string& out_) { out_ += u"<em>"; }
void TDecorator::closeEmphasis(std::u16string& out_) { out_ += u"</em>"; }
void TDecorator::openStrike(std::u16string& out_) { out_ += u"<del>"; }
void TDecorator::closeStrike(std::u16string& out_) { out_ += u"</del>"; }
void TDecorator::openIns(std::u16string& out_) { out_ += u"<ins>"; }
void TDecorator::closeIns(std::u16string& out_) { out_ += u"</ins>"; }
void TDecorator::openMark(std::u16string& out_) { out_ += u"<mark>"; }
void TDecorator::closeMark(std::u16string& out_) { out_ += u"</mark>"; }
void TDecorator::openSuper(std::u16string& out_) { out_ += u"<sup>"; }
void TDecorator::closeSuper(std::u16string& out_) { out_ += u"</sup>"; }
void TDecorator::openSub(std::u16string& out_) { out_ += u"<sub>"; }
void TDecorator::closeSub(std::u16string& out_) { out_ += u"</sub>"; }
void TDecorator::openOrderedList(std::u16string& out_) { out_ += u"<ol>\n"; }
void TDecorator::closeOrderedList(std::u16string& out_) { out_ += u"</ol>\n"; }
void TDecorator::openUnOrderedList(std::u16string& out_) { out_ += u"<ul>\n"; }
void TDecorator::closeUnOrderedList(std::u16string& out_) { out_ += u"</ul>\n"; }
void TDecorator::openListItem(std::u16string& out_) { out_ += u"<li"; }
void TDecorator::closeListItem(std::u16string& out_) { out_ += u"</li>\n"; }
void TDecorator::checkedItem(std::u16string& out_) { out_ += u"<input checked disabled type=\"checkbox\">"; }
void TDecorator::uncheckedItem(std::u16string& out_) { out_ += u"<input unchecked disabled type=\"checkbox\">"; }
void TDecorator::horizontalRuler(std::u16string& out_) { out_ += u"<hr />\n"; }
void TDecorator::openLink(std::u16string& out_) { out_ += u"<a"; }
void TDecorator::closeLink(std::u16string& out_) { out_ += u"</a>"; }
void TDecorator::openImage(std::u16string& out_) { out_ += u"<img"; }
void TDecorator::closeImage(std::u16string& out_) { out_ += u"/>"; }

void TDecorator::openFencedCodeBlock(std::u16string& out_, const std::u16string& classlabel) {
  out_ += u"<pre><code class=\"";
  out_ += classlabel;
  out_ += u"\">";
}

namespace {
void appendNumber(std::u16string& out_, int value) {
  const std::string digits = std::to_string(value);
  out_.append(digits.begin(), digits.end());
}
}  // namespace

void TDecorator::openHeadline(std::u16string& out_, int level) {
  out_ += u"<h";
  appendNumber(out_, level);
}

void TDecorator::closeHeadline(std::u16string& out_, int level) {
  out_ += u"</h";
  appendNumber(out_, level);
  out_ += u">\n";
}

}  // namespace glyphmill
