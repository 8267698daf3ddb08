#pragma once
// Records every text shown through the message seam while it lives.
#include <QStringList>

#include "common/Messages.h"

class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  const QStringList& texts() const { return texts_; }
  void clear() { texts_.clear(); }

 private:
  QStringList texts_;
  MessageSink previous_;
};
