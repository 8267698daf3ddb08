#pragma once
// The application's side of fluxa-sim's lines for the simulator's tests: ports opened as the
// program opens them, frames built and cut, and what arrives collected while the event loop runs.
#include <QElapsedTimer>
#include <QSerialPort>
#include <QtTest>

#include <functional>
#include <memory>

#include "tests/common/SimProcess.h"

inline std::unique_ptr<QSerialPort> OpenPort(const QString& path, QSerialPort::DataBits bits = QSerialPort::Data8) {
  auto port = std::make_unique<QSerialPort>(path);
  port->setBaudRate(9600);
  port->setDataBits(bits);
  port->setParity(QSerialPort::NoParity);
  port->setStopBits(QSerialPort::OneStop);
  port->setFlowControl(QSerialPort::NoFlowControl);
  if (!port->open(QIODevice::ReadWrite)) {
    qWarning() << "cannot open" << path << port->errorString();
    return nullptr;
  }
  return port;
}

inline QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out += char(v);
  return out;
}

inline QByteArray MeterFrame(char letter, int address = 0, int value = 0) {
  return Bytes({0xAA, 0x55, letter, address, value & 0xFF, (value >> 8) & 0xFF});
}

inline void Send(QSerialPort& port, const QByteArray& bytes) {
  port.write(bytes);
  QVERIFY(port.waitForBytesWritten(1000));
}

// Collects what arrives on port while the event loop runs, until done(bytes) or timeoutMs.
inline QByteArray Collect(SimProcess& sim, QSerialPort& port, int timeoutMs,
                   const std::function<bool(const QByteArray&)>& done = {}) {
  QByteArray bytes;
  sim.pumpUntil(
      [&] {
        bytes += port.readAll();
        return done && done(bytes);
      },
      timeoutMs);
  return bytes + port.readAll();
}

// Collects until the line has been quiet for quietMs.
inline QByteArray CollectUntilQuiet(SimProcess& sim, QSerialPort& port, int quietMs, int timeoutMs) {
  QByteArray bytes;
  QElapsedTimer quiet;
  quiet.start();
  sim.pumpUntil(
      [&] {
        const QByteArray more = port.readAll();
        if (!more.isEmpty()) quiet.restart();
        bytes += more;
        return quiet.elapsed() >= quietMs;
      },
      timeoutMs);
  return bytes;
}

// Result frames in a stream: 7 bytes from each AA 55 on.
inline QList<QByteArray> CutFrames(const QByteArray& stream) {
  QList<QByteArray> frames;
  const QByteArray header = Bytes({0xAA, 0x55});
  for (qsizetype i = stream.indexOf(header); i >= 0 && i + 7 <= stream.size();
       i = stream.indexOf(header, i + 7))
    frames << stream.mid(i, 7);
  return frames;
}

// The newest complete result frame after settings changed: earlier frames may still be on the line.
inline QByteArray SettledFrame(SimProcess& sim, QSerialPort& port) {
  const QList<QByteArray> frames = CutFrames(Collect(sim, port, 350));
  return frames.size() >= 2 ? frames.last() : QByteArray();
}

// The status byte of a result frame; -1 when there was no frame.
inline int StatusOf(const QByteArray& frame) { return frame.size() == 7 ? quint8(frame[2]) : -1; }
