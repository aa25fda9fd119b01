#pragma once

#include "platform/backends/x11/XSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// The bytes of a settings manager's _XSETTINGS_SETTINGS property holding Settings, in either byte
// order, as a manager writes them.
std::vector<std::uint8_t> EncodeXSettings(const std::vector<TXSetting>& Settings, bool BigEndian = false);

// A stand-in settings manager on a test's X server: a window of its own that owns the screen's
// _XSETTINGS_S0 selection and carries the given bytes as its settings. The server drops the
// selection when the object goes (with its connection).
class TXSettingsManager {
public:
  TXSettingsManager(const std::string& Display, const std::vector<std::uint8_t>& Property);
  ~TXSettingsManager();
  TXSettingsManager(const TXSettingsManager&) = delete;
  TXSettingsManager& operator=(const TXSettingsManager&) = delete;

  // Whether it owns the selection now; Error() says why not.
  bool Running() const { return FError.empty(); }
  const std::string& Error() const { return FError; }

private:
  void* FDisplay = nullptr;
  std::string FError;
};
