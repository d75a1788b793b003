#include "BackgroundConversion.h"

#include "TableStyling.h"

#include <QElapsedTimer>
#include <QtConcurrent/QtConcurrentRun>

TLineList ConvertLines(glyphmill::TMarkdownProcessor& processor, const TLineList& source) {
  const QString& text = source.Text();
  const std::u16string html = processor.Process(
      std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())));
  TLineList lines;
  lines.SetText(StyledHtmlText(html));  // already in the whole-text form: taken as it is
  return lines;
}

namespace {

// The work of the worker thread; an error travels back with the result.
TConversionResult convertOnWorker(std::shared_ptr<glyphmill::TMarkdownProcessor> processor,
                                  const QString& editorText, quint64 ticket) {
  TConversionResult result;
  result.Ticket = ticket;
  QElapsedTimer clock;
  clock.start();
  try {
    result.Source.SetText(editorText);
    result.Html = ConvertLines(*processor, result.Source);
  } catch (...) {
    result.Error = std::current_exception();
  }
  result.Milliseconds = quint32(clock.elapsed());
  return result;
}

}  // namespace

TBackgroundConversion::TBackgroundConversion(QObject* parent) : QObject(parent) {
  connect(&FWatcher, &QFutureWatcher<TConversionResult>::finished, this, [this] {
    FRunning = false;
    Q_EMIT Finished();
  });
}

TBackgroundConversion::~TBackgroundConversion() { FWatcher.waitForFinished(); }

void TBackgroundConversion::Start(std::unique_ptr<glyphmill::TMarkdownProcessor> processor,
                                  const QString& editorText, quint64 ticket) {
  Q_ASSERT(!IsRunning());
  FRunning = true;
  // QtConcurrent copies its arguments, so the processor goes in a shared pointer.
  std::shared_ptr<glyphmill::TMarkdownProcessor> shared(std::move(processor));
  FWatcher.setFuture(QtConcurrent::run(convertOnWorker, shared, editorText, ticket));
}
