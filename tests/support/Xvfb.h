#pragma once

#include <string>
#include <sys/types.h>

// A private X server for a test: Xvfb on a display number it picks itself (so tests never collide
// with a running desktop or with each other), stopped when the object goes.
class TXvfb {
public:
  explicit TXvfb(int Width = 1024, int Height = 768);
  ~TXvfb();
  TXvfb(const TXvfb&) = delete;
  TXvfb& operator=(const TXvfb&) = delete;

  bool Running() const { return FPid > 0; }
  // ":N", or empty when the server did not start (Error() says why).
  const std::string& Display() const { return FDisplay; }
  const std::string& Error() const { return FError; }
  // Ends the server now (a test of what its clients do when it goes).
  void Stop();

private:
  pid_t FPid = -1;
  std::string FDisplay;
  std::string FError;
};
