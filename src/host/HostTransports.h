#pragma once

#include <QString>

// The host's transports to the application server: "http" directly, and "local" through the
// in-process server plugin, loaded from localServerPlugin the first time a connection asks for it
// (the host itself links no SQL backend). Safe to call more than once.
void RegisterHostTransports(const QString &localServerPlugin);
