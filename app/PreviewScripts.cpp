#include "PreviewScripts.h"

#include "MarkdownMathCode.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace {

const QString kScriptName = QStringLiteral("glyphmill-preview");

// Keeps the body out of layout while the page is parsed: a long page laid out
// and painted as it grows parses several times slower. The preview's script
// takes the sheet away again, first of all it does.
const QString kParsingScript = QStringLiteral(
    "window.glyphmillParsingSheet = new CSSStyleSheet();"
    "glyphmillParsingSheet.replaceSync('body { display: none !important; }');"
    "document.adoptedStyleSheets = [glyphmillParsingSheet];");

// Library files are a few hundred KB; anything far larger is not one.
constexpr qint64 kLargestLibrary = 16 << 20;

QByteArray readLibrary(const QString& fileName) {
  QFile file(fileName);
  if (file.size() > kLargestLibrary || !file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// A library's text, read once.
const QString& libraryScript(const QString& fileName) {
  static QHash<QString, QString> scripts;
  auto found = scripts.find(fileName);
  if (found == scripts.end()) found = scripts.insert(fileName, QString::fromUtf8(readLibrary(fileName)));
  return *found;
}

QString ownScript() {
  QFile file(QStringLiteral(":/scripts/preview.js"));
  file.open(QIODevice::ReadOnly);
  QString script = QString::fromUtf8(file.readAll());
  QString prefix = FormulaAddressPrefix();
  prefix.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
  script.replace(QStringLiteral("FORMULA_PREFIX"), prefix);
  return script;
}

// The libraries and the preview's script in one text, so they run in order;
// made once for each combination.
const QString& combinedScript(const TPageScripts& scripts) {
  static QHash<int, QString> combined;
  const int key = (scripts.Highlight ? 1 : 0) | (scripts.Formulas ? 2 : 0);
  auto found = combined.find(key);
  if (found != combined.end()) return *found;
  QString text;
  if (scripts.Highlight) text += libraryScript(PageLibraries().HighlightScript) + u'\n';
  if (scripts.Formulas) text += libraryScript(PageLibraries().KatexScript) + u'\n';
  static const QString own = ownScript();
  text += own;
  return *combined.insert(key, text);
}

}  // namespace

TPageLibraries& PageLibraries() {
  static TPageLibraries libraries;
  return libraries;
}

QString FormulaAddressPrefix() {
  return QString::fromUtf16(glyphmill::FORMULA_SERVICE_BASE) + QStringLiteral("/chart?cht=tx&chl=");
}

TPageScripts ScriptsNeededBy(const QString& html) {
  TPageScripts scripts;
  scripts.Highlight = html.contains(QStringLiteral("<code class="), Qt::CaseInsensitive);
  scripts.Formulas = html.contains(QString::fromUtf16(glyphmill::FORMULA_SERVICE_BASE) +
                                   QStringLiteral("/chart?"));
  return scripts;
}

namespace {

QWebEngineScript pageScript(QWebEngineScript::InjectionPoint when, const QString& source) {
  QWebEngineScript script;
  script.setName(kScriptName);
  script.setWorldId(QWebEngineScript::ApplicationWorld);
  script.setInjectionPoint(when);
  script.setRunsOnSubFrames(false);
  script.setSourceCode(source);
  return script;
}

}  // namespace

void UsePreviewScripts(QWebEnginePage* page, const TPageScripts& scripts) {
  QWebEngineScriptCollection& collection = page->scripts();
  for (const QWebEngineScript& old : collection.find(kScriptName)) collection.remove(old);
  // The page's own scripts, when allowed, run while it is parsed and may
  // measure it; then it is laid out as it grows.
  if (!page->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled)) {
    collection.insert(pageScript(QWebEngineScript::DocumentCreation, kParsingScript));
  }
  collection.insert(pageScript(QWebEngineScript::DocumentReady, combinedScript(scripts)));
}

const QByteArray& KatexStylesheet() {
  static const QByteArray stylesheet = [] {
    QString css = QString::fromUtf8(readLibrary(PageLibraries().KatexStyle));
    if (css.isEmpty()) return QByteArray();
    const QString fonts = QFileInfo(PageLibraries().KatexStyle).absolutePath() + QStringLiteral("/fonts/");
    // Each face's list of sources becomes its WOFF2 file alone, inside.
    static const QRegularExpression source(
        QStringLiteral(R"(src:url\(fonts/([A-Za-z0-9_-]+)\.woff2\) format\('woff2'\)[^;}]*)"));
    QString result;
    qsizetype copied = 0;
    for (const QRegularExpressionMatch& match : source.globalMatch(css)) {
      const QByteArray font = readLibrary(fonts + match.captured(1) + QStringLiteral(".woff2"));
      result += QStringView(css).mid(copied, match.capturedStart() - copied);
      result += QStringLiteral("src:url(data:font/woff2;base64,") + QString::fromLatin1(font.toBase64()) +
                QStringLiteral(") format('woff2')");
      copied = match.capturedEnd();
    }
    result += QStringView(css).mid(copied);
    return result.toUtf8();
  }();
  return stylesheet;
}
