#include "AboutForm.h"

#include "AppGlobals.h"
#include "Languages.h"
#include "ObjectNames.h"
#include "WebHost.h"
#include "platform/Desktop.h"

#include <QEvent>
#include <QFile>
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

QString resourceText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(file.readAll());
}

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
  MemoLicences = new QPlainTextEdit(this);
  MemoLicences->setReadOnly(true);
  MemoLicences->setPlainText(resourceText(QStringLiteral(":/licences/silk-copyright.txt")) +
                             QStringLiteral("\n\n") +
                             resourceText(QStringLiteral(":/licences/flags-copyright.txt")));
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
  layout->addWidget(LabelIcons);
  layout->addWidget(LabelFlags);
  layout->addWidget(MemoLicences, 1);
  layout->addWidget(ButtonOK, 0, Qt::AlignRight);
  resize(480, 400);
  NameControls();
}

void TAboutForm::NameControls() {
  SetObjectNames({{Image1, "Image1"},
                  {LabelTitle, "LabelTitle"},
                  {LabelVersion, "LabelVersion"},
                  {LabelWebSite, "LabelWebSite"},
                  {LabelIcons, "LabelIcons"},
                  {LabelFlags, "LabelFlags"},
                  {MemoLicences, "MemoLicences"},
                  {ButtonOK, "ButtonOK"}});
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
