#pragma once
// Fault injection for the file writes of this test program: the C library's
// file calls are interposed (the program's own definitions win over libc's),
// and while a plan is armed the N-th call of one kind on a file under the
// armed folder fails with a chosen errno. Calls on other files, and every
// call while disarmed, go straight to the C library. Operator new can be
// made to fail the same way.

#include <cerrno>
#include <string>

namespace vedograf::test::faults {

enum class TCall { Open, Write, Sync, Rename, Close, Alloc };
inline constexpr TCall kFileCalls[] = {TCall::Open, TCall::Write, TCall::Sync, TCall::Rename, TCall::Close};
const char* Name(TCall call);

struct TPlan {
  std::string Folder;      // only files under it count
  TCall Call = TCall::Write;
  int FailAt = 0;          // 1-based; 0 counts without failing
  int Errno = EIO;
  bool FailRest = false;   // every later call of the kind fails too (a full disk stays full)
  std::size_t WriteChunk = 0;  // > 0: writes pass at most this many bytes (short writes)
  // A filesystem without nameless files (O_TMPFILE refused), or without
  // rename flags (renameat2 refused); neither counts as a call.
  bool NoTmpFile = false;
  bool NoRenameFlags = false;
};

void Arm(const TPlan& plan);
void Disarm();
// Calls of the armed kind made since Arm, failed ones included.
int Calls();

// Arms for the scope.
class TArmed {
 public:
  explicit TArmed(const TPlan& plan) { Arm(plan); }
  ~TArmed() { Disarm(); }
  TArmed(const TArmed&) = delete;
  TArmed& operator=(const TArmed&) = delete;
};

}  // namespace vedograf::test::faults
