// Auto Convert's conversions run on a worker thread, so the source pane never
// waits for one: a key typed meanwhile is shown at once.
#pragma once

#include "LineList.h"
#include "MarkdownProcessor.h"

#include <QFutureWatcher>
#include <QObject>

#include <exception>
#include <memory>

// The HTML of `source` as the window shows it: converted, tables styled.
TLineList ConvertLines(glyphmill::TMarkdownProcessor& processor, const TLineList& source);

// What a conversion on the worker thread made.
struct TConversionResult {
  quint64 Ticket = 0;  // the ticket it was started with
  TLineList Source;    // the source as converted
  TLineList Html;
  quint32 Milliseconds = 0;
  std::exception_ptr Error;  // set when the conversion failed
};

// Runs one conversion at a time on a worker thread.
class TBackgroundConversion : public QObject {
  Q_OBJECT
 public:
  explicit TBackgroundConversion(QObject* parent = nullptr);
  // Waits for a conversion still running: its processor must not outlive it.
  ~TBackgroundConversion() override;

  // From Start until Finished is emitted (a future that waits for a thread of
  // the pool does not count as running yet, so the watcher cannot tell).
  bool IsRunning() const { return FRunning; }
  // Converts `editorText` with `processor`; Finished comes when it is done.
  // Not to be called while one is running.
  void Start(std::unique_ptr<glyphmill::TMarkdownProcessor> processor, const QString& editorText,
             quint64 ticket);
  // The result of the conversion that finished last.
  TConversionResult Result() const { return FWatcher.result(); }

 Q_SIGNALS:
  void Finished();

 private:
  QFutureWatcher<TConversionResult> FWatcher;
  bool FRunning = false;
};
