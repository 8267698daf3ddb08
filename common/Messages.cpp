#include "common/Messages.h"

#include <QDebug>

namespace {
MessageSink& Sink() {
  static MessageSink sink;
  return sink;
}
}  // namespace

void ShowMessage(const QString& text) {
  if (Sink())
    Sink()(text);
  else
    qWarning().noquote() << "message:" << text;
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}
