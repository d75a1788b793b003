// Bounds of the posts to the maker's web site: a total time for connection
// plus answer, which a trickling server cannot stretch, and a cap on the
// answer's size, kept while the answer arrives.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

class QNetworkReply;

// Far more than the update check's or the feedback's answer needs.
inline constexpr qint64 kMaxAnswerBytes = 64 * 1024;

struct TPostLimits {
  int TimeoutMs = 0;  // for the connection, and again for the answer
  int TotalMs = 0;    // for every attempt of one post together (https, then http)
  qint64 MaxAnswerBytes = kMaxAnswerBytes;
};

// The update check gives up within 30 s; the feedback window waits at most
// its 3 s for the connection plus 3 s for the answer.
inline constexpr TPostLimits kUpdateCheckLimits{10000, 30000};
inline constexpr TPostLimits kFeedbackLimits{3000, 6000};

// The time left for the attempts of one post, counted from construction.
class TPostDeadline {
 public:
  explicit TPostDeadline(const TPostLimits& limits);

  // What the next attempt may take: connection plus answer, cut to what is
  // left; 0 when nothing is left.
  int NextAttemptMs() const;

 private:
  TPostLimits FLimits;
  QElapsedTimer FClock;
};

// Collects the body of one reply within a deadline and a size cap. The reply
// is aborted as soon as the deadline passes, the body grows past the cap, or
// the current thread is asked to stop, so neither time nor memory depends on
// the server.
class TAnswerReader : public QObject {
 public:
  enum TOutcome { aoFinished, aoTimedOut, aoTooLarge, aoInterrupted };

  TAnswerReader(QNetworkReply* reply, int deadlineMs, qint64 maxBytes);

  // Runs an event loop until the reply has ended and answers why it ended.
  // aoFinished covers network errors too: the reply tells those.
  TOutcome Wait();
  const QByteArray& Body() const { return FBody; }

 private:
  void ReadAvailable();
  void Stop(TOutcome outcome);

  QNetworkReply* FReply;
  int FDeadlineMs;
  qint64 FMaxBytes;
  QByteArray FBody;
  TOutcome FOutcome = aoFinished;
};
