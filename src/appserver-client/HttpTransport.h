#pragma once

// Registers the "http" transport with SDCOMConnection: a `tolvane-server serve` at Server =
// "host:port" (HTTP/JSON, see docs/protocol.md). Empty connection settings fall back to the
// start-up variables (gStParSrv, gStParUsu, gStParPas). Safe to call more than once.
void RegisterHttpTransport();
