#pragma once

#include <string>

// The gamma keeper: holds the outputs' gamma controls of the compositor that WAYLAND_DISPLAY names
// and the last table a client sent, so that the table stays after the adjuster ends (the compositor
// resets an output the moment the holder of its control goes). Clients connect on Listener, a
// socket bound and listening already (the client that started the keeper is waiting on it).
//
// It sleeps in one poll on the socket, the clients and the compositor; it ends, giving the outputs
// back, when the compositor goes away, when a client sends Reset, and when it holds the neutral
// table (or none) and no client is connected. Returns the exit status: 0 for those ends, 1 when the
// compositor could not be used at all (the waiting clients are told why).
int RunGammaKeeper(int Listener, const std::string& WaylandDisplay);
