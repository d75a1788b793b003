// The editors as a user meets them: Markdown colouring of the source pane,
// readable colours in light and dark palettes, find and replace.
#include "AppForm.h"
#include "EditorColours.h"
#include "Editors.h"
#include "FakeDesktop.h"
#include "FindBar.h"
#include "MarkdownLexer.h"
#include "AppTestSupport.h"

#include <Qsci/qscilexer.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

int styleAt(TSynEdit& editor, int position) {
  return int(editor.SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, position));
}

// The byte position of `marker` in the editor's text (UTF-8), or -1.
int positionOf(const TSynEdit& editor, const char* marker) {
  return int(editor.text().toUtf8().indexOf(marker));
}

}  // namespace

class EditorsTest : public QObject {
  Q_OBJECT
 private:
  std::unique_ptr<TFakeDesktop> FDesktop;
  std::unique_ptr<TAppForm> FForm;

  TSynEdit& source() { return *Control<TSynEdit>(*FForm, "SynEdit1"); }
  TSynEdit& html() { return *Control<TSynEdit>(*FForm, "SynEdit2"); }
  template <typename T>
  T& bar(const char* name) { return *Control<T>(*FForm, name); }

  // Types `find` into the open find bar with these options.
  void setFind(const QString& find, bool matchCase, bool wholeWords, bool regularExpression) {
    bar<QCheckBox>("CheckMatchCase").setChecked(matchCase);
    bar<QCheckBox>("CheckWholeWords").setChecked(wholeWords);
    bar<QCheckBox>("CheckRegularExpression").setChecked(regularExpression);
    bar<QLineEdit>("EditFind").setText(find);
  }

 private Q_SLOTS:
  void initTestCase() { UseTestSettings(); }
  void init() {
    FDesktop = std::make_unique<TFakeDesktop>();
    QApplication::setPalette(TestLightPalette());
    FForm = std::make_unique<TAppForm>();
    FForm->TimerChecker->stop();
    FForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
  }
  void cleanup() {
    FForm.reset();
    FDesktop.reset();
    QApplication::setPalette(TestLightPalette());
  }

  // Without assistive technology an editor is described plainly (QScintilla's
  // description counts characters on every paint); once it starts, a screen
  // reader gets the editor's text.
  void aScreenReaderGetsTheEditorsText() {
    source().SetText(QStringLiteral("H\u00e9llo\r\nworld"));
    QAccessibleInterface* plain = QAccessible::queryAccessibleInterface(&source());
    QVERIFY(plain != nullptr);
    QCOMPARE(plain->role(), QAccessible::EditableText);
    QVERIFY(plain->textInterface() == nullptr);
    QAccessible::setActive(true);
    QAccessibleInterface* full = QAccessible::queryAccessibleInterface(&source());
    QVERIFY(full != nullptr && full->textInterface() != nullptr);
    QCOMPARE(full->textInterface()->text(0, full->textInterface()->characterCount()), source().text());
    QAccessible::setActive(false);
  }

  // A typed key is told of once, before its handling ends, and an edit by a
  // command soon after, whether QScintilla tells of changes (a screen reader
  // listens) or the editor does (none listens).
  void changesAreToldOfOnceWithAndWithoutAScreenReader() {
    source().SetText(QStringLiteral("abc"));
    source().setFocus();
    for (const bool listening : {false, true, false}) {
      QAccessible::setActive(listening);
      source().setCursorPosition(0, 3);
      QSignalSpy changed(&source(), &TSynEdit::Changed);
      QTest::keyClick(&source(), Qt::Key_X);
      QCOMPARE(changed.count(), 1);
      QCOMPARE(source().text(), QStringLiteral("abcx"));
      QVERIFY(source().isModified());
      QTest::keyClick(&source(), Qt::Key_Return);
      QCOMPARE(changed.count(), 2);
      QCOMPARE(source().lines(), 2);
      // The typing is one step of undo; its edits may be told of together.
      source().undo();
      QTRY_VERIFY(changed.count() >= 3);
      QCOMPARE(source().text(), QStringLiteral("abc"));
      QVERIFY(!source().SettingText());
    }
    QAccessible::setActive(false);
  }

  // Each construct of a sample document gets its style; `marker` is a piece
  // of the text inside the construct.
  void markdownStyles_data() {
    QTest::addColumn<QByteArray>("marker");
    QTest::addColumn<int>("style");
    QTest::newRow("headline") << QByteArray("Title") << int(msHeading);
    QTest::newRow("underlined headline") << QByteArray("====") << int(msHeading);
    QTest::newRow("plain text") << QByteArray("plain") << int(msDefault);
    QTest::newRow("emphasis") << QByteArray("leaning") << int(msEmphasis);
    QTest::newRow("strong") << QByteArray("heavy") << int(msStrong);
    QTest::newRow("strong underscores") << QByteArray("under") << int(msStrong);
    QTest::newRow("snake_case is no emphasis") << QByteArray("case_name") << int(msDefault);
    QTest::newRow("strikethrough") << QByteArray("gone") << int(msStrikethrough);
    QTest::newRow("code span") << QByteArray("x = 1") << int(msCodeSpan);
    QTest::newRow("table pipe in code span") << QByteArray("a|b") << int(msCodeSpan);
    QTest::newRow("fence") << QByteArray("```js") << int(msCodeBlock);
    QTest::newRow("fenced code") << QByteArray("var fenced") << int(msCodeBlock);
    QTest::newRow("headline mark inside a fence") << QByteArray("# not a headline")
                                                  << int(msCodeBlock);
    QTest::newRow("after the fence") << QByteArray("after") << int(msDefault);
    QTest::newRow("indented code") << QByteArray("indented()") << int(msCodeBlock);
    QTest::newRow("link text") << QByteArray("link text") << int(msLink);
    QTest::newRow("link address") << QByteArray("example.org/page") << int(msAddress);
    QTest::newRow("image") << QByteArray("picture") << int(msImage);
    QTest::newRow("reference definition") << QByteArray("[ref]:") << int(msLink);
    QTest::newRow("bullet") << QByteArray("- item") << int(msListMarker);
    QTest::newRow("list item text") << QByteArray("item") << int(msDefault);
    QTest::newRow("ordered marker") << QByteArray("12.") << int(msListMarker);
    QTest::newRow("quote marker") << QByteArray("> quoted") << int(msQuote);
    QTest::newRow("quoted text") << QByteArray("quoted") << int(msDefault);
    QTest::newRow("table pipe") << QByteArray("| cell") << int(msTablePipe);
    QTest::newRow("HTML tag") << QByteArray("<span class") << int(msHtmlTag);
    QTest::newRow("closing tag") << QByteArray("</span>") << int(msHtmlTag);
    QTest::newRow("autolink") << QByteArray("<https://auto") << int(msAddress);
    QTest::newRow("bare address") << QByteArray("www.bare.example") << int(msAddress);
    QTest::newRow("unclosed emphasis") << QByteArray("*open") << int(msDefault);
  }
  void markdownStyles() {
    QFETCH(QByteArray, marker);
    QFETCH(int, style);
    const QStringList lines = {
        "# Title",
        "",
        "Underlined",
        "====",
        "",
        "plain *leaning* and **heavy** and __under__ case_name ~~gone~~ `x = 1` `a|b`",
        "",
        "```js",
        "var fenced = 1;",
        "# not a headline",
        "```",
        "after",
        "",
        "    indented();",
        "",
        "[link text](https://example.org/page) and ![picture](img.png)",
        "[ref]: https://example.org/ref",
        "",
        "- item",
        "12. ordered",
        "> quoted",
        "| cell | cell |",
        "<span class=\"x\">tag</span> <https://auto.example/> www.bare.example",
        "*open but never closed",
    };
    source().SetText(lines.join("\r\n"));
    source().SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    const int at = positionOf(source(), marker.constData());
    QVERIFY2(at >= 0, marker.constData());
    QCOMPARE(styleAt(source(), at), style);
  }

  // Typing re-colours what the change touches: opening a fence turns the
  // lines below it into code, closing it gives them back.
  void typingRecoloursTheLinesBelow() {
    source().SetText("text one\r\ntext two\r\ntext three");
    source().SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    QCOMPARE(styleAt(source(), positionOf(source(), "three")), int(msDefault));
    source().setCursorPosition(0, 0);
    source().insert("```\r\n");
    source().SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    QCOMPARE(styleAt(source(), positionOf(source(), "three")), int(msCodeBlock));
    source().undo();
    source().SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0, -1);
    QCOMPARE(styleAt(source(), positionOf(source(), "three")), int(msDefault));
  }

  // Only what is shown is coloured: a long document is not styled to its end
  // when it is loaded or typed into.
  void stylesOnlyWhatIsShown() {
    QStringList lines;
    for (int i = 0; i < 50000; ++i) lines.append(QStringLiteral("line %1 with *some* text").arg(i));
    source().SetText(lines.join("\r\n"));
    source().setCursorPosition(0, 0);
    source().insert("x");
    QApplication::processEvents();
    source().repaint();
    const long styled = source().SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED);
    const long length = source().SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    QVERIFY2(styled < length / 10, qPrintable(QStringLiteral("%1 of %2").arg(styled).arg(length)));
    QCOMPARE(styleAt(source(), positionOf(source(), "some")), int(msEmphasis));
  }

  // Every style of both panes reads against its paper (4.5:1), and the paper
  // is the palette's base, in a light and in a dark palette.
  void readableColours_data() {
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
  }
  void readableColours() {
    QFETCH(bool, dark);
    const QPalette palette = dark ? TestDarkPalette() : TestLightPalette();
    QApplication::setPalette(palette);
    for (TSynEdit* editor : {&source(), &html()}) {
      QTRY_COMPARE(editor->palette().color(QPalette::Base), palette.color(QPalette::Base));
      QsciLexer* lexer = editor->lexer();
      QVERIFY(lexer != nullptr);
      int checked = 0;
      for (int style = 0; style < 128; ++style) {
        if (lexer->description(style).isEmpty()) continue;
        ++checked;
        QCOMPARE(lexer->paper(style), palette.color(QPalette::Base));
        const double contrast = ContrastRatio(lexer->color(style), lexer->paper(style));
        QVERIFY2(contrast >= 4.5, qPrintable(QStringLiteral("%1 style %2 (%3): %4:1")
                                                 .arg(lexer->language())
                                                 .arg(style)
                                                 .arg(lexer->description(style))
                                                 .arg(contrast)));
      }
      QVERIFY(checked >= int(msStyleCount));
    }
  }

  void contrastRatio_data() {
    QTest::addColumn<QColor>("first");
    QTest::addColumn<QColor>("second");
    QTest::addColumn<double>("ratio");
    QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
    QTest::newRow("equal") << QColor(120, 30, 200) << QColor(120, 30, 200) << 1.0;
    // #777 on white is the usual example just below 4.5:1.
    QTest::newRow("grey on white") << QColor(0x77, 0x77, 0x77) << QColor(Qt::white) << 4.48;
  }
  void contrastRatio() {
    QFETCH(QColor, first);
    QFETCH(QColor, second);
    QFETCH(double, ratio);
    QVERIFY(qAbs(ContrastRatio(first, second) - ratio) < 0.01);
    QVERIFY(qAbs(ContrastRatio(second, first) - ratio) < 0.01);
  }

  // Ctrl+F opens the bar for the pane with the focus, Escape closes it; Ctrl+H
  // offers replacing in the source only.
  void shortcutsOpenTheBar() {
    QApplication::setActiveWindow(FForm.get());
    source().setFocus();
    QTRY_VERIFY(source().hasFocus());
    QTest::keyClick(&source(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(bar<TFindBar>("FindBar1").isVisible());
    QVERIFY(bar<QLineEdit>("EditFind").hasFocus());
    QVERIFY(!bar<QWidget>("ReplaceRow").isVisible());
    QTest::keyClick(&bar<QLineEdit>("EditFind"), Qt::Key_Escape);
    QVERIFY(!bar<TFindBar>("FindBar1").isVisible());
    QTRY_VERIFY(source().hasFocus());

    QTest::keyClick(&source(), Qt::Key_H, Qt::ControlModifier);
    QTRY_VERIFY(bar<QWidget>("ReplaceRow").isVisible());
    html().setFocus();
    QTRY_VERIFY(html().hasFocus());
    QTest::keyClick(&html(), Qt::Key_H, Qt::ControlModifier);
    QTRY_VERIFY(bar<QLineEdit>("EditFind").hasFocus());
    QVERIFY(!bar<QWidget>("ReplaceRow").isVisible());
    QCOMPARE(bar<TFindBar>("FindBar1").Target(), &html());
  }

  // The number of matches with each option.
  void countsMatches_data() {
    QTest::addColumn<QString>("find");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWords");
    QTest::addColumn<bool>("regularExpression");
    QTest::addColumn<QString>("label");
    QTest::newRow("any case") << "alpha" << false << false << false << "4 matches";
    QTest::newRow("match case") << "alpha" << true << false << false << "2 matches";
    QTest::newRow("whole words") << "alpha" << false << true << false << "3 matches";
    QTest::newRow("both") << "Alpha" << true << true << false << "1 match";
    QTest::newRow("regular expression") << "al+pha|beta" << false << false << true << "8 matches";
    QTest::newRow("dot is literal without it") << "a.pha" << false << false << false << "0 matches";
    QTest::newRow("wrong expression") << "(alpha" << false << false << true << "0 matches";
    QTest::newRow("non-ASCII") << "\u00e9t\u00e9" << true << false << false << "1 match";
    QTest::newRow("non-ASCII in any case") << "\u00e9t\u00e9" << false << false << false << "2 matches";
    QTest::newRow("part of a non-ASCII word") << "\u00c9t" << false << false << false << "2 matches";
    QTest::newRow("non-ASCII whole words") << "\u00c9t" << false << true << false << "0 matches";
    QTest::newRow("non-ASCII whole words in any case") << "\u00c9T\u00e9" << false << true << false
                                                       << "2 matches";
  }
  void countsMatches() {
    QFETCH(QString, find);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWords);
    QFETCH(bool, regularExpression);
    QFETCH(QString, label);
    source().SetText(QString::fromUtf8("Alpha beta alpha ALPHA betaalpha\r\nbeta beta \u00e9t\u00e9 \u00c9T\u00c9"));
    FForm->Find1Click();
    setFind(find, matchCase, wholeWords, regularExpression);
    QCOMPARE(bar<QLabel>("LabelMatches").text(), label);
  }

  // Next and previous go round the text; F3 and Shift+F3 do the same.
  void nextAndPreviousGoRound() {
    source().SetText("one two one two one");
    FForm->Find1Click();
    setFind("one", false, false, false);
    const auto selection = [this] {
      int fromLine = 0, fromIndex = 0, toLine = 0, toIndex = 0;
      source().getSelection(&fromLine, &fromIndex, &toLine, &toIndex);
      return QPair<int, int>(fromIndex, toIndex);
    };
    source().setCursorPosition(0, 0);
    QVERIFY(bar<TFindBar>("FindBar1").FindNext());
    QCOMPARE(selection(), qMakePair(0, 3));
    FForm->FindNext1Click();
    QCOMPARE(selection(), qMakePair(8, 11));
    FForm->FindNext1Click();
    QCOMPARE(selection(), qMakePair(16, 19));
    FForm->FindNext1Click();  // round the end
    QCOMPARE(selection(), qMakePair(0, 3));
    FForm->FindPrevious1Click();  // round the start
    QCOMPARE(selection(), qMakePair(16, 19));
    FForm->FindPrevious1Click();
    QCOMPARE(selection(), qMakePair(8, 11));
    setFind("three", false, false, false);
    QVERIFY(!bar<TFindBar>("FindBar1").FindNext());
    QCOMPARE(selection(), qMakePair(8, 11));  // nothing found: the selection stays
  }

  void replaceAll_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("regularExpression");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("count");
    QTest::newRow("plain") << "cat Cat cat" << "cat" << "dog" << false << false << "dog dog dog" << 3;
    QTest::newRow("match case") << "cat Cat cat" << "cat" << "dog" << true << false << "dog Cat dog" << 2;
    QTest::newRow("longer replacement") << "a-a-a" << "a" << "abc" << true << false << "abc-abc-abc" << 3;
    QTest::newRow("replacement holds the text") << "aa" << "a" << "aa" << true << false << "aaaa" << 2;
    QTest::newRow("groups") << "x=1, y=22" << "(\\w)=(\\d+)" << "\\2:\\1" << true << true
                            << "1:x, 22:y" << 2;
    QTest::newRow("empty matches") << "abc" << "x*" << "-" << true << true << "-a-b-c-" << 4;
    QTest::newRow("nothing") << "abc" << "z" << "-" << true << false << "abc" << 0;
    QTest::newRow("non-ASCII in any case") << "caf\u00e9 CAF\u00c9 (caf\u00e9)" << "Caf\u00c9" << "tea" << false
                                           << false << "tea tea (tea)" << 3;
  }
  void replaceAll() {
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(bool, matchCase);
    QFETCH(bool, regularExpression);
    QFETCH(QString, expected);
    QFETCH(int, count);
    source().SetText(text);
    FForm->Replace1Click();
    setFind(find, matchCase, false, regularExpression);
    bar<QLineEdit>("EditReplace").setText(replacement);
    QCOMPARE(bar<TFindBar>("FindBar1").ReplaceAll(), count);
    QCOMPARE(source().text(), expected);
    // One undo step brings the text back.
    source().undo();
    QCOMPARE(source().text(), text);
  }

  // "Replace" changes the selected match and moves on to the next one.
  void replaceOneByOne() {
    source().SetText("red green red blue red");
    source().setCursorPosition(0, 0);
    FForm->Replace1Click();
    setFind("red", true, false, false);
    bar<QLineEdit>("EditReplace").setText("pink");
    bar<QPushButton>("ButtonReplace").click();  // selects the first match only
    QCOMPARE(source().text(), QString("red green red blue red"));
    bar<QPushButton>("ButtonReplace").click();
    QCOMPARE(source().text(), QString("pink green red blue red"));
    QCOMPARE(source().selectedText(), QString("red"));
    bar<QPushButton>("ButtonReplace").click();
    QCOMPARE(source().text(), QString("pink green pink blue red"));
    QCOMPARE(bar<QLabel>("LabelMatches").text(), QString("1 match"));
  }
};

QTEST_MAIN(EditorsTest)
#include "EditorsTest.moc"
