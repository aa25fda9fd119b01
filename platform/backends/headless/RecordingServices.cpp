#include "platform/backends/headless/RecordingServices.h"

int TRecordingMessageBox::Show(HWND Owner, const std::string& Text, const std::string& Caption, UINT Type) {
  FBoxes.push_back({Owner, Text, Caption, Type, Owner && !IsWindowEnabled(Owner)});
  return IDOK;
}

bool TRecordingAddressOpener::Open(const std::string& Address, std::string& Why) {
  if (!FRefusal.empty()) {
    Why = FRefusal;
    return false;
  }
  FAddresses.push_back(Address);
  return true;
}
