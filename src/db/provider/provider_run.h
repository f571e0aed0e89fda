#pragma once
// The database provider's work, callable in-process: the worker executable
// runs it once and exits, the fuzz target runs it over and over. Nothing here
// ends the process; the ways the worker ends are exceptions its main turns
// into exit statuses.

#include <string>

#include "db/provider_protocol.h"

namespace vedograf::db::worker {

// The worker stops here with this exit status. 0: the failure has been told
// in an Error frame; 3: the reader of the frames went away.
struct TProviderExit {
  int Status = 0;
};

// Writes one frame to `fd`; throws TProviderExit{3} when it cannot be written.
void SendFrame(int fd, TFrame kind, const TFrameWriter& payload);

// Opens the log database at `path` with libmdb and streams its schema, the
// address book, every readable log row and the totals to `fd` as frames.
// Returns when the Done frame is written; throws TProviderExit after an Error
// frame or on a broken pipe. Every libmdb handle is released either way.
void RunProvider(const std::string& path, int fd);

}  // namespace vedograf::db::worker
