#include "tests/common/MessageRecorder.h"

MessageRecorder::MessageRecorder() {
  previous_ = SetMessageSink([this](const QString& text) { texts_.append(text); });
}

MessageRecorder::~MessageRecorder() { SetMessageSink(std::move(previous_)); }
