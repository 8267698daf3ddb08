#include "app/settings/Haslo.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QValidator>

#include "app/Main.h"
#include "app/MainForm.h"
#include "settings/Jezyki.h"
#include "settings/ServiceAccess.h"

namespace {
// Turns every letter into upper case as it is typed, so the password may be typed in either case.
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    return Acceptable;
  }
};
}  // namespace

THasloWin::THasloWin(TMainWin* mainWindow) : TDialogWindow(mainWindow) {
  setObjectName("HasloWin");

  Panel1 = Named(new QFrame(this), "Panel1", QRect(8, 8, 265, 81));
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Raised);
  Label1 = Named(new QLabel(Panel1), "Label1", QRect(10, 8, 245, 32));
  Label1->setWordWrap(true);
  TekstHaslo = Named(new QLineEdit(Panel1), "TekstHaslo", QRect(10, 48, 245, 22));
  TekstHaslo->setEchoMode(QLineEdit::Password);
  TekstHaslo->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // '*', not the style's dot
  TekstHaslo->setMaxLength(kMaxPasswordLength);
  TekstHaslo->setValidator(new UpperCaseValidator(TekstHaslo));
  OK = Named(new QPushButton(QStringLiteral("OK"), this), "OK", QRect(117, 97, 75, 25));
  Anuluj = Named(new QPushButton(this), "Anuluj", QRect(198, 97, 75, 25));
  FormPaint();

  connect(TekstHaslo, &QLineEdit::returnPressed, this, &THasloWin::OKClick);
  connect(OK, &QPushButton::clicked, this, &THasloWin::OKClick);
  connect(Anuluj, &QPushButton::clicked, this, &THasloWin::AnulujClick);

  SetFormSize(281, 130);
}

void THasloWin::FormPaint() {
  setWindowTitle(LookupText(46));
  Label1->setText(LookupText(47));
  Anuluj->setText(LookupText(43));
}

void THasloWin::FormShow() {
  FormPaint();
  TekstHaslo->setFocus();
}

void THasloWin::OKClick() {
  if (IsServicePassword(TekstHaslo->text()) && mainWindow_) mainWindow_->ShowServiceMode();
  hide();
}

void THasloWin::AnulujClick() { hide(); }

void THasloWin::FormHide() { TekstHaslo->clear(); }
