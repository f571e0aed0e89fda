// vedograf-db-provider: the database provider. The only code of the program
// that runs libmdb, in a process of its own, so that a damaged file that makes
// the library loop, over-read or abort costs this process and never the
// window. It reads table ADDRESS and then table RXLOG once, page by page, and
// streams the values the program uses to its standard output (see
// db/provider_protocol.h; the reading itself is provider_run.cpp).
//
//   vedograf-db-provider <absolute path>
//
// The program clears MDBPATH, MDBICONV and MDBOPTS for it (an empty MDBPATH
// entry makes libmdb loop on a missing file) and passes an absolute path.
// Exit status 0 after the Done or an Error frame, 3 when the program went
// away, 2 on a wrong command line.

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/provider/provider_run.h"

namespace {

using vedograf::db::TFrame;
using vedograf::db::TFrameWriter;
using vedograf::db::worker::SendFrame;

void WriteAllTo(int fd, const void* data, std::size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) _exit(3);  // the program went away
    p += w;
    n -= static_cast<std::size_t>(w);
  }
}

// The ways libmdb has been seen to fail, on demand, so the program's guard
// can be exercised without a file that happens to trigger them.
void Misbehave(const char* how) {
  if (std::strcmp(how, "--hang") == 0) {
    for (;;) ::pause();
  } else if (std::strcmp(how, "--spew") == 0) {
    // The endless property loop of mdb_read_catalog: output, but no progress.
    static const char line[] = "mdb_read_props: reading property of length 0\n";
    for (;;) WriteAllTo(2, line, sizeof line - 1);
  } else if (std::strcmp(how, "--crash") == 0) {
    std::raise(SIGSEGV);
  } else if (std::strcmp(how, "--abort") == 0) {
    std::abort();
  } else if (std::strcmp(how, "--exhaust") == 0) {
    // What GLib does when memory runs out under the address-space cap.
    for (;;) {
      void* p = g_malloc(64u << 20);
      std::memset(p, 1, 64u << 20);
    }
  } else if (std::strcmp(how, "--stall-after-schema") == 0) {
    TFrameWriter w;
    w.U64(1);
    w.U64(0);
    w.U32(0);
    SendFrame(1, TFrame::Schema, w);
    for (;;) ::pause();
  } else if (std::strcmp(how, "--garble") == 0) {
    WriteAllTo(1, "Zgarbage", 8);
    _exit(0);
  } else if (std::strcmp(how, "--quit-early") == 0) {
    TFrameWriter w;
    w.U64(5);
    w.U64(0);
    w.U32(0);
    SendFrame(1, TFrame::Schema, w);
    _exit(0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // vedograf-db-provider [--hang|--spew|--crash|--abort|--exhaust|...] <absolute path>
  if (argc < 2 || argc > 3 || argv[argc - 1][0] != '/') {
    std::fprintf(stderr, "usage: vedograf-db-provider <absolute path>\n");
    return 2;
  }
  try {
    if (argc == 3) Misbehave(argv[1]);
    ::unsetenv("MDBPATH");
    ::unsetenv("MDBICONV");
    ::unsetenv("MDBOPTS");
    vedograf::db::worker::RunProvider(argv[argc - 1], 1);
  } catch (const vedograf::db::worker::TProviderExit& e) {
    _exit(e.Status);
  }
  // The handles are closed already; _exit skips only the exit handlers,
  // which a worker has no use for.
  _exit(0);
}
