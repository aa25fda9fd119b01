#pragma once

// Chooses the real backends of this machine for the process: the X display named by DISPLAY when
// one can be opened, otherwise devices that refuse and say why.
void UseNativeBackends();
