// The background update check: a form post to the maker's web site, at most
// five a day, and whether the update notice is due.
#pragma once

#include "NetworkLimits.h"

#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>
#include <utility>

// Form fields in the order they are sent.
using TFormFields = QList<std::pair<QString, QString>>;

// Posts `fields` form-encoded (UTF-8) to `address` and answers the body as text.
// An "https://" address carries "Connection: close". The connection and the
// whole answer must come within `deadlineMs`, and the answer may hold at most
// `maxAnswerBytes`. Throws std::runtime_error on any failure: no connection,
// deadline passed, answer too large, TLS error, HTTP error status. Works on
// any thread that may run an event loop.
QString PostForm(const QString& address, const TFormFields& fields, int deadlineMs,
                 qint64 maxAnswerBytes = kMaxAnswerBytes);

// The text between "<tag>" and "</tag>" when `line` begins and ends with them
// exactly; otherwise the empty text.
QString GetTagValue(const QString& line, const QString& tag);

// Whether `serverVersion` names another version than `appVersion` as a whole
// decimal number once its dots are removed.
bool IsOtherVersion(const QString& serverVersion, const QString& appVersion);

// Today in the user's short date format (the key of the daily request count).
QString TodayText();

// The "os" field: the system's name, version, kernel build and word size.
QString OsDescription();
// The "local" field: the default locale as "en-US", "xx" when unknown.
QString LocaleName();

// The update settings store: organisation "KELMOOR", application "Glyphmill",
// group "Settings".
inline const QString kShowUpdateKey = QStringLiteral("Settings/ShowUpdate");
inline const QString kLastUpdateCheckKey = QStringLiteral("Settings/LastUpdateCheck");
inline const QString kLastUpdateCheckCountKey = QStringLiteral("Settings/LastUpdateCheckCount");
inline const QString kCurrentVersionKey = QStringLiteral("Settings/CurrentVersion");
inline const QString kCurrentUrlKey = QStringLiteral("Settings/CurrentURL");
void StoreShowUpdate(bool show);

// What the check shares with the main window. The worker writes the texts
// before it sets CheckFinished; the main window reads them after seeing it.
struct TCheckState {
  std::atomic<bool> CheckFinished{false};
  std::atomic<bool> NoticeDue{false};
  std::atomic<int> ShowUpdate{1};  // as the check read it
  QString ServerVersion;
  QString DownloadAddress;
  // Recorded errors; never shown to the user.
  bool ErrorFlag = false;
  QString ErrorText;
};

// Where and how the check asks.
struct TCheckOptions {
  QString Host;  // the maker's web host; WebHost() when empty
  TPostLimits Limits = kUpdateCheckLimits;
};

// The worker thread of the update check; it deletes itself when done.
class TChecker : public QThread {
  Q_OBJECT
 public:
  TChecker(std::shared_ptr<TCheckState> state, TCheckOptions options);

  // The check itself (any thread): settings, request, answer, NoticeDue, then
  // CheckFinished.
  void CheckNow();
  void AddCheckError(const QString& text);
  void ClearCheckErrors();

 protected:
  // Execute: clears CheckFinished and runs CheckNow.
  void run() override;

 private:
  void PostAndRead(int count, int showUpdate);
  QString PostRequest();
  void ReadAnswer(const QString& answer);

  std::shared_ptr<TCheckState> FState;
  TCheckOptions FOptions;
};
