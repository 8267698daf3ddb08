#include "app/FileDialogs.h"

#include <QFileDialog>

namespace {
FileDialogHook& Hook() {
  static FileDialogHook hook;
  return hook;
}

QString Ask(QWidget* parent, const FileDialogSpec& spec, bool save) {
  if (Hook()) return Hook()(save, spec);
  QFileDialog dialog(parent, spec.caption, QString(), spec.filter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(spec.defaultSuffix);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}
}  // namespace

QString AskSaveFileName(QWidget* parent, const FileDialogSpec& spec) {
  return Ask(parent, spec, true);
}

QString AskOpenFileName(QWidget* parent, const FileDialogSpec& spec) {
  return Ask(parent, spec, false);
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
  FileDialogHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}
