#include "EditorAccessibility.h"

#include <Qsci/qsciscintillabase.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QList>
#include <QPointer>

#include <utility>

namespace {

// The editors described plainly, whose descriptions go once assistive
// technology starts.
QList<QPointer<QObject>>& plainlyDescribed() {
  static QList<QPointer<QObject>> editors;
  return editors;
}

// Whether assistive technology is active, as the activation observer last heard.
bool assistiveTechnologyActive = false;

QAccessibleInterface* plainEditorFactory(const QString&, QObject* object) {
  auto* editor = qobject_cast<QsciScintillaBase*>(object);
  if (editor == nullptr || assistiveTechnologyActive) return nullptr;  // QScintilla's, or another's
  plainlyDescribed().append(editor);
  return new QAccessibleWidget(editor, QAccessible::EditableText);
}

// The editors that follow assistive technology, with what each does.
struct TFollower {
  QPointer<QObject> Editor;
  std::function<void(bool)> OnChange;
};
QList<TFollower>& followers() {
  static QList<TFollower> list;
  return list;
}

void tellFollowers(bool active) {
  QList<TFollower>& list = followers();
  list.removeIf([](const TFollower& follower) { return follower.Editor == nullptr; });
  for (const TFollower& follower : list) follower.OnChange(active);
}

class TActivationObserver : public QAccessible::ActivationObserver {
 public:
  void accessibilityActiveChanged(bool active) override {
    assistiveTechnologyActive = active;
    tellFollowers(active);
    if (!active) return;
    for (const QPointer<QObject>& editor : plainlyDescribed()) {
      if (editor == nullptr) continue;
      // The cached plain description; the next question makes QScintilla's.
      QAccessibleInterface* plain = QAccessible::queryAccessibleInterface(editor);
      if (plain != nullptr) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(plain));
    }
    plainlyDescribed().clear();
  }
};

}  // namespace

void UsePlainEditorAccessibilityWhileInactive() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  assistiveTechnologyActive = QAccessible::isActive();
  QAccessible::installFactory(plainEditorFactory);
  static TActivationObserver observer;
  QAccessible::installActivationObserver(&observer);
}

bool AssistiveTechnologyActive() { return assistiveTechnologyActive; }

void FollowAssistiveTechnology(QObject* editor, std::function<void(bool active)> onChange) {
  followers().append({editor, std::move(onChange)});
}
