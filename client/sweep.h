// The sweep of dead workstations out of the Coordinator: the one command that
// works on the naming service rather than on the server. The console's
// --NSClean runs it on the connection it made; the fuzz targets run it on
// theirs.
#pragma once

#include "client/reporter.h"
#include "network/CBackupNetwork.h"

// Where the sweep looks for the Coordinator, whatever the registry says.
inline constexpr wchar_t kSweepHost[] = L"localhost";
inline constexpr wchar_t kSweepPort[] = L"1755";

// Tells the reporter that the sweep begins, removes the bindings of the
// workstations that are gone, and tells what it removed. A failure is told
// with what was removed before it (and, when the Coordinator itself was lost,
// a hint that says so) and then passes through. `network` must be connected.
void Sweep(CBackupNetwork& network, Reporter& reporter);
