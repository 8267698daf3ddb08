#include "Pty.h"

#include "Clock.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

// mkdir -p of the directory that holds path.
bool MakeParentDirs(const std::string& path, std::string& error) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return true;
  const std::string dir = path.substr(0, slash);
  std::size_t from = 1;
  while (true) {
    const auto next = dir.find('/', from);
    const std::string part = dir.substr(0, next);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
      error = ErrnoText("cannot create " + part);
      return false;
    }
    if (next == std::string::npos) return true;
    from = next + 1;
  }
}

}  // namespace

PtyEndpoint::PtyEndpoint(std::string name, std::string linkPath, double bitsPerByte, double baud)
    : name_(std::move(name)), linkPath_(std::move(linkPath)), byteTime_(bitsPerByte / baud) {}

PtyEndpoint::~PtyEndpoint() { Close(); }

bool PtyEndpoint::Open(std::string& error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) {
    error = ErrnoText("posix_openpt");
    return false;
  }
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  char name[128];
  if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
    error = ErrnoText("pty setup");
    Close();
    return false;
  }
  slavePath_ = name;

  // Our own slave descriptor: keeps the line up while the application has the port closed.
  slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) {
    error = ErrnoText("open " + slavePath_);
    Close();
    return false;
  }
  termios tio{};
  tcgetattr(slave_, &tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  tcsetattr(slave_, TCSANOW, &tio);

  // Watch opens by others. Our own open happened before, so it is not counted.
  inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  watched_ = inotify_ >= 0 && inotify_add_watch(inotify_, slavePath_.c_str(),
                                                IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) >= 0;
  openers_ = 0;

  if (!MakeParentDirs(linkPath_, error)) {
    Close();
    return false;
  }
  struct stat st {};
  if (lstat(linkPath_.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = linkPath_ + " exists and is not a symbolic link";
      Close();
      return false;
    }
    unlink(linkPath_.c_str());
  }
  if (symlink(slavePath_.c_str(), linkPath_.c_str()) != 0) {
    error = ErrnoText("symlink " + linkPath_);
    Close();
    return false;
  }
  linked_ = true;
  lineFree_ = Now();
  return true;
}

bool PtyEndpoint::LinkIsOurs() const {
  char target[256];
  const ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
  return n > 0 && slavePath_ == std::string(target, std::size_t(n));
}

void PtyEndpoint::Close() {
  // Another simulator may have taken the path over since; its link is not ours to remove.
  if (linked_ && LinkIsOurs()) unlink(linkPath_.c_str());
  linked_ = false;
  for (int* fd : {&master_, &slave_, &inotify_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  watched_ = false;
  openers_ = 0;
  queue_.clear();
  blockedOnWrite_ = false;
}

void PtyEndpoint::Enqueue(Chunk chunk) {
  if (!IsOpen() || (chunk.bytes.empty() && chunk.doneLine.empty())) return;
  queue_.push_back(std::move(chunk));
}

void PtyEndpoint::EnqueuePaced(std::vector<std::uint8_t> bytes) {
  Chunk chunk;
  chunk.bytes = std::move(bytes);
  Enqueue(std::move(chunk));
}

void PtyEndpoint::ClearOutput() {
  queue_.clear();
  blockedOnWrite_ = false;
}

std::size_t PtyEndpoint::PacedBacklog() const {
  std::size_t n = 0;
  for (const Chunk& c : queue_)
    if (c.paced) n += c.bytes.size() - c.pos;
  return n;
}

void PtyEndpoint::AddPollFds(std::vector<pollfd>& fds) const {
  if (master_ >= 0) fds.push_back({master_, short(POLLIN | (blockedOnWrite_ ? POLLOUT : 0)), 0});
  if (inotify_ >= 0) fds.push_back({inotify_, POLLIN, 0});
}

double PtyEndpoint::NextWake(double now) const {
  if (queue_.empty()) return std::numeric_limits<double>::infinity();
  const Chunk& c = queue_.front();
  if (!c.paced) return blockedOnWrite_ ? std::numeric_limits<double>::infinity() : now;
  if (!c.started) return now;
  const std::size_t need = c.whole ? c.bytes.size() - c.pos : 1;
  return lineFree_ + double(need) * byteTime_;
}

void PtyEndpoint::Service(const std::vector<pollfd>& fds, double now) {
  for (const pollfd& p : fds) {
    if (p.revents == 0) continue;
    if (p.fd == inotify_ && inotify_ >= 0)
      ReadInotify();
    else if (p.fd == master_ && master_ >= 0 && (p.revents & POLLIN))
      ReadMaster(now);
  }
  // A receiver may have closed us (hang-up from a command) or queued a reply.
  if (IsOpen()) Release(now);
}

void PtyEndpoint::ReadMaster(double now) {
  std::uint8_t buf[512];
  while (master_ >= 0) {
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) return;
    if (receiver_) receiver_(buf, std::size_t(n), now);
  }
}

void PtyEndpoint::ReadInotify() {
  alignas(inotify_event) char buf[4096];
  while (inotify_ >= 0) {
    const ssize_t n = read(inotify_, buf, sizeof buf);
    if (n <= 0) return;
    for (char* p = buf; p < buf + n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(p);
      if (ev->mask & IN_OPEN) ++openers_;
      if (ev->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
        openers_ = std::max(0, openers_ - 1);
        if (openers_ == 0 && slave_ >= 0) {
          // What the last listener left unread must not greet the next one, and an
          // exclusive lock left by a killed opener must not keep the port busy.
          tcflush(slave_, TCIFLUSH);
          ioctl(slave_, TIOCNXCL);
        }
      }
      if (ev->mask & IN_IGNORED) watched_ = false;
      p += sizeof(inotify_event) + ev->len;
    }
  }
}

std::size_t PtyEndpoint::WriteOut(const std::uint8_t* data, std::size_t size) {
  if (!Listening()) return size;
  const ssize_t n = write(master_, data, size);
  return n > 0 ? std::size_t(n) : 0;
}

void PtyEndpoint::Release(double now) {
  while (!queue_.empty()) {
    Chunk& c = queue_.front();
    if (!c.paced) {
      while (c.pos < c.bytes.size()) {
        const std::size_t n = WriteOut(c.bytes.data() + c.pos, c.bytes.size() - c.pos);
        if (n == 0) {
          blockedOnWrite_ = true;
          return;
        }
        c.pos += n;
      }
      blockedOnWrite_ = false;
      lineFree_ = std::max(lineFree_, now);
    } else {
      if (!c.started) {
        lineFree_ = std::max(lineFree_, now) + c.gapBefore;
        c.started = true;
      }
      const std::size_t remaining = c.bytes.size() - c.pos;
      std::size_t due = 0;
      if (now > lineFree_) due = std::min(remaining, std::size_t(std::floor((now - lineFree_) / byteTime_)));
      if (c.whole && due < remaining) due = 0;
      if (due > 0) {
        // Bytes the pty cannot take are lost, as on a line whose receiver overflows.
        WriteOut(c.bytes.data() + c.pos, due);
        c.pos += due;
        lineFree_ += double(due) * byteTime_;
      }
      if (c.pos < c.bytes.size()) return;
    }
    if (!c.doneLine.empty()) PrintLine(c.doneLine + " " + Stamp(now));
    queue_.pop_front();
  }
}

}  // namespace sim
