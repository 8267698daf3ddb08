#include "app/FileDialogs.h"

#include <QFileDialog>

namespace {
FileDialogHook& Hook() {
  static FileDialogHook hook;
  return hook;
}

QString Ask(QWidget* parent, const FileDialogSettings& dialogSettings, bool save) {
  if (Hook()) return Hook()(save, dialogSettings);
  QFileDialog dialog(parent, dialogSettings.caption, QString(), dialogSettings.filter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(dialogSettings.defaultSuffix);
  if (save && !dialogSettings.proposedName.isEmpty()) dialog.selectFile(dialogSettings.proposedName);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.first();
}
}  // namespace

QString AskSaveFileName(QWidget* parent, const FileDialogSettings& dialogSettings) {
  return Ask(parent, dialogSettings, true);
}

QString AskOpenFileName(QWidget* parent, const FileDialogSettings& dialogSettings) {
  return Ask(parent, dialogSettings, false);
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
  FileDialogHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}
