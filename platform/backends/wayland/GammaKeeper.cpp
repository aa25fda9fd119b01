#include "platform/backends/wayland/GammaKeeper.h"

#include "platform/backends/GammaResample.h"
#include "platform/backends/wayland/KeeperEndpoint.h"
#include "platform/backends/wayland/KeeperMessages.h"
#include "platform/backends/wayland/WlrGamma.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

namespace {

// A client that does not read its answers is dropped before they pile up.
constexpr std::size_t MaxQueuedAnswers = 1 << 20;

struct TClient {
  std::uint64_t Id = 0;
  int Fd = -1;
  TKeeperReader Reader;
  std::vector<std::uint8_t> Out;
  bool Greeted = false; // sent anything yet
  bool Gone = false;

  ~TClient() {
    if (Fd >= 0)
      close(Fd);
  }

  void Queue(const TKeeperMessage& M) {
    if (Gone)
      return;
    const std::vector<std::uint8_t> bytes = EncodeKeeperMessage(M);
    Out.insert(Out.end(), bytes.begin(), bytes.end());
    if (Out.size() > MaxQueuedAnswers)
      Gone = true;
    else
      Flush();
  }

  void Flush() {
    std::size_t sent = 0;
    while (!Gone && sent < Out.size()) {
      const ssize_t n = send(Fd, Out.data() + sent, Out.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        break;
      if (n <= 0)
        Gone = true;
      else
        sent += static_cast<std::size_t>(n);
    }
    Out.erase(Out.begin(), Out.begin() + static_cast<std::ptrdiff_t>(sent));
  }

  // Tells the client why and hangs up.
  void Refuse(const std::string& Why) {
    TKeeperMessage m;
    m.Type = TKeeperMessageType::Refusal;
    m.Text = Why;
    Queue(m);
    Gone = true;
  }
};

class TKeeper {
public:
  TKeeper(int Listener, TKeeperPlace Place) : FListener(Listener), FPlace(std::move(Place)) {}
  ~TKeeper() {
    if (FListener >= 0)
      close(FListener);
  }

  int Run(const std::string& WaylandDisplay) {
    std::string why;
    FGamma = TWlrGamma::Connect(why);
    if (!FGamma) {
      // Whoever is waiting hears why; later clients start a keeper of their own.
      EndAndRefuse("the gamma keeper cannot use the Wayland compositor " + WaylandDisplay + ": " + why);
      return 1;
    }
    // Told once the compositor has handled what the change made the keeper send, so that a report
    // says what the outputs show; a burst of changes is told once.
    FGamma->OnChange = [this] {
      if (FBroadcastDue)
        return;
      FBroadcastDue = true;
      FGamma->Sync([this] {
        FBroadcastDue = false;
        Broadcast();
      });
    };
    while (!FEnded) {
      std::vector<pollfd> fds;
      fds.push_back({FGamma->Descriptor(), POLLIN, 0});
      fds.push_back({FListener, POLLIN, 0});
      for (const auto& c : FClients)
        fds.push_back({c->Fd, static_cast<short>(POLLIN | (c->Out.empty() ? 0 : POLLOUT)), 0});
      FGamma->BeforeWait();
      if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
        break;
      if (!FGamma->AfterWait(fds[0].revents != 0)) {
        // The compositor went: the outputs' gamma went with it.
        EndAndRefuse("the Wayland compositor " + WaylandDisplay + " went away");
        break;
      }
      if (fds[1].revents & POLLIN)
        Accept();
      std::size_t i = 2;
      for (const auto& c : FClients) {
        if (i < fds.size() && fds[i].fd == c->Fd) {
          if (fds[i].revents & POLLOUT)
            c->Flush();
          if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
            Read(*c);
        }
        ++i;
      }
      DropGone();
      if (FResetDone && AllSent())
        End();
      else if (FClients.empty() && Idle())
        EndIfNobodyWaits();
    }
    return 0;
  }

private:
  bool Idle() const { return !FGamma->HasRamp() || FGamma->Ramp() == NeutralGammaRamp(); }
  bool AllSent() const {
    for (const auto& c : FClients)
      if (!c->Out.empty())
        return false;
    return true;
  }

  void Accept() {
    for (;;) {
      const int fd = accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd < 0)
        return;
      auto c = std::make_unique<TClient>();
      c->Id = ++FNextId;
      c->Fd = fd;
      std::string why;
      if (!PeerIsThisUser(fd, why))
        c->Refuse("the gamma keeper serves only the user it runs as: " + why);
      FClients.push_back(std::move(c));
    }
  }

  void Read(TClient& C) {
    for (;;) {
      std::uint8_t buffer[4096];
      const ssize_t n = recv(C.Fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n < 0 && errno == EINTR)
        continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
      if (n <= 0) {
        C.Gone = true;
        return;
      }
      C.Reader.Feed(buffer, static_cast<std::size_t>(n));
      for (;;) {
        TKeeperMessage m;
        const TKeeperReader::TResult r = C.Reader.Next(m);
        if (r == TKeeperReader::TResult::Incomplete)
          break;
        if (r == TKeeperReader::TResult::Malformed) {
          C.Refuse("the gamma keeper refused " + C.Reader.Error());
          return;
        }
        Handle(C, m);
      }
    }
  }

  void Handle(TClient& C, const TKeeperMessage& M) {
    if (M.Type == TKeeperMessageType::Report || M.Type == TKeeperMessageType::Refusal) {
      C.Refuse("the gamma keeper refused a " + KeeperMessageTypeName(M.Type) + " message: only the keeper sends those");
      return;
    }
    // A new client (the adjuster started again) is a new chance for outputs another program held
    // before; the client that started the keeper comes just after it asked.
    if (!C.Greeted && C.Id > 1)
      FGamma->RetryRefused();
    C.Greeted = true;
    if (M.Type == TKeeperMessageType::Ramp)
      FGamma->SetRamp(M.Ramp);
    else if (M.Type == TKeeperMessageType::Reset)
      FGamma->SetRamp(NeutralGammaRamp());
    const bool reset = M.Type == TKeeperMessageType::Reset;
    const std::uint64_t id = C.Id;
    FGamma->Sync([this, id, reset] {
      for (const auto& c : FClients)
        if (c->Id == id)
          c->Queue(ReportMessage());
      if (reset)
        FResetDone = true;
    });
  }

  TKeeperMessage ReportMessage() const {
    TKeeperMessage m;
    m.Type = TKeeperMessageType::Report;
    m.Outputs = FGamma->Report();
    return m;
  }

  void Broadcast() {
    const TKeeperMessage m = ReportMessage();
    for (const auto& c : FClients)
      if (c->Greeted)
        c->Queue(m);
  }

  void DropGone() {
    std::erase_if(FClients, [](const std::unique_ptr<TClient>& C) { return C->Gone; });
  }

  // Ends unless a client is knocking right now.
  void EndIfNobodyWaits() {
    if (WithdrawKeeper(FPlace, FListener))
      FEnded = true;
  }

  // Ends as told: the other clients only see the keeper go, and start a new one with their next
  // table.
  void End() {
    while (!WithdrawKeeper(FPlace, FListener))
      Accept();
    FClients.clear();
    FEnded = true;
  }

  // Ends now: every client still connected (and any still waiting) is told why.
  void EndAndRefuse(const std::string& Why) {
    while (!WithdrawKeeper(FPlace, FListener))
      Accept();
    Accept();
    for (const auto& c : FClients)
      if (!c->Gone)
        c->Refuse(Why);
    FClients.clear();
    FEnded = true;
  }

  int FListener;
  TKeeperPlace FPlace;
  std::unique_ptr<TWlrGamma> FGamma;
  std::vector<std::unique_ptr<TClient>> FClients;
  std::uint64_t FNextId = 0;
  bool FResetDone = false;
  bool FBroadcastDue = false;
  bool FEnded = false;
};

} // namespace

int RunGammaKeeper(int Listener, const std::string& WaylandDisplay) {
  TKeeperPlace place;
  std::string why;
  if (!FindKeeperPlace(WaylandDisplay, place, why)) {
    close(Listener);
    return 1;
  }
  fcntl(Listener, F_SETFL, fcntl(Listener, F_GETFL) | O_NONBLOCK);
  TKeeper keeper(Listener, std::move(place));
  return keeper.Run(WaylandDisplay);
}
