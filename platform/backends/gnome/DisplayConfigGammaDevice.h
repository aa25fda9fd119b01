#pragma once

#include "platform/backends/DescriptorWatch.h"
#include "platform/backends/gnome/DisplayConfig.h"
#include "platform/windows/GammaDevice.h"

#include <memory>
#include <string>

// The display gamma of a GNOME session: the same table on every CRTC of the display configuration
// service, spread over each CRTC's gamma size, sent with the configuration's serial. A serial
// refused as stale has the resources read again and the table sent once more. When the monitors
// change (the service's MonitorsChanged signal, heard through the desktop's wait) the resources are
// read again and the last table goes to every CRTC, a new one too. The service keeps a ramp after
// the program ends, so nothing has to stay behind to hold it.
class TDisplayConfigGammaDevice final : public TGammaDevice {
public:
  TDisplayConfigGammaDevice();
  ~TDisplayConfigGammaDevice() override;

  bool Apply(const TGammaRamp& Ramp, std::string& Why) override;
  // The next table reads the resources first.
  void DisplaysChanged() override;

  // For the desktop's wait: the bus connection.
  std::weak_ptr<TDescriptorWatch> Watch() const;
  // The resources as last read (empty before the first table).
  const TDisplayConfigResources& Resources() const;

  struct TImpl;

private:
  std::shared_ptr<TImpl> F;
};

// The line for a GNOME whose display configuration service cannot set a ramp.
std::string DisplayConfigWithoutSetCrtcGamma();
