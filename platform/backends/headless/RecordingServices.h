#pragma once

#include "platform/windows/Backend.h"

#include <string>
#include <vector>

struct TRecordedMessageBox {
  HWND Owner = nullptr;
  std::string Text;
  std::string Caption;
  UINT Type = 0;
  bool OwnerDisabled = false; // whether the owner took no input while the box showed
};

// The headless desktop's message box: keeps what it was asked to show and answers at once, as a
// user pressing OK would.
class TRecordingMessageBox final : public TMessageBoxService {
public:
  int Show(HWND Owner, const std::string& Text, const std::string& Caption, UINT Type) override;

  const std::vector<TRecordedMessageBox>& Boxes() const { return FBoxes; }
  void Clear() { FBoxes.clear(); }

private:
  std::vector<TRecordedMessageBox> FBoxes;
};

// The headless desktop's default handler for addresses: keeps every address it is given.
class TRecordingAddressOpener final : public TAddressOpener {
public:
  bool Open(const std::string& Address, std::string& Why) override;

  const std::vector<std::string>& Addresses() const { return FAddresses; }
  void Clear() { FAddresses.clear(); }
  // While set, addresses are refused with this reason and not recorded.
  void RefuseWith(std::string Reason) { FRefusal = std::move(Reason); }

private:
  std::vector<std::string> FAddresses;
  std::string FRefusal;
};
