#include "platform/backends/wayland/KeeperClient.h"

#include "platform/core/Report.h"
#include "platform/windows/Gdi.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

long long MsLeft(std::chrono::steady_clock::time_point Deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? left.count() : 0;
}

} // namespace

std::unique_ptr<TKeeperConnection> TKeeperConnection::Open(const TKeeperPlace& Place, const std::string& Program,
                                                           std::string& Why) {
  const int fd = ConnectToKeeper(Place, Program, Why);
  if (fd < 0)
    return nullptr;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return std::unique_ptr<TKeeperConnection>(new TKeeperConnection(fd));
}

TKeeperConnection::~TKeeperConnection() { close(FFd); }

bool TKeeperConnection::Send(const TKeeperMessage& Message) {
  const std::vector<std::uint8_t> bytes = EncodeKeeperMessage(Message);
  FOut.insert(FOut.end(), bytes.begin(), bytes.end());
  return Flush();
}

bool TKeeperConnection::Flush() {
  while (FOutStart < FOut.size()) {
    const ssize_t n = send(FFd, FOut.data() + FOutStart, FOut.size() - FOutStart, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      return true;
    if (n <= 0)
      return false;
    FOutStart += static_cast<std::size_t>(n);
  }
  FOut.clear();
  FOutStart = 0;
  return true;
}

bool TKeeperConnection::Receive(std::vector<TKeeperMessage>& Out, std::string& Why) {
  Out = std::move(FArrived);
  FArrived.clear();
  for (;;) {
    std::uint8_t buffer[4096];
    const ssize_t n = recv(FFd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      return true;
    if (n <= 0) {
      Why = n == 0 ? "the gamma keeper ended" : std::string("the gamma keeper's socket broke: ") + std::strerror(errno);
      return false;
    }
    FReader.Feed(buffer, static_cast<std::size_t>(n));
    for (;;) {
      TKeeperMessage m;
      const TKeeperReader::TResult r = FReader.Next(m);
      if (r == TKeeperReader::TResult::Incomplete)
        break;
      if (r == TKeeperReader::TResult::Malformed) {
        Why = "the gamma keeper sent " + FReader.Error();
        return false;
      }
      Out.push_back(std::move(m));
    }
  }
}

bool TKeeperConnection::WaitForMessage(TKeeperMessage& Out, int TimeoutMs, std::string& Why) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  for (;;) {
    if (!FArrived.empty()) {
      Out = std::move(FArrived.front());
      FArrived.erase(FArrived.begin());
      return true;
    }
    if (!Flush()) {
      Why = "the gamma keeper ended";
      return false;
    }
    pollfd p{FFd, static_cast<short>(POLLIN | (Sending() ? POLLOUT : 0)), 0};
    const int ready = poll(&p, 1, static_cast<int>(MsLeft(deadline)));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready == 0) {
      Why = "the gamma keeper did not answer within " + std::to_string(TimeoutMs) + " ms";
      return false;
    }
    if (p.revents & (POLLIN | POLLHUP | POLLERR)) {
      std::vector<TKeeperMessage> got;
      const bool alive = Receive(got, Why);
      FArrived.insert(FArrived.end(), std::make_move_iterator(got.begin()), std::make_move_iterator(got.end()));
      if (!alive && FArrived.empty())
        return false;
    }
  }
}

struct TKeeperGammaDevice::TImpl final : TDescriptorWatch {
  std::string Display;
  std::string Program;
  std::unique_ptr<TKeeperConnection> Link;
  bool HasRamp = false;
  TGammaRamp Ramp;         // the last table handed to Apply
  bool RampWaiting = false; // not yet queued: the socket was full
  int Unanswered = 0;       // tables sent that the keeper has not answered yet
  std::string Refusal;      // why no keeper can be reached (until the displays change)
  std::vector<TKeeperOutput> Report;
  std::set<std::string> Told; // output and cause of each line already written

  int Descriptor() const override { return Link ? Link->Descriptor() : -1; }
  short Events() const override {
    return static_cast<short>(POLLIN | (Link && (Link->Sending() || RampWaiting) ? POLLOUT : 0));
  }
  void Ready(short Revents) override {
    if (!Link)
      return;
    if (Revents & POLLOUT)
      SendWaiting();
    if (Link && (Revents & (POLLIN | POLLHUP | POLLERR)))
      ReadAnswers();
  }

  bool Connect(std::string& Why) {
    TKeeperPlace place;
    if (!FindKeeperPlace(Display, place, Why))
      return false;
    Link = TKeeperConnection::Open(place, Program, Why);
    return Link != nullptr;
  }

  // Queues the last table unless the socket still holds an older one: only the newest counts.
  void SendWaiting() {
    if (!Link->Flush())
      return Lose("the gamma keeper ended");
    if (!RampWaiting || Link->Sending())
      return;
    RampWaiting = false;
    TKeeperMessage m;
    m.Type = TKeeperMessageType::Ramp;
    m.Ramp = Ramp;
    ++Unanswered;
    if (!Link->Send(m))
      Lose("the gamma keeper ended");
  }

  void ReadAnswers() {
    std::vector<TKeeperMessage> got;
    std::string why;
    const bool alive = Link->Receive(got, why);
    for (const TKeeperMessage& m : got) {
      if (m.Type == TKeeperMessageType::Report) {
        if (Unanswered > 0)
          --Unanswered;
        Report = m.Outputs;
        TellRefusals();
      } else if (m.Type == TKeeperMessageType::Refusal) {
        // The keeper hangs up after it: no new keeper is started for every table until the
        // displays change.
        Unanswered = 0;
        Refusal = m.Text;
        ReportGammaRefusal(m.Text);
      }
    }
    if (!alive)
      Lose(why);
  }

  void TellRefusals() {
    for (const TKeeperOutput& o : Report)
      if (o.State == TKeeperOutputState::Refused)
        TellOnce(o.Name, o.Reason, "display gamma ramp not set on output " + o.Name + ": " + o.Reason);
  }

  void TellOnce(const std::string& Output, const std::string& Cause, const std::string& Line) {
    if (Told.insert(Output + '\n' + Cause).second)
      ReportLine(Line);
  }

  // The keeper went (it was told to end, or its compositor did): the next table starts or finds
  // another. A table that had not reached it is sent again then.
  void Lose(const std::string&) {
    Link.reset();
    Unanswered = 0;
    if (HasRamp)
      RampWaiting = true;
  }
};

TKeeperGammaDevice::TKeeperGammaDevice(std::string WaylandDisplay, std::string KeeperProgram)
    : F(std::make_shared<TImpl>()) {
  F->Display = std::move(WaylandDisplay);
  F->Program = std::move(KeeperProgram);
}

TKeeperGammaDevice::~TKeeperGammaDevice() {
  if (!F->Link || (!F->Link->Sending() && !F->RampWaiting))
    return;
  // The window has closed: the last table must reach the keeper before the program ends.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (F->Link && (F->Link->Sending() || F->RampWaiting) && MsLeft(deadline) > 0) {
    pollfd p{F->Link->Descriptor(), POLLOUT, 0};
    if (poll(&p, 1, static_cast<int>(MsLeft(deadline))) > 0)
      F->SendWaiting();
  }
}

bool TKeeperGammaDevice::Apply(const TGammaRamp& Ramp, std::string& Why) {
  F->Ramp = Ramp;
  F->HasRamp = true;
  F->RampWaiting = true;
  if (!F->Link) {
    if (!F->Refusal.empty() || !F->Connect(F->Refusal)) {
      Why = F->Refusal;
      return false;
    }
  }
  F->SendWaiting();
  if (!F->Link) {
    // The keeper had gone since the last table: one more start, then the table goes there.
    if (!F->Connect(F->Refusal)) {
      Why = F->Refusal;
      return false;
    }
    F->SendWaiting();
  }
  return true;
}

void TKeeperGammaDevice::DisplaysChanged() { F->Refusal.clear(); }

std::weak_ptr<TDescriptorWatch> TKeeperGammaDevice::Watch() const { return F; }

bool TKeeperGammaDevice::WaitForAnswers(int TimeoutMs, std::string& Why) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (F->Link && (F->Unanswered > 0 || F->RampWaiting)) {
    pollfd p{F->Descriptor(), F->Events(), 0};
    const int ready = poll(&p, 1, static_cast<int>(MsLeft(deadline)));
    if (ready == 0) {
      Why = "the gamma keeper did not answer within " + std::to_string(TimeoutMs) + " ms";
      return false;
    }
    if (ready > 0)
      F->Ready(p.revents);
  }
  if (!F->Link && F->HasRamp) {
    Why = F->Refusal.empty() ? "the gamma keeper ended" : F->Refusal;
    return false;
  }
  return true;
}

const std::vector<TKeeperOutput>& TKeeperGammaDevice::LastReport() const { return F->Report; }
