// One serial line of the simulator: a pseudo-terminal whose slave is linked at a path of the
// command line, with a paced output queue that stands in for the baud rate.
//
// A pseudo-terminal has no baud rate, so the line rate is imposed here: each byte is released
// when its last bit would have left a real UART (bitsPerByte / baud seconds after the previous
// one). The release times follow a line clock rather than the moment of the write, so a long
// stream keeps the exact rate however late the poll loop wakes.
//
// The simulator keeps one slave descriptor open itself, so the master never reads EIO while the
// application has its port closed. Opens and closes of the slave by others are watched with
// inotify: while nobody else has the port open, output is discarded, as on a real line that no
// one listens to, instead of piling up in the pty buffer and reaching the next opener stale.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct pollfd;

namespace sim {

class PtyEndpoint {
 public:
  // Called with bytes the application wrote to the port.
  using Receiver = std::function<void(const std::uint8_t*, std::size_t, double now)>;

  PtyEndpoint(std::string name, std::string linkPath, double bitsPerByte, double baud);
  ~PtyEndpoint();
  PtyEndpoint(const PtyEndpoint&) = delete;
  PtyEndpoint& operator=(const PtyEndpoint&) = delete;

  // Creates the pty, puts the slave in raw mode and links it. Returns false with a message.
  bool Open(std::string& error);
  // Closes the master and our slave (the application's port sees the hang-up) and removes the link.
  void Close();
  bool IsOpen() const { return master_ >= 0; }

  const std::string& Name() const { return name_; }
  const std::string& LinkPath() const { return linkPath_; }
  const std::string& SlavePath() const { return slavePath_; }
  double ByteTime() const { return byteTime_; }
  // True while another process holds the slave open (or when that cannot be watched).
  bool Listening() const { return !watched_ || openers_ > 0; }
  int Openers() const { return openers_; }

  void SetReceiver(Receiver receiver) { receiver_ = std::move(receiver); }

  struct Chunk {
    std::vector<std::uint8_t> bytes;
    bool paced = true;       // released at the line rate; false: written as fast as the pty takes it
    bool whole = false;      // paced: released in one write when its last byte is due
    double gapBefore = 0.0;  // paced: line idle time before the first byte, in seconds
    std::string doneLine;    // printed with " t=<ms>" once the last byte has been released
    std::size_t pos = 0;
    bool started = false;
  };
  void Enqueue(Chunk chunk);
  void EnqueuePaced(std::vector<std::uint8_t> bytes);
  // Drops everything not yet released.
  void ClearOutput();
  // Bytes waiting in paced chunks.
  std::size_t PacedBacklog() const;
  bool OutputIdle() const { return queue_.empty(); }

  // Poll loop integration: fds to watch, the next time Service must run, and the service itself.
  void AddPollFds(std::vector<pollfd>& fds) const;
  double NextWake(double now) const;
  void Service(const std::vector<pollfd>& fds, double now);

 private:
  void ReadMaster(double now);
  void ReadInotify();
  void Release(double now);
  // Writes bytes to the master if someone listens; returns how many the pty took.
  std::size_t WriteOut(const std::uint8_t* data, std::size_t size);
  bool LinkIsOurs() const;

  std::string name_;
  std::string linkPath_;
  std::string slavePath_;
  double byteTime_;
  int master_ = -1;
  int slave_ = -1;
  int inotify_ = -1;
  bool watched_ = false;
  int openers_ = 0;
  bool linked_ = false;
  bool blockedOnWrite_ = false;
  double lineFree_ = 0.0;
  std::deque<Chunk> queue_;
  Receiver receiver_;
};

}  // namespace sim
