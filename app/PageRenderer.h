// A hidden web page that renders the window's pages for exporting: it runs the
// preview's scripts over a fragment (highlighted code, drawn formulas) and
// hands back the result, and it prints a page to PDF. Each operation waits for
// the web engine, with a time limit, while the events go on.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPageLayout>
#include <QString>
#include <QUrl>

#include <memory>

class QWebEnginePage;
class TPreviewFile;
class TPreviewRequestFilter;

class TPageRenderer : public QObject {
  Q_OBJECT
 public:
  explicit TPageRenderer(QObject* parent);
  ~TPageRenderer() override;

  // The fragment `html` as the styled preview shows it once its scripts have
  // run (code highlighted, formulas drawn), as HTML with CR LF line ends.
  // Relative addresses resolve in `baseFolder`. Throws std::runtime_error when
  // the page does not load in time.
  QString RenderedFragment(const QString& html, const QString& baseFolder);

  // The PDF of the complete page `page` (UTF-8) on `layout`. Throws
  // std::runtime_error when the web engine makes none.
  QByteArray PrintToPdf(const QByteArray& page, const QPageLayout& layout);

  // How long an operation may wait for the web engine.
  static constexpr int kTimeLimitMs = 120000;

 private:
  // Shows `page` (complete, UTF-8) and waits until the preview's script has run.
  void Load(const QByteArray& page);
  QWebEnginePage* Page();

  QWebEnginePage* FPage = nullptr;
  TPreviewRequestFilter* FFilter = nullptr;
  std::unique_ptr<TPreviewFile> FFile;
  QUrl FUrl;
};

// The page size of the user's locale (Letter where it is used, else A4) with
// margins of 15 mm, upright.
QPageLayout LocalePageLayout();
