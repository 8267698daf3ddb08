#pragma once
// Answers the printer dialog for a test: each print gets a QPdfWriter on the next path of the
// list, at the given resolution on an A4 page; an empty path, or the end of the list, cancels.
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

 private:
  QStringList paths_;
  PrintDialogHook previous_;
};
