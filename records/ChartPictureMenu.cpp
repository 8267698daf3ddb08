#include "records/ChartPictureMenu.h"

#include <QMenu>
#include <QWidget>

#include "common/Messages.h"
#include "records/ChartPicture.h"
#include "records/DataFile.h"
#include "settings/Jezyki.h"

bool SaveChartPicture(QWidget* parent, const ChartPictureMaker& picture, int scale) {
  const QString name = AskChartPictureName(parent);
  if (name.isEmpty()) return false;
  if (WriteChartPicture(picture(scale), name)) return true;
  ShowMessage(kWriteErrorText);
  return false;
}

void AddChartPictureMenu(QWidget* chart, ChartPictureMaker picture) {
  chart->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(chart, &QWidget::customContextMenuRequested, chart,
                   [chart, picture = std::move(picture)](const QPoint& at) {
                     QMenu menu(chart);
                     menu.setObjectName("ChartPictureMenu");
                     menu.addAction(LookupText(76));
                     QAction* twice = menu.addAction(LookupText(77));
                     QAction* chosen = menu.exec(chart->mapToGlobal(at));
                     if (chosen) SaveChartPicture(chart, picture, chosen == twice ? 2 : 1);
                   });
}
