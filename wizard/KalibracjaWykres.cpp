#include "wizard/KalibracjaWykres.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPixmap>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include "common/Named.h"
#include "records/ChartPictureMenu.h"
#include "wizard/Samples.h"

namespace {
const QColor kSilver(192, 192, 192);
const QColor kGrey(128, 128, 128);

struct SeriesLook {
  const char* title;
  bool points;
  QColor colour;
};
const SeriesLook kLooks[6] = {
    {"Wzor_punkty", true, QColor(0, 255, 0)},        {"Kalibrowany_punkty", true, QColor(255, 0, 0)},
    {"Wzor_Liniowa", false, QColor(255, 255, 0)},    {"Kalibrowany_liniowa", false, QColor(0, 255, 0)},
    {"punkty poprawione", true, QColor(255, 255, 255)}, {"liniowa poprawiona", false, QColor(0, 255, 255)},
};
}  // namespace

TkWykres::TkWykres(const SampleTable& samples, QWidget* parent) : QWidget(parent), samples_(samples) {
  setObjectName("kTabWykres");
  auto* row = new QHBoxLayout(this);
  chart_ = new QChart;
  chart_->legend()->hide();
  chart_->setBackgroundBrush(kSilver);
  chart_->setMargins(QMargins(0, 5, 3, 0));
  axisX_ = new QValueAxis;
  axisY_ = new QValueAxis;
  chart_->addAxis(axisX_, Qt::AlignBottom);
  chart_->addAxis(axisY_, Qt::AlignLeft);
  axisY_->setLineVisible(false);
  for (int i = 0; i < 6; ++i) {
    QXYSeries* s = kLooks[i].points ? static_cast<QXYSeries*>(new QScatterSeries)
                                    : static_cast<QXYSeries*>(new QLineSeries);
    s->setName(QString::fromLatin1(kLooks[i].title));
    s->setColor(kLooks[i].colour);
    if (auto* scatter = qobject_cast<QScatterSeries*>(s)) {
      scatter->setMarkerSize(8);
      scatter->setBorderColor(kLooks[i].colour.darker(160));
    } else {
      QPen pen(kLooks[i].colour);
      pen.setWidth(2);
      s->setPen(pen);
    }
    chart_->addSeries(s);
    s->attachAxis(axisX_);
    s->attachAxis(axisY_);
    series_[i] = s;
  }
  series_[0]->setPointLabelsFormat(QStringLiteral("@xPoint"));
  series_[0]->setPointLabelsVisible(true);
  series_[0]->setPointLabelsColor(Qt::black);
  kChart1 = Named(new QChartView(chart_), "kChart1");
  kChart1->setRenderHint(QPainter::Antialiasing);
  kChart1->setBackgroundBrush(kGrey);
  row->addWidget(kChart1, 1);
  // The chart as it stands, at its size or drawn anew at twice it. A right click lands on the
  // view's viewport.
  AddChartPictureMenu(kChart1->viewport(), [this](int scale) {
    QPixmap picture(kChart1->size() * scale);
    picture.setDevicePixelRatio(scale);
    kChart1->QWidget::render(&picture);  // the widget as painted, not the scene
    return picture.toImage();
  });

  StaticText1 = Named(new QLabel(QStringLiteral("   Brak serii pomiarów!   "), kChart1), "StaticText1");
  QFont notice = StaticText1->font();
  notice.setBold(true);
  notice.setPixelSize(19);
  StaticText1->setFont(notice);
  StaticText1->setStyleSheet("color: red; background: rgb(128,128,128);");
  StaticText1->adjustSize();
  StaticText1->hide();

  auto* side = new QVBoxLayout;
  kWykresCheckBox1 = Named(new QCheckBox(QStringLiteral("Wzorzec")), "kWykresCheckBox1");
  kWykresCheckBox3 = Named(new QCheckBox(QStringLiteral("Kalibrowany")), "kWykresCheckBox3");
  kWykresCheckBox2 = Named(new QCheckBox(QStringLiteral("Wzorzec liniowy")), "kWykresCheckBox2");
  kWykresCheckBox4 = Named(new QCheckBox(QStringLiteral("Kalibrowany liniowy")), "kWykresCheckBox4");
  kWykresCheckBox5 = Named(new QCheckBox(QStringLiteral("Po zmianie")), "kWykresCheckBox5");
  kWykresCheckBox6 = Named(new QCheckBox(QStringLiteral("Po zmianie liniowy")), "kWykresCheckBox6");
  kWykresCheckBox7 = Named(new QCheckBox(QStringLiteral("Pokaż osie")), "kWykresCheckBox7");
  for (QCheckBox* box : {kWykresCheckBox1, kWykresCheckBox3, kWykresCheckBox2, kWykresCheckBox4,
                         kWykresCheckBox5, kWykresCheckBox6, kWykresCheckBox7}) {
    box->setChecked(box != kWykresCheckBox5 && box != kWykresCheckBox6);
    side->addWidget(box);
  }
  for (int i = 0; i < 6; ++i)
    connect(BoxOf(i), &QCheckBox::clicked, this, [this, i] { SeriesCheckBoxClick(i); });
  connect(kWykresCheckBox7, &QCheckBox::clicked, this, &TkWykres::kWykresCheckBox7Click);

  auto* referenceCaption = new QLabel(QStringLiteral("Rownanie wzorcowe"));
  kWykresLabel2 = Named(new QLabel, "kWykresLabel2");
  referenceCaption->hide();
  kWykresLabel2->hide();
  kWykresLabel4 = Named(new QLabel(kNoEquation), "kWykresLabel4");
  side->addSpacing(8);
  side->addWidget(referenceCaption);
  side->addWidget(kWykresLabel2);
  side->addWidget(new QLabel(QStringLiteral("Rownanie badanego")));
  side->addWidget(kWykresLabel4);
  side->addStretch(1);
  row->addLayout(side);
}

QCheckBox* TkWykres::BoxOf(int series) const {
  QCheckBox* const boxes[6] = {kWykresCheckBox1, kWykresCheckBox3, kWykresCheckBox2,
                               kWykresCheckBox4, kWykresCheckBox5, kWykresCheckBox6};
  return boxes[series];
}

void TkWykres::Fill(int series) {
  series_[series]->replace(ChartSeries(samples_, series));
}

void TkWykres::KreslWykresClick() {
  for (int i = 0; i < 6; ++i) series_[i]->clear();
  for (int i = 0; i < 6; ++i)
    if (BoxOf(i)->isChecked()) Fill(i);
  FitAxes();
}

void TkWykres::SeriesCheckBoxClick(int series) {
  if (BoxOf(series)->isChecked())
    Fill(series);  // samples 1..count, as the full drawing has them
  else
    series_[series]->clear();
  FitAxes();
}

void TkWykres::FitAxes() {
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (QXYSeries* s : series_)
    for (const QPointF& p : s->points()) {
      minX = qMin(minX, p.x());
      maxX = qMax(maxX, p.x());
      minY = qMin(minY, p.y());
      maxY = qMax(maxY, p.y());
    }
  const double padX = (maxX - minX) * 0.05 + 1e-9, padY = (maxY - minY) * 0.05 + 1e-9;
  axisX_->setRange(minX - padX, maxX + padX);
  axisY_->setRange(minY - padY, maxY + padY);
  axisX_->applyNiceNumbers();
  axisY_->applyNiceNumbers();
}

void TkWykres::kWykresCheckBox7Click() {
  const bool axes = kWykresCheckBox7->isChecked();
  chart_->setBackgroundBrush(axes ? kSilver : kGrey);
  chart_->setMargins(axes ? QMargins(0, 5, 3, 0) : QMargins(0, 0, 0, 0));
  axisX_->setVisible(axes);
  axisY_->setVisible(axes);
}

QColor TkWykres::ChartColour() const { return chart_->backgroundBrush().color(); }

void TkWykres::ShowNoSeries() {
  for (QXYSeries* s : series_) s->clear();
  StaticText1->adjustSize();
  CentreNotice();
  StaticText1->show();
  StaticText1->raise();
}

void TkWykres::HideNotice() { StaticText1->hide(); }

void TkWykres::CentreNotice() {
  StaticText1->move((kChart1->width() - StaticText1->width()) / 2,
                    (kChart1->height() - StaticText1->height()) / 2);
}

void TkWykres::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  CentreNotice();
}
