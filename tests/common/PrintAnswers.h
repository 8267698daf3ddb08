#pragma once
// Answers the printer dialog for a test: each print gets a QPdfWriter on the next path of the
// list, at the given resolution on an A4 page; an empty path, or the end of the list, cancels.
#include <QPageLayout>
#include <QPdfWriter>
#include <QStringList>

#include <memory>

#include "app/PrintDialogs.h"

class PrintAnswers {
 public:
  explicit PrintAnswers(QStringList paths, int resolution = 300) : paths_(std::move(paths)) {
    previous_ = SetPrintDialogHook([this, resolution]() -> std::unique_ptr<QPagedPaintDevice> {
      ++asked;
      const QString path = paths_.isEmpty() ? QString() : paths_.takeFirst();
      if (path.isEmpty()) return nullptr;
      auto writer = std::make_unique<QPdfWriter>(path);
      writer->setResolution(resolution);
      writer->setPageSize(QPageSize(QPageSize::A4));
      return writer;
    });
  }
  ~PrintAnswers() { SetPrintDialogHook(previous_); }
  PrintAnswers(const PrintAnswers&) = delete;
  PrintAnswers& operator=(const PrintAnswers&) = delete;

  int asked = 0;

  // Where column 39 of a page divided in 40 lies (the printouts' right-hand rule end), in points
  // from the left edge of a page this makes.
  static double RuleEndInPoints(int resolution = 300) {
    QPdfWriter writer(QStringLiteral("unused.pdf"));  // nothing is written without a painter
    writer.setResolution(resolution);
    writer.setPageSize(QPageSize(QPageSize::A4));
    const double left = writer.pageLayout().paintRect(QPageLayout::Point).left();
    return left + 39 * (writer.width() / 40) * 72.0 / resolution;
  }

 private:
  QStringList paths_;
  PrintDialogHook previous_;
};
