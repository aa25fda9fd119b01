#include "tests/support/Openbox.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

TOpenbox::TOpenbox(const std::string& Display, int BottomMargin) : FDisplay(Display) {
  char pattern[] = "/tmp/brivo-openbox-XXXXXX";
  if (const char* made = mkdtemp(pattern)) {
    FHome = made;
  } else {
    FError = "no folder for openbox's settings";
    return;
  }
  const std::string config = FHome + "/rc.xml";
  // Alt+Space is left to the programs: openbox's own client menu would take it otherwise.
  std::ofstream(config) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
                           "  <margins><top>0</top><bottom>"
                        << BottomMargin
                        << "</bottom><left>0</left><right>0</right></margins>\n"
                           "  <keyboard></keyboard>\n"
                           "</openbox_config>\n";
  FProcess = std::make_unique<TChildProcess>(std::vector<std::string>{"openbox", "--config-file", config},
                                             std::vector<std::string>{"DISPLAY=" + Display, "HOME=" + FHome});
  if (!FProcess->Started())
    FError = "openbox could not be started (is the openbox package installed?)";
}

TOpenbox::~TOpenbox() {
  FProcess.reset();
  std::error_code ignored;
  if (!FHome.empty())
    std::filesystem::remove_all(FHome, ignored);
}

bool TOpenbox::WaitUntilManaging(int TimeoutMs) {
  if (!FProcess || !FProcess->Started())
    return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  // Each question is a round trip to the server, so the wait never spins idle.
  do {
    if (!FProcess->Running()) {
      FError = "openbox ended before it managed the screen";
      return false;
    }
    std::string out;
    RunProcess({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, &out, {"DISPLAY=" + FDisplay});
    if (out.find("window id #") != std::string::npos)
      return true;
  } while (std::chrono::steady_clock::now() < deadline);
  FError = "openbox did not announce itself on the root window";
  return false;
}
