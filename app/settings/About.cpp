#include "app/settings/About.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>

#include "app/Main.h"
#include "settings/Artwork.h"
#include "settings/Jezyki.h"
#include "settings/UserSettings.h"

namespace {
// The picture's artwork is drawn when it is first shown: a run in one language never draws the
// other's.
QLabel* Picture(QWidget* parent, const char* name) {
  auto* picture = new QLabel(parent);
  picture->setObjectName(QString::fromLatin1(name));
  picture->setGeometry(0, 0, kArtworkWidth, kArtworkHeight);
  picture->setVisible(false);
  return picture;
}

QLabel* Caption(QWidget* parent, const char* name, const QColor& colour, int pointSize,
                const QRect& geometry) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QFont font = label->font();
  font.setBold(true);
  font.setPointSize(pointSize);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}
}  // namespace

TAboutWin::TAboutWin(TMainWin* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      mainWindow_(mainWindow) {
  setObjectName("AboutWin");
  setWindowTitle(QStringLiteral("Fluxa 3.1"));
  setFixedSize(kArtworkWidth, kArtworkHeight);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  ImagePol = Picture(this, "ImagePol");
  ImageAng = Picture(this, "ImageAng");
  ShowPictureOfLanguage(CurrentLanguage == QLatin1String("Angielski"));
  // The labels come after the pictures so they lie on top of them.
  const int right = kArtworkWidth - 12;
  Label1 = Caption(this, "Label1", Qt::white, 10, QRect(12, kNameBand.top() + 18, right - 12, 20));
  Label2 = Caption(this, "Label2", Qt::white, 10, QRect(12, kNameBand.top() + 44, right - 12, 20));
  Label3 = Caption(this, "Label3", Qt::red, 10, kServiceMarkArea.adjusted(0, 0, -8, 0));
  Label3->setText(LookupText(48));
  Label3->setVisible(false);
  for (QLabel* clickable : {ImagePol, ImageAng, Label1, Label2, Label3})
    clickable->installEventFilter(this);

  Timer1.setObjectName("Timer1");
  Timer1.setInterval(5000);
  connect(&Timer1, &QTimer::timeout, this, &TAboutWin::Timer1Timer);

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TAboutWin::ShowPictureOfLanguage(bool english) {
  QLabel* shown = english ? ImageAng : ImagePol;
  if (shown->pixmap().isNull())
    shown->setPixmap(QPixmap::fromImage(
        StartupArtwork(english ? ArtworkLanguage::English : ArtworkLanguage::Polish)));
  shown->setVisible(true);
  (english ? ImagePol : ImageAng)->setVisible(false);
}

void TAboutWin::SetMainWindow(TMainWin* mainWindow) {
  mainWindow_ = mainWindow;
  if (mainWindow_ && serviceModeOwed_) {
    serviceModeOwed_ = false;
    mainWindow_->ShowServiceMode();
  }
}

TMainWin* TAboutWin::MainWindow() {
  if (!mainWindow_ && mainWindowSource_) SetMainWindow(mainWindowSource_());
  return mainWindow_;
}

void TAboutWin::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (painted_) return;
  painted_ = true;
  if (OnFirstPainted) QTimer::singleShot(0, this, [this] { OnFirstPainted(); });
}

void TAboutWin::ShowBox() {
  show();
  Timer1.start();
  if (mainWindow_) mainWindow_->hide();
}

void TAboutWin::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FormShow();  // not when merely restored by the window system
}

void TAboutWin::FormShow() {
  bool service = false;
  if (UserSettingsKeyExists()) {
    const UserSettings settings = ReadUserSettings();
    Label1->setText(settings.name);
    Label2->setText(settings.company);
    service = settings.service;
  }
  Label3->setVisible(service);
  // Only the start-up showing grants service mode; the Help menu's showing merely reports it.
  if (firstShow_ && service) {
    if (mainWindow_)
      mainWindow_->ShowServiceMode();
    else
      serviceModeOwed_ = true;  // entered when the main window is made
  }
  firstShow_ = false;

  Timer1.start();
  const bool english = CurrentLanguage == QLatin1String("Angielski");
  if (english || CurrentLanguage == QLatin1String("Polski")) ShowPictureOfLanguage(english);
  Label3->setText(LookupText(48));
}

void TAboutWin::Timer1Timer() {
  hide();
  Timer1.stop();
  if (TMainWin* main = MainWindow()) {
    main->show();
    main->setEnabled(true);
  }
}

// A click anywhere on the box (every part of it is a picture or a label) dismisses it.
bool TAboutWin::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const auto* widget = static_cast<QWidget*>(watched);
    if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint())) {
      Timer1Timer();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

QString UserManualFileName() {
  if (CurrentLanguage == QLatin1String("Polski")) return QStringLiteral("Instrukcja_Polska.pdf");
  if (CurrentLanguage == QLatin1String("Angielski")) return QStringLiteral("Instrukcja_Angielska.pdf");
  return {};
}

bool OpenUserManual() {
  const QString name = UserManualFileName();
  if (name.isEmpty()) return false;
  const QFileInfo file(name);  // relative: resolved against the current directory
  if (!file.isFile()) return false;
  // The viewer's own result is of no interest: it reports its failures itself.
  QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
  return true;
}
