#pragma once

// Something that waits on a descriptor of its own (a socket to a helper process) and wants the
// desktop's one wait to wake it, instead of a thread or a timer of its own. The desktop keeps a weak
// reference: a watch that is gone is simply no longer asked.
class TDescriptorWatch {
public:
  virtual ~TDescriptorWatch() = default;

  // The descriptor to wait on, or -1 for none now.
  virtual int Descriptor() const = 0;
  // What to wait for (POLLIN, POLLOUT).
  virtual short Events() const = 0;
  // The wait found Revents on the descriptor.
  virtual void Ready(short Revents) = 0;
};
