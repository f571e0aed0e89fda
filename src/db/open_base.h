#pragma once
// Opening a log database the way the dispatch program's users know it: the
// wait window, one chance for the database password, and one message for
// every kind of failure. The window calls this and shows what it leaves in
// the state; nothing here touches a widget.

#include <memory>
#include <string>
#include <vector>

#include "calc/obj_report.h"
#include "db/log_database.h"
#include "db/provider_client.h"

namespace vedograf {
class IUserServices;
}

namespace vedograf::db {

inline constexpr const char* kProgramCaption = "Ведограф";

// What the main window holds of the open database.
struct TBaseState {
  std::unique_ptr<TLogDatabase> Database;  // null while closed
  TObjReports Objects;                     // ObjReports; ObjCount is its size
  std::vector<std::string> Items;          // ObjectsListBox, one per object
  std::string Caption = kProgramCaption;
};

// Opens `path` into `state`: first closes what `state` holds and clears the
// list, then reads the file with the wait window shown, asking for the
// password once when the file has one. On success `state` holds the
// database, the objects and their items and the caption names the path; the
// wait window is closed. On failure the caption is the bare program name, the
// list stays empty, the wait window is closed and the user has been told
// (except when the password dialog was cancelled). Returns 0 on success, 1 on
// failure. A log that could not be read completely opens, with a warning
// telling how many rows were read of how many.
int OpenBase(const std::string& path, IUserServices& services, TBaseState& state,
             const TProviderOptions& options = {});

// The Jet provider's way of opening: checks the file, its header and the
// password (empty: none entered), then loads it. Throws TOleError with
// kErrNotDatabase, kErrTablesMissing, kErrAuthentication, 0x800700xx for a
// file the system cannot read (the Windows code of the errno), or a code of
// the provider client.
std::unique_ptr<TLogDatabase> ConnectBase(const std::string& path, const std::string* password,
                                          const TProviderOptions& options, const std::function<void()>& pump);

}  // namespace vedograf::db
