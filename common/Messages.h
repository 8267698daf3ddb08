#pragma once
// The message seam: every modal one-button message of the program goes through ShowMessage.
// The windows install a QMessageBox sink at start; tests install a recorder.
#include <QString>
#include <functional>

using MessageSink = std::function<void(const QString& text)>;

void ShowMessage(const QString& text);
// Installs a sink and returns the one it replaces. Without a sink the text goes to stderr.
MessageSink SetMessageSink(MessageSink sink);
