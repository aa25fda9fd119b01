// Opening an X display, and what is said when it cannot be opened.

#include "platform/backends/x11/X11Connect.h"
#include "tests/support/Xvfb.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace {

class DisplayNameTest : public testing::Test {
protected:
  static std::string Parsed(std::string_view Name) {
    TX11DisplayName n;
    if (!ParseX11DisplayName(Name, n))
      return "none";
    return "[" + n.Host + "] " + std::to_string(n.Number) + " " + std::to_string(n.Screen);
  }
};

TEST_F(DisplayNameTest, HostNumberAndScreen) {
  EXPECT_EQ(Parsed(":0"), "[] 0 -1");
  EXPECT_EQ(Parsed(":12.1"), "[] 12 1");
  EXPECT_EQ(Parsed("unix:3"), "[unix] 3 -1");
  EXPECT_EQ(Parsed("tcp/example.org:10.0"), "[example.org] 10 0");
  EXPECT_EQ(Parsed("node::2"), "[node] 2 -1");
}

TEST_F(DisplayNameTest, WhatIsNoDisplayName) {
  for (const char* name : {"garbage", ":", ":x", ":0.", ":0.x", ":-1", ":1234567890", "host:"})
    EXPECT_EQ(Parsed(name), "none") << name;
}

// A display number no server uses on this machine, from From on. Tests that run side by side start
// far apart: one of them leaves a socket of its own for a while.
int FreeDisplayNumber(int From) {
  int number = From;
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)))
    ++number;
  return number;
}

class OpenRefusalTest : public testing::Test {
protected:
  static std::string Refusal(const std::string& Name) {
    std::string why;
    if (_XDisplay* dpy = OpenX11Display(Name.c_str(), why)) {
      CloseX11Display(dpy);
      return "opened";
    }
    return why;
  }
};

TEST_F(OpenRefusalTest, NoServerOnTheDisplay) {
  const std::string n = std::to_string(FreeDisplayNumber(700));
  EXPECT_EQ(Refusal(":" + n), "cannot open the X display ':" + n +
                                  "': no X server is running on it (there is no /tmp/.X11-unix/X" + n + ")");
}

// A socket left behind by a server that ended takes no connections.
TEST_F(OpenRefusalTest, ASocketLeftByAServerThatEnded) {
  const int number = FreeDisplayNumber(800);
  const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
  std::filesystem::create_directories("/tmp/.X11-unix");
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
  close(fd);
  const std::string n = std::to_string(number);
  EXPECT_EQ(Refusal(":" + n), "cannot open the X display ':" + n + "': no X server is running on it (" + path +
                                  " is left from one that ended)");
  std::filesystem::remove(path);
}

TEST_F(OpenRefusalTest, ANameThatIsNone) {
  EXPECT_EQ(Refusal("garbage"), "cannot open the X display 'garbage': that is not a display name (one reads "
                                "[HOST]:NUMBER[.SCREEN], such as :0)");
}

TEST_F(OpenRefusalTest, AScreenTheServerDoesNotHave) {
  TXvfb server;
  ASSERT_TRUE(server.Running()) << server.Error();
  EXPECT_EQ(Refusal(server.Display() + ".2"), "cannot open the X display '" + server.Display() + ".2': the X server " +
                                                  server.Display() + " has 1 screen (0), not screen 2");
  EXPECT_EQ(Refusal(server.Display() + ".0"), "opened");
}

} // namespace
