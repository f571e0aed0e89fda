#pragma once
// The object list of an open log: which objects there are, their names, the
// texts of the list box and the restore of a saved selection. Pure functions
// over the tables' contents, so the window only shows what they return.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "calc/obj_report.h"
#include "db/log_database.h"

namespace vedograf::db {

// The object numbers: every MOBILE of the log greater than 0, then every
// ADDRESS number greater than 0 not yet kept, sorted ascending. Empty when
// neither table has one.
std::vector<std::int32_t> CalcObjects(const std::vector<std::int32_t>& logNumbers,
                                      const std::vector<TAddressRow>& addresses);

// ObjReports for `numbers`: one fresh element each, named from ADDRESS (the
// last row of a number wins; rows with numbers of no element are ignored).
TObjReports FillObjectsGrid(const std::vector<std::int32_t>& numbers, const std::vector<TAddressRow>& addresses);

// The list item of an object: its number, and "  -  " + the name when it has one.
std::string ObjectItemText(const TObjReport& obj);

// Restores `saved`, a comma-separated list of entries: for each entry in turn,
// selects the first item from the top that is not yet selected and whose text
// begins with the entry. `selected` has one flag per item. An empty entry
// selects nothing.
void RestoreObjectSelection(const std::vector<std::string>& items, std::string_view saved,
                            std::vector<bool>& selected);

}  // namespace vedograf::db
