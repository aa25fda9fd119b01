#pragma once

#include "platform/backends/DescriptorWatch.h"
#include "platform/backends/wayland/KeeperEndpoint.h"
#include "platform/backends/wayland/KeeperMessages.h"
#include "platform/windows/GammaDevice.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

// One connection to the gamma keeper: messages out (queued while the socket is full), messages in.
class TKeeperConnection {
public:
  // Connects to the keeper at Place, starting Program as the keeper when none runs (no start when
  // Program is empty). nullptr with Why when there is no keeper to talk to.
  static std::unique_ptr<TKeeperConnection> Open(const TKeeperPlace& Place, const std::string& Program,
                                                 std::string& Why);
  ~TKeeperConnection();
  TKeeperConnection(const TKeeperConnection&) = delete;
  TKeeperConnection& operator=(const TKeeperConnection&) = delete;

  int Descriptor() const { return FFd; }
  // Whether bytes are waiting for room in the socket.
  bool Sending() const { return FOut.size() > FOutStart; }
  // Queues the message and sends what the socket takes now; false when the connection broke.
  bool Send(const TKeeperMessage& Message);
  // Sends more of what is queued; false when the connection broke.
  bool Flush();
  // Takes what has arrived without waiting: whole messages go to Out. False (with Why) when the
  // keeper hung up or sent what cannot be read; the messages read before that are still in Out.
  bool Receive(std::vector<TKeeperMessage>& Out, std::string& Why);
  // Sends everything queued and waits for the next message, at most TimeoutMs.
  bool WaitForMessage(TKeeperMessage& Out, int TimeoutMs, std::string& Why);

private:
  explicit TKeeperConnection(int Fd) : FFd(Fd) {}
  int FFd;
  std::vector<std::uint8_t> FOut;
  std::size_t FOutStart = 0;
  TKeeperReader FReader;
  std::vector<TKeeperMessage> FArrived;
};

// The display gamma of a Wayland session whose compositor offers wlr gamma control: every table
// goes to the gamma keeper, which holds it on every output after the program ends. Apply never
// waits for the keeper: the table is queued on the keeper's socket (which listens from the moment
// the keeper is started) and the keeper's answer comes back through the desktop's wait (Watch). An
// output the keeper could not set is named once per cause on standard error.
class TKeeperGammaDevice final : public TGammaDevice {
public:
  TKeeperGammaDevice(std::string WaylandDisplay, std::string KeeperProgram);
  // Hands the last table still queued to the keeper before it goes.
  ~TKeeperGammaDevice() override;

  // True when the table is on its way to the keeper; false with Why when no keeper can be reached.
  bool Apply(const TGammaRamp& Ramp, std::string& Why) override;
  // A keeper that could not be started or reached is tried again.
  void DisplaysChanged() override;

  // For the desktop's wait.
  std::weak_ptr<TDescriptorWatch> Watch() const;
  // Waits until the keeper has answered every table sent, at most TimeoutMs (tools and tests).
  bool WaitForAnswers(int TimeoutMs, std::string& Why);
  // The keeper's last report of the outputs.
  const std::vector<TKeeperOutput>& LastReport() const;

  struct TImpl;

private:
  std::shared_ptr<TImpl> F;
};
