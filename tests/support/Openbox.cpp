#include "tests/support/Openbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

TOpenbox::TOpenbox(const std::string& Display, int BottomMargin) {
  char pattern[] = "/tmp/brivo-openbox-XXXXXX";
  const char* made = mkdtemp(pattern);
  if (!made)
    return;
  FDir = made;
  const std::string config = FDir + "/rc.xml";
  std::ofstream(config) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
                           "  <margins><top>0</top><bottom>"
                        << BottomMargin
                        << "</bottom><left>0</left><right>0</right></margins>\n"
                           "</openbox_config>\n";
  // Its cache and session files go to the home of its own.
  FProcess = std::make_unique<TChildProcess>(std::vector<std::string>{"openbox", "--config-file", config},
                                             std::vector<std::string>{"DISPLAY=" + Display, "HOME=" + FDir});
}

TOpenbox::~TOpenbox() {
  FProcess.reset();
  std::error_code ignored;
  if (!FDir.empty())
    std::filesystem::remove_all(FDir, ignored);
}
