// Reading a web page and the user's mouse on a web view, for the preview tests.
#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

// The value of `script` run in the page's application script world, which runs
// even while the page's own scripts are off. No answer within `timeoutMs`
// fails the test (and gives an invalid value).
inline QVariant EvaluateInPage(QWebEnginePage* page, const QString& script, int timeoutMs = 30000) {
  QVariant value;
  bool done = false;
  page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& result) {
    value = result;
    done = true;
  });
  if (!QTest::qWaitFor([&] { return done; }, timeoutMs)) {
    QTest::qFail(qPrintable(QStringLiteral("no answer from the page to: ") + script), __FILE__, __LINE__);
  }
  return value;
}

// The middle of the element with `id`, in the view's coordinates; asked in the
// application's own script world, which runs even while the page's are off.
inline QPoint ElementCentre(QWebEngineView* view, const QString& id) {
  const QString script =
      QStringLiteral("(function () { const r = document.getElementById('%1').getBoundingClientRect();"
                     " return JSON.stringify({x: r.left + r.width / 2, y: r.top + r.height / 2}); })()")
          .arg(id);
  const QVariant answer = EvaluateInPage(view->page(), script);
  if (!answer.isValid()) return QPoint(-1, -1);
  const QJsonObject centre = QJsonDocument::fromJson(answer.toString().toUtf8()).object();
  return QPoint(int(centre.value(QStringLiteral("x")).toDouble()), int(centre.value(QStringLiteral("y")).toDouble()));
}

// Clicks the element with `id` with the left mouse button, as the user would.
inline void UserClick(QWebEngineView* view, const QString& id) {
  const QPoint where = ElementCentre(view, id);
  QVERIFY2(where.x() >= 0 && view->focusProxy() != nullptr, qPrintable(id));
  QTest::mouseClick(view->focusProxy(), Qt::LeftButton, Qt::NoModifier, where);
}
