// The CSV import rules: delimiter detection and the Markdown table they make.
#include "CsvImport.h"
#include "MarkdownProcessor.h"

#include <QTest>

class CsvImportTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void detectsDelimiter_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("delimiter");
    QTest::newRow("empty") << "" << QChar(u',');
    QTest::newRow("blanks only") << " \t\r\n " << QChar(u',');
    QTest::newRow("commas") << "a,b\r\n1,2" << QChar(u',');
    QTest::newRow("semicolons beat no comma") << "x;y;z\r\n1;2;3" << QChar(u';');
    QTest::newRow("tie: comma before semicolon") << "a,b;c" << QChar(u',');
    QTest::newRow("tie: semicolon before tab") << "a;b\tc" << QChar(u';');
    QTest::newRow("tie: tab before bar") << "a\tb|c" << QChar(u'\t');
    QTest::newRow("tabs") << "a\tb\tc\n1\t2\t3" << QChar(u'\t');
    QTest::newRow("bars") << "a|b|c" << QChar(u'|');
    QTest::newRow("no candidate") << "alpha\nbeta" << QChar(u',');
    QTest::newRow("commas inside quotes do not count") << "\"a,b,c\";d;e" << QChar(u';');
    // A quote left open ends with its line: the commas of the next line count.
    QTest::newRow("quote state per line") << "\"a,b,c,d\n1;2;3\n" << QChar(u';');
    QTest::newRow("only the first five lines")
        << "a;b\na;b\na;b\na;b\na;b\n1,2,3\n1,2,3\n1,2,3\n1,2,3" << QChar(u';');
    QTest::newRow("lone CR breaks lines") << "\"x\rx;y;z\"" << QChar(u';');
  }
  void detectsDelimiter() {
    QFETCH(QString, text);
    QFETCH(QChar, delimiter);
    QCOMPARE(DetectCsvDelimiter(text), delimiter);
  }

  void convertsToTable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<QString>("table");
    const QChar comma(u',');
    QTest::newRow("empty") << "" << comma << "";
    QTest::newRow("blanks only") << "  \r\n\t \r\n" << comma << "";
    QTest::newRow("two rows") << "a,b\r\n1,2" << comma << "| a | b |\r\n|---|---|\r\n| 1 | 2 |";
    QTest::newRow("final line break") << "a,b\r\n1,2\r\n" << comma
                                      << "| a | b |\r\n|---|---|\r\n| 1 | 2 |";
    QTest::newRow("LF and CR breaks") << "a,b\n1,2\r3,4" << comma
                                      << "| a | b |\r\n|---|---|\r\n| 1 | 2 |\r\n| 3 | 4 |";
    QTest::newRow("semicolons") << "x;y;z\n1;2;3" << QChar(u';')
                                << "| x | y | z |\r\n|---|---|---|\r\n| 1 | 2 | 3 |";
    QTest::newRow("no delimiter: one cell per row") << "alpha\nbeta" << comma
                                                    << "| alpha |\r\n|---|\r\n| beta |";
    QTest::newRow("cells trimmed") << " a ,\tb\x01\n 1,2 " << comma
                                   << "| a | b |\r\n|---|---|\r\n| 1 | 2 |";
    QTest::newRow("doubled quotes") << "\"say \"\"hi\"\"\",x" << comma << "| say \"hi\" | x |\r\n|---|---|";
    QTest::newRow("line break in quotes") << "\"one\r\ntwo\",x\n\"a\rb\nc\",y" << comma
                                          << "| one<br>two | x |\r\n|---|---|\r\n| a<br>b<br>c | y |";
    QTest::newRow("delimiter in quotes") << "\"a,b\",c" << comma << "| a,b | c |\r\n|---|---|";
    QTest::newRow("bar in quoted cell escaped") << "\"a|b\",c" << comma << "| a\\|b | c |\r\n|---|---|";
    QTest::newRow("backslash before a bar") << "\"a\\|b\";\"|\"" << QChar(u';')
                                            << "| a\\\\|b | \\| |\r\n|---|---|";
    QTest::newRow("nothing escaped") << "<b>&amp;,*x*" << comma << "| <b>&amp; | *x* |\r\n|---|---|";
    QTest::newRow("quotes inside a cell are dropped") << "ab\"c\"d,e" << comma << "| abcd | e |\r\n|---|---|";
    QTest::newRow("quote as last character") << "a,\"b" << comma << "| a | b |\r\n|---|---|";
    QTest::newRow("closing quote as last character") << "a,\"b\"" << comma << "| a | b |\r\n|---|---|";
    QTest::newRow("unclosed quote keeps the rest in one cell") << "\"a\nb,c" << comma
                                                               << "| a<br>b,c |\r\n|---|";
    QTest::newRow("empty line makes no row") << "a,b\n\n1,2" << comma
                                             << "| a | b |\r\n|---|---|\r\n| 1 | 2 |";
    QTest::newRow("line of blanks makes one empty cell") << "a,b\n   \n1,2" << comma
                                                         << "| a | b |\r\n|---|---|\r\n|  |\r\n| 1 | 2 |";
    QTest::newRow("rows of unequal length kept") << "a,b,c\n1\n1,2,3,4" << comma
                                                 << "| a | b | c |\r\n|---|---|---|\r\n| 1 |\r\n| 1 | 2 | 3 | 4 |";
    QTest::newRow("empty cells") << ",\n,," << comma << "|  |  |\r\n|---|---|\r\n|  |  |  |";
    QTest::newRow("separator counts the first row's cells") << "a\n1,2" << comma
                                                            << "| a |\r\n|---|\r\n| 1 | 2 |";
  }
  void convertsToTable() {
    QFETCH(QString, text);
    QFETCH(QChar, delimiter);
    QFETCH(QString, table);
    QCOMPARE(CsvToMarkdownTable(text, delimiter), table);
  }

  // The dialect with tables reads an escaped bar as text inside its cell.
  void barsInCellsStayInTheTable() {
    const QString table = CsvToMarkdownTable(QStringLiteral("name,sign\n\"a|b\",\"|\"\n"), u',');
    auto processor = glyphmill::TMarkdownProcessor::CreateDialect(glyphmill::mdCommonMark);
    const QString html = QString::fromStdU16String(processor->Process(table.toStdU16String()));
    QVERIFY2(html.contains(QStringLiteral("<td>a|b</td>")), qPrintable(html));
    QVERIFY2(html.contains(QStringLiteral("<td>|</td>")), qPrintable(html));
    QVERIFY2(!html.contains(QStringLiteral("<p>")), qPrintable(html));
  }

  void trimsControlCharacters() {
    QCOMPARE(TrimControls(QString::fromUtf8("\x01 \t a b \x1f\x20")), QStringLiteral("a b"));
    // Characters above 32 are kept, also non-breaking spaces.
    QCOMPARE(TrimControls(QString::fromUtf8("\xc2\xa0x\xc2\xa0")), QString::fromUtf8("\xc2\xa0x\xc2\xa0"));
  }
};

QTEST_APPLESS_MAIN(CsvImportTest)
#include "CsvImportTest.moc"
