// The main window's update check, its "Update Notifications" entry and the
// feedback window.
#include "AppForm.h"

#include "FeedbackForm.h"
#include "NewVersion.h"

#include <QAction>
#include <QTimer>

void TAppForm::CreateUpdateCheck() {
  CheckState = std::make_shared<TCheckState>();
  TimerChecker = new QTimer(this);
  TimerChecker->setInterval(1000);
  connect(TimerChecker, &QTimer::timeout, this, [this] { Guarded(&TAppForm::TimerCheckerTimer); });
  connect(UpdateNotifications1, &QAction::triggered, this,
          [this] { Guarded(&TAppForm::UpdateNotifications1Click); });
  connect(SendFeedback1, &QAction::triggered, this,
          [this] { Guarded(&TAppForm::SendFeedback1Click); });
  TimerChecker->start();
}

void TAppForm::StopUpdateCheck() {
  // A check still asking the web site gives up, so that it never outlives the window.
  if (FChecker) {
    FChecker->requestInterruption();
    FChecker->wait();
  }
}

void TAppForm::TimerCheckerTimer() {
  if (!FCheckStarted) {
    FCheckStarted = true;
    FChecker = new TChecker(CheckState, UpdateCheckOptions);
    FChecker->start();
    return;
  }
  if (!CheckState->CheckFinished) return;
  TimerChecker->stop();
  UpdateNotifications1->setEnabled(true);
  if (CheckState->ShowUpdate == 0) UpdateNotifications1->setChecked(false);
  if (CheckState->NoticeDue) new TNewVer(CheckState->ServerVersion, CheckState->DownloadAddress, this);
}

void TAppForm::UpdateNotifications1Click() {
  // The action is checkable: triggering it has already toggled its check mark.
  StoreShowUpdate(UpdateNotifications1->isChecked());
}

void TAppForm::SendFeedback1Click() {
  auto* form = new TFeedbackForm(this);  // deletes itself when closed
  form->exec();
}
