#pragma once

#include <string>

// Where the gamma keeper of one compositor listens, and how a client reaches it. There is one
// keeper per compositor and user: its socket and lock file are in XDG_RUNTIME_DIR, named after the
// WAYLAND_DISPLAY it serves, and only their owner may use them.
struct TKeeperPlace {
  std::string Socket;
  std::string Lock;
};

// The place of the keeper that serves WaylandDisplay; false with Why when XDG_RUNTIME_DIR is not
// set (or is not a private folder of this user) or the names do not fit a socket address.
bool FindKeeperPlace(const std::string& WaylandDisplay, TKeeperPlace& Out, std::string& Why);

// The keeper program beside the running one (the build tree and an installation keep them together).
std::string KeeperProgramBeside();

// Connects to the keeper that listens at Place. When none does and Program is not empty, starts
// Program as the keeper first: under the lock it binds the socket, listens and hands the listening
// socket to the new process, so the connection is made (and a message can be sent) at once, before
// the keeper has reached the compositor. Returns the connected descriptor (close-on-exec), or -1
// with Why. Two clients that start together end up with the same keeper.
int ConnectToKeeper(const TKeeperPlace& Place, const std::string& Program, std::string& Why);

// Whether the other end of a connected Unix socket runs as this process's user (SO_PEERCRED).
bool PeerIsThisUser(int Fd, std::string& Why);

// The keeper's last act under the lock: when no client waits on Listener, removes the socket so the
// next client starts a new keeper, and returns true; returns false (and ends nothing) when a client
// is waiting, which the caller then accepts. Holding the lock for this keeps a client from
// connecting to a keeper that is just going.
bool WithdrawKeeper(const TKeeperPlace& Place, int Listener);
