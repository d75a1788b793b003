#include "UpdateCheck.h"

#include "AppGlobals.h"
#include "NetworkLimits.h"
#include "UserSettings.h"
#include "WebHost.h"

#include <QDate>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>
#include <QUrl>

#include <cxxabi.h>

#include <cstdlib>
#include <stdexcept>
#include <typeinfo>

namespace {


QByteArray formBody(const TFormFields& fields) {
  QByteArray body;
  for (const auto& [name, value] : fields) {
    if (!body.isEmpty()) body += '&';
    body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
  }
  return body;
}

// Reads an integer, `fallback` when absent or not a number.
int readInt(const QSettings& settings, const QString& key, int fallback) {
  bool ok = false;
  const int value = settings.value(key, fallback).toInt(&ok);
  return ok ? value : fallback;
}

// The answer's lines, cut at CR LF, LF or CR; a final line break ends the last line.
QStringList answerLines(const QString& answer) {
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
  QStringList lines = answer.split(lineBreak);
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

QString className(const std::exception& error) {
  const char* mangled = typeid(error).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  const QString name = QString::fromLatin1(status == 0 && demangled ? demangled : mangled);
  std::free(demangled);
  return name;
}

}  // namespace

QString PostForm(const QString& address, const TFormFields& fields, int deadlineMs,
                 qint64 maxAnswerBytes) {
  if (deadlineMs <= 0) throw std::runtime_error("No time left for the request");
  QNetworkAccessManager manager;
  QNetworkRequest request{QUrl(address)};
  request.setHeader(QNetworkRequest::ContentTypeHeader,
                    QByteArrayLiteral("application/x-www-form-urlencoded; charset=UTF-8"));
  if (address.toLower().startsWith(QStringLiteral("https://"))) {
    request.setRawHeader("Connection", "close");
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
  }
  std::unique_ptr<QNetworkReply> reply(manager.post(request, formBody(fields)));
  TAnswerReader reader(reply.get(), deadlineMs, maxAnswerBytes);
  switch (reader.Wait()) {
    case TAnswerReader::aoTimedOut:
      throw std::runtime_error(
          QStringLiteral("No whole answer within %1 ms").arg(deadlineMs).toStdString());
    case TAnswerReader::aoTooLarge:
      throw std::runtime_error(
          QStringLiteral("Answer larger than %1 bytes").arg(maxAnswerBytes).toStdString());
    case TAnswerReader::aoInterrupted:
      throw std::runtime_error("Stopped while waiting for the answer");
    case TAnswerReader::aoFinished:
      break;
  }
  if (reply->error() != QNetworkReply::NoError) {
    throw std::runtime_error(reply->errorString().toStdString());
  }
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (status >= 400) {
    throw std::runtime_error(QStringLiteral("HTTP status %1").arg(status).toStdString());
  }
  return QString::fromUtf8(reader.Body());
}

QString GetTagValue(const QString& line, const QString& tag) {
  if (line.isEmpty() || tag.isEmpty()) return QString();
  const QString open = u'<' + tag.toLower() + u'>';
  const QString close = QStringLiteral("</") + tag.toLower() + u'>';
  if (line.size() < open.size() + close.size()) return QString();
  if (!line.startsWith(open) || !line.endsWith(close)) return QString();
  return line.mid(open.size(), line.size() - open.size() - close.size());
}

bool IsOtherVersion(const QString& serverVersion, const QString& appVersion) {
  if (serverVersion == appVersion) return false;
  QString digits = serverVersion;
  digits.remove(u'.');
  if (digits.isEmpty()) return false;
  for (const QChar c : digits) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

QString TodayText() { return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat); }

QString OsDescription() {
  const QString architecture = QSysInfo::currentCpuArchitecture();
  const bool is64 = architecture.contains(QStringLiteral("64")) ||
                    architecture == QStringLiteral("s390x");
  return QStringLiteral("%1 (%2 %3) %4")
      .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
           is64 ? QStringLiteral("64-bit") : QStringLiteral("32-bit"));
}

QString LocaleName() {
  const QLocale locale;
  if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage) {
    return QStringLiteral("xx");
  }
  QString name = locale.name();
  name.replace(u'_', u'-');
  return name;
}

void StoreShowUpdate(bool show) { UserSettings().setValue(kShowUpdateKey, show ? 1 : 0); }

TChecker::TChecker(std::shared_ptr<TCheckState> state, TCheckOptions options)
    : FState(std::move(state)), FOptions(std::move(options)) {
  if (FOptions.Host.isEmpty()) FOptions.Host = WebHost();
  connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TChecker::run() {
  FState->CheckFinished = false;
  CheckNow();
}

void TChecker::AddCheckError(const QString& text) {
  if (text.trimmed().isEmpty()) return;
  FState->ErrorFlag = true;
  if (!FState->ErrorText.isEmpty()) FState->ErrorText += QStringLiteral("\r\r");
  FState->ErrorText += text;
}

void TChecker::ClearCheckErrors() {
  FState->ErrorFlag = false;
  FState->ErrorText.clear();
}

void TChecker::CheckNow() {
  ClearCheckErrors();
  QSettings settings = UserSettings();
  if (settings.status() != QSettings::NoError) {
    AddCheckError(QStringLiteral("Settings store: cannot be opened (%1)").arg(settings.status()));
  }
  const QString lastCheck = settings.value(kLastUpdateCheckKey).toString();
  const int lastCount = readInt(settings, kLastUpdateCheckCountKey, 0);
  FState->DownloadAddress = settings.value(kCurrentUrlKey).toString();
  const int showUpdate = readInt(settings, kShowUpdateKey, 1);
  FState->ShowUpdate = showUpdate;

  const QString today = TodayText();
  const bool checkedToday = lastCheck == today;
  if (showUpdate != 0 && !(checkedToday && lastCount >= 5)) {
    const int count = checkedToday ? lastCount + 1 : 1;
    settings.setValue(kLastUpdateCheckKey, today);
    settings.setValue(kLastUpdateCheckCountKey, count);
    settings.sync();
    try {
      PostAndRead(count, showUpdate);
    } catch (const std::exception& error) {
      AddCheckError(className(error) + QStringLiteral(" Error:\r") + QString::fromUtf8(error.what()));
    }
  }
  FState->CheckFinished = true;
}

void TChecker::PostAndRead(int count, int showUpdate) {
  const QString answer = PostRequest();
  if (answer.startsWith(QStringLiteral("ERROR"))) AddCheckError(QStringLiteral("INVALIDSERVERRESPONSE"));
  if (!FState->ErrorFlag) ReadAnswer(answer);
  if (IsOtherVersion(FState->ServerVersion, AppVersion) && showUpdate == 1 && count <= 3) {
    FState->NoticeDue = true;
  }
}

QString TChecker::PostRequest() {
  const TFormFields fields = {{QStringLiteral("cmd"), QStringLiteral("check")},
                              {QStringLiteral("appname"), AppTitle},
                              {QStringLiteral("version"), AppVersion},
                              {QStringLiteral("os"), OsDescription()},
                              {QStringLiteral("local"), LocaleName()}};
  const QString path = FOptions.Host + QStringLiteral("/php/check2.php");
  const TPostDeadline deadline(FOptions.Limits);
  try {
    return PostForm(QStringLiteral("https://") + path, fields, deadline.NextAttemptMs(),
                    FOptions.Limits.MaxAnswerBytes);
  } catch (const std::exception& error) {
    AddCheckError(QStringLiteral("HTTPS Response:\r") + QString::fromUtf8(error.what()));
  }
  try {
    const QString answer = PostForm(QStringLiteral("http://") + path, fields,
                                    deadline.NextAttemptMs(), FOptions.Limits.MaxAnswerBytes);
    ClearCheckErrors();
    return answer;
  } catch (const std::exception& error) {
    AddCheckError(QStringLiteral("HTTP Response:\r") + QString::fromUtf8(error.what()));
  }
  return QString();
}

void TChecker::ReadAnswer(const QString& answer) {
  const QStringList lines = answerLines(answer);
  QSettings settings = UserSettings();
  if (lines.size() >= 1) {
    FState->ServerVersion = GetTagValue(lines[0], QStringLiteral("version"));
    settings.setValue(kCurrentVersionKey, FState->ServerVersion);
  }
  if (lines.size() >= 2) {
    FState->DownloadAddress = GetTagValue(lines[1], QStringLiteral("url"));
    settings.setValue(kCurrentUrlKey, FState->DownloadAddress);
  }
}
