#include "NetworkLimits.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>

#include <algorithm>

TPostDeadline::TPostDeadline(const TPostLimits& limits) : FLimits(limits) { FClock.start(); }

int TPostDeadline::NextAttemptMs() const {
  const qint64 left = std::max<qint64>(0, FLimits.TotalMs - FClock.elapsed());
  return int(std::min<qint64>(left, 2 * qint64(FLimits.TimeoutMs)));
}

TAnswerReader::TAnswerReader(QNetworkReply* reply, int deadlineMs, qint64 maxBytes)
    : FReply(reply), FDeadlineMs(deadlineMs), FMaxBytes(maxBytes) {
  // The network layer holds back no more than one byte past the cap.
  FReply->setReadBufferSize(FMaxBytes + 1);
  connect(FReply, &QNetworkReply::readyRead, this, &TAnswerReader::ReadAvailable);
}

TAnswerReader::TOutcome TAnswerReader::Wait() {
  QEventLoop loop;
  connect(FReply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer deadline;
  deadline.setSingleShot(true);
  connect(&deadline, &QTimer::timeout, this, [this] { Stop(aoTimedOut); });
  // A worker asked to stop (the main window closing) gives up at once.
  QTimer interruption;
  connect(&interruption, &QTimer::timeout, this, [this] {
    if (QThread::currentThread()->isInterruptionRequested()) Stop(aoInterrupted);
  });
  deadline.start(std::max(0, FDeadlineMs));
  interruption.start(50);
  if (!FReply->isFinished()) loop.exec();
  if (FOutcome == aoFinished) ReadAvailable();
  return FOutcome;
}

void TAnswerReader::ReadAvailable() {
  if (FOutcome != aoFinished) return;
  FBody += FReply->read(FMaxBytes + 1 - FBody.size());
  if (FBody.size() > FMaxBytes) Stop(aoTooLarge);
}

void TAnswerReader::Stop(TOutcome outcome) {
  if (FOutcome != aoFinished) return;
  FOutcome = outcome;
  FBody.clear();
  if (!FReply->isFinished()) FReply->abort();
}
