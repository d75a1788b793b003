#include "AboutForm.h"

#include "AppGlobals.h"
#include "Languages.h"
#include "Licences.h"
#include "ObjectNames.h"
#include "WebHost.h"
#include "platform/Desktop.h"

#include <QEvent>
#include <QMouseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kIconSize = 48;

QLabel* plainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

}  // namespace

QString TAboutForm::HomePage() { return QStringLiteral("https://") + WebHost() + u'/'; }

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Translate(QStringLiteral("About")));
  Image1 = new QLabel(this);
  Image1->setPixmap(QIcon(QStringLiteral(":/icons/glyphmill.png")).pixmap(kIconSize, kIconSize));
  Image1->setFixedSize(kIconSize, kIconSize);
  Image1->setScaledContents(true);
  LabelTitle = plainLabel(AppTitle, this);
  QFont bold = LabelTitle->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  LabelTitle->setFont(bold);
  LabelVersion = plainLabel(Translate(QStringLiteral("Version")) + u' ' + AppVersion, this);
  LabelWebSite = plainLabel(Translate(QStringLiteral("Visit the web site")), this);
  QFont underlined = LabelWebSite->font();
  underlined.setUnderline(true);
  LabelWebSite->setFont(underlined);
  LabelWebSite->setCursor(Qt::PointingHandCursor);
  LabelWebSite->setToolTip(HomePage());
  LabelWebSite->installEventFilter(this);
  LabelIcons = plainLabel(Translate(QStringLiteral("Icons: Silk icon set by Mark James (CC BY 3.0)")), this);
  LabelFlags = plainLabel(Translate(QStringLiteral("Flags: flag icons by Mark James (public domain)")), this);
  LabelLicence = plainLabel(GlyphmillLicenceLine(), this);
  // The full notices stay folded away until "Licences" is pressed.
  MemoLicences = new QPlainTextEdit(this);
  MemoLicences->setReadOnly(true);
  MemoLicences->setPlainText(FullNotices());
  MemoLicences->setMinimumHeight(220);
  MemoLicences->hide();
  ButtonLicences = new QPushButton(Translate(QStringLiteral("Licences")), this);
  ButtonLicences->setCheckable(true);
  connect(ButtonLicences, &QPushButton::toggled, this, &TAboutForm::ButtonLicencesClick);
  ButtonOK = new QPushButton(Translate(QStringLiteral("OK")), this);
  ButtonOK->setDefault(true);
  connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(LabelTitle);
  texts->addWidget(LabelVersion);
  texts->addWidget(LabelWebSite);
  auto* head = new QHBoxLayout;
  head->addWidget(Image1, 0, Qt::AlignTop);
  head->addLayout(texts, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(head);
  layout->addWidget(LabelLicence);
  layout->addWidget(LabelIcons);
  layout->addWidget(LabelFlags);
  layout->addWidget(MemoLicences, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ButtonLicences);
  buttons->addStretch(1);
  buttons->addWidget(ButtonOK);
  layout->addLayout(buttons);
  setMinimumWidth(420);
  NameControls();
}

void TAboutForm::NameControls() {
  SetObjectNames({{Image1, "Image1"},
                  {LabelTitle, "LabelTitle"},
                  {LabelVersion, "LabelVersion"},
                  {LabelWebSite, "LabelWebSite"},
                  {LabelIcons, "LabelIcons"},
                  {LabelLicence, "LabelLicence"},
                  {LabelFlags, "LabelFlags"},
                  {MemoLicences, "MemoLicences"},
                  {ButtonLicences, "ButtonLicences"},
                  {ButtonOK, "ButtonOK"}});
}

void TAboutForm::ButtonLicencesClick() {
  MemoLicences->setVisible(ButtonLicences->isChecked());
  adjustSize();
}

void TAboutForm::LabelWebSiteClick() { Desktop().OpenUrl(QUrl(HomePage())); }

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == LabelWebSite && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    LabelWebSiteClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
