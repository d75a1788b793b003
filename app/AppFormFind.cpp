// Find and replace in the two editors: Ctrl+F opens the find bar under the
// panes for the editor in use, Ctrl+H adds replacing (in the source editor;
// the HTML pane is only searched), F3 and Shift+F3 repeat the search.
#include "AppForm.h"

#include "Editors.h"
#include "FindBar.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>

void TAppForm::SetUpFindBar(QBoxLayout* middleLayout) {
  FindBar1 = new TFindBar(Panel3);
  middleLayout->addWidget(FindBar1);
  const auto addShortcut = [this](QAction*& action, const QKeySequence& keys,
                                  void (TAppForm::*handler)()) {
    action = new QAction(this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, handler] { Guarded(handler); });
  };
  addShortcut(Find1, QKeySequence(Qt::CTRL | Qt::Key_F), &TAppForm::Find1Click);
  addShortcut(Replace1, QKeySequence(Qt::CTRL | Qt::Key_H), &TAppForm::Replace1Click);
  addShortcut(FindNext1, QKeySequence(Qt::Key_F3), &TAppForm::FindNext1Click);
  addShortcut(FindPrevious1, QKeySequence(Qt::SHIFT | Qt::Key_F3), &TAppForm::FindPrevious1Click);
}

// The editor with the focus; otherwise the one the bar searched last, or the source.
TSynEdit* TAppForm::FindTarget() const {
  QWidget* focus = QApplication::focusWidget();
  if (focus == SynEdit1 || focus == SynEdit2) return static_cast<TSynEdit*>(focus);
  if (FindBar1->Target() == SynEdit2) return SynEdit2;
  return SynEdit1;
}

void TAppForm::Find1Click() { FindBar1->Open(FindTarget(), false); }

void TAppForm::Replace1Click() {
  TSynEdit* target = FindTarget();
  FindBar1->Open(target, target == SynEdit1);
}

void TAppForm::FindNext1Click() {
  if (FindBar1->Target() == nullptr) return Find1Click();
  FindBar1->FindNext();
}

void TAppForm::FindPrevious1Click() {
  if (FindBar1->Target() == nullptr) return Find1Click();
  FindBar1->FindPrevious();
}
