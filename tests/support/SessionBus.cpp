#include "tests/support/SessionBus.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

TSessionBus::TSessionBus() {
  char dir[] = "/tmp/brivo-bus-XXXXXX";
  if (mkdtemp(dir) == nullptr) {
    FError = "cannot make a folder for the bus";
    return;
  }
  FDir = dir;
  const std::string config = FDir + "/session.conf";
  std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig>\n"
                           "  <type>session</type>\n"
                           "  <listen>unix:path="
                        << FDir
                        << "/bus</listen>\n"
                           "  <auth>EXTERNAL</auth>\n"
                           "  <policy context=\"default\">\n"
                           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                           "    <allow eavesdrop=\"true\"/>\n"
                           "    <allow own=\"*\"/>\n"
                           "  </policy>\n"
                           "</busconfig>\n";
  FDaemon = std::make_unique<TChildProcess>(
      std::vector<std::string>{"dbus-daemon", "--config-file=" + config, "--nofork", "--print-address"},
      std::vector<std::string>{}, "/dev/null", true);
  // The address is printed once the bus listens. (Its complaints, such as the file limit it cannot
  // raise when the tests run as root, are not the test's business.)
  if (!FDaemon->Started() || !FDaemon->WaitForOutput("\n", 30000)) {
    FError = "dbus-daemon did not start (the dbus-daemon package)";
    return;
  }
  const std::string& out = FDaemon->Output();
  FAddress = out.substr(0, out.find('\n'));
}

TSessionBus::~TSessionBus() {
  FDaemon.reset();
  if (!FDir.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(FDir, ignored);
  }
}
