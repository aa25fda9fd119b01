#include "platform/backends/wayland/KeeperEndpoint.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

extern char** environ;

namespace {

std::string Errno(int Code) { return std::strerror(Code); }

class TFd {
public:
  explicit TFd(int Fd = -1) : FFd(Fd) {}
  ~TFd() { Reset(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return FFd; }
  int Release() { return std::exchange(FFd, -1); }
  void Reset(int Fd = -1) {
    if (FFd >= 0)
      close(FFd);
    FFd = Fd;
  }

private:
  int FFd;
};

bool SocketAddress(const std::string& Path, sockaddr_un& Address) {
  Address = {};
  Address.sun_family = AF_UNIX;
  if (Path.size() >= sizeof Address.sun_path)
    return false;
  std::memcpy(Address.sun_path, Path.c_str(), Path.size() + 1);
  return true;
}

// A connected socket, or -1 with errno as connect left it.
int TryConnect(const std::string& Path) {
  sockaddr_un address;
  if (!SocketAddress(Path, address)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  TFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd.Get() < 0)
    return -1;
  while (connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    if (errno != EINTR)
      return -1;
  return fd.Release();
}

// A connection to a keeper that answers as this user, or -1 (Why set only when something other
// than "nobody listens" went wrong).
int ConnectToRunning(const std::string& Path, std::string& Why) {
  TFd fd(TryConnect(Path));
  if (fd.Get() < 0) {
    if (errno != ENOENT && errno != ECONNREFUSED)
      Why = "cannot reach the gamma keeper at " + Path + ": " + Errno(errno);
    return -1;
  }
  if (!PeerIsThisUser(fd.Get(), Why))
    return -1;
  return fd.Release();
}

// Starts Program with Listener as its descriptor 3, in a session of its own (a terminal's hang-up
// or interrupt meant for the adjuster does not reach it) and as a grandchild, so that nobody has
// to wait for it when it ends. Everything is prepared before the forks: between fork and exec only
// async-signal-safe calls are made. A close-on-exec pipe tells whether the exec happened.
bool SpawnKeeper(const std::string& Program, int Listener, std::string& Why) {
  std::string listenArg = "--listen-fd=3";
  std::vector<char*> argv = {const_cast<char*>(Program.c_str()), listenArg.data(), nullptr};
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    Why = "cannot start the gamma keeper: " + Errno(errno);
    return false;
  }
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    Why = "cannot start the gamma keeper: " + Errno(errno);
    return false;
  }
  if (child == 0) {
    setsid();
    if (fork() != 0)
      _exit(0);
    int err = 0;
    const int devNull = open("/dev/null", O_RDWR);
    // The report pipe moves to 4 (kept closing on exec), the listener to 3; nothing else of the
    // adjuster's (the X connection, other sockets) goes with the keeper.
    // Both are first lifted above the low numbers, so that neither move overwrites the other.
    int reportFd = report[1];
    const int listener = fcntl(Listener, F_DUPFD, 10);
    const int pipeEnd = fcntl(report[1], F_DUPFD_CLOEXEC, 10);
    if (devNull < 0 || listener < 0 || pipeEnd < 0 || dup2(pipeEnd, 4) < 0 || fcntl(4, F_SETFD, FD_CLOEXEC) < 0 ||
        (reportFd = 4, false) || dup2(listener, 3) < 0 || dup2(devNull, 0) < 0 || dup2(devNull, 1) < 0)
      err = errno;
    if (err == 0) {
      close_range(5, ~0U, 0);
      execve(argv[0], argv.data(), environ);
      err = errno;
    }
    (void)!write(reportFd, &err, sizeof err);
    _exit(127);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int err = 0;
  ssize_t n = 0;
  while ((n = read(report[0], &err, sizeof err)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (n == static_cast<ssize_t>(sizeof err)) {
    Why = "cannot start the gamma keeper " + Program + ": " + Errno(err);
    return false;
  }
  return true;
}

} // namespace

bool FindKeeperPlace(const std::string& WaylandDisplay, TKeeperPlace& Out, std::string& Why) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || *runtime == '\0') {
    Why = "XDG_RUNTIME_DIR is not set, so the gamma keeper has no private place for its socket";
    return false;
  }
  struct stat st{};
  if (stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode)) {
    Why = std::string("XDG_RUNTIME_DIR (") + runtime + ") is not a folder";
    return false;
  }
  if (st.st_uid != getuid() || (st.st_mode & 077) != 0) {
    Why = std::string("XDG_RUNTIME_DIR (") + runtime + ") is not a private folder of this user";
    return false;
  }
  std::string name = WaylandDisplay;
  for (char& c : name)
    if (c == '/')
      c = '_';
  const std::string base = std::string(runtime) + "/brivo-gamma-keeper-" + name;
  Out.Socket = base + ".sock";
  Out.Lock = base + ".lock";
  if (Out.Socket.size() >= sizeof(sockaddr_un{}.sun_path)) {
    Why = "the gamma keeper's socket name " + Out.Socket + " is too long for a socket address";
    return false;
  }
  return true;
}

std::string KeeperProgramBeside() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0)
    return "gamma-keeper";
  std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "gamma-keeper";
}

bool PeerIsThisUser(int Fd, std::string& Why) {
  ucred cred{};
  socklen_t length = sizeof cred;
  if (getsockopt(Fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0) {
    Why = "cannot learn who is at the other end of the gamma keeper's socket: " + Errno(errno);
    return false;
  }
  if (cred.uid != getuid()) {
    Why = "the other end of the gamma keeper's socket runs as user " + std::to_string(cred.uid) + ", not as user " +
          std::to_string(getuid());
    return false;
  }
  return true;
}

int ConnectToKeeper(const TKeeperPlace& Place, const std::string& Program, std::string& Why) {
  Why.clear();
  if (int fd = ConnectToRunning(Place.Socket, Why); fd >= 0 || !Why.empty())
    return fd;
  if (Program.empty()) {
    Why = "no gamma keeper runs for this compositor";
    return -1;
  }
  TFd lock(open(Place.Lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (lock.Get() < 0) {
    Why = "cannot open the gamma keeper's lock " + Place.Lock + ": " + Errno(errno);
    return -1;
  }
  while (flock(lock.Get(), LOCK_EX) != 0)
    if (errno != EINTR) {
      Why = "cannot take the gamma keeper's lock " + Place.Lock + ": " + Errno(errno);
      return -1;
    }
  // Another client may have started one while this one waited for the lock.
  if (int fd = ConnectToRunning(Place.Socket, Why); fd >= 0 || !Why.empty())
    return fd;

  sockaddr_un address;
  SocketAddress(Place.Socket, address);
  unlink(Place.Socket.c_str()); // left by a keeper that did not end cleanly
  TFd listener(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  const mode_t mask = umask(077);
  const bool bound =
      listener.Get() >= 0 && bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  const int bindError = errno;
  umask(mask);
  if (!bound || chmod(Place.Socket.c_str(), 0600) != 0 || listen(listener.Get(), 16) != 0) {
    Why = "cannot listen at " + Place.Socket + ": " + Errno(bound ? errno : bindError);
    unlink(Place.Socket.c_str());
    return -1;
  }
  TFd fd(TryConnect(Place.Socket));
  if (fd.Get() < 0) {
    Why = "cannot connect to " + Place.Socket + ": " + Errno(errno);
    unlink(Place.Socket.c_str());
    return -1;
  }
  if (!SpawnKeeper(Program, listener.Get(), Why)) {
    unlink(Place.Socket.c_str());
    return -1;
  }
  return fd.Release();
}

bool WithdrawKeeper(const TKeeperPlace& Place, int Listener) {
  TFd lock(open(Place.Lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (lock.Get() >= 0)
    while (flock(lock.Get(), LOCK_EX) != 0 && errno == EINTR) {
    }
  pollfd waiting{Listener, POLLIN, 0};
  if (poll(&waiting, 1, 0) > 0)
    return false;
  unlink(Place.Socket.c_str());
  return true;
}
