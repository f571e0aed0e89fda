#include "db/object_list.h"

#include <algorithm>

namespace vedograf::db {

std::vector<std::int32_t> CalcObjects(const std::vector<std::int32_t>& logNumbers,
                                      const std::vector<TAddressRow>& addresses) {
  std::vector<std::int32_t> kept;
  kept.reserve(logNumbers.size() + addresses.size());
  for (std::int32_t n : logNumbers)
    if (n > 0) kept.push_back(n);
  // The log's numbers are distinct already; ADDRESS may repeat them.
  std::vector<std::int32_t> sorted = kept;
  std::sort(sorted.begin(), sorted.end());
  for (const TAddressRow& a : addresses) {
    if (a.Number <= 0) continue;
    if (std::binary_search(sorted.begin(), sorted.end(), a.Number)) continue;
    kept.push_back(a.Number);
    sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), a.Number), a.Number);
  }
  std::sort(kept.begin(), kept.end());
  return kept;
}

TObjReports FillObjectsGrid(const std::vector<std::int32_t>& numbers, const std::vector<TAddressRow>& addresses) {
  TObjReports objects(numbers.size());
  for (std::size_t i = 0; i < numbers.size(); ++i) objects[i].Number = numbers[i];
  for (const TAddressRow& a : addresses) {
    if (a.Number <= 0) continue;
    const auto it = std::lower_bound(objects.begin(), objects.end(), a.Number,
                                     [](const TObjReport& o, std::int32_t n) { return o.Number < n; });
    if (it != objects.end() && it->Number == a.Number) it->Name = a.Name;
  }
  return objects;
}

std::string ObjectItemText(const TObjReport& obj) {
  std::string s = std::to_string(obj.Number);
  if (!obj.Name.empty()) s += "  -  " + obj.Name;
  return s;
}

void RestoreObjectSelection(const std::vector<std::string>& items, std::string_view saved,
                            std::vector<bool>& selected) {
  selected.resize(items.size(), false);
  std::size_t from = 0;
  while (from <= saved.size()) {
    std::size_t comma = saved.find(',', from);
    if (comma == std::string_view::npos) comma = saved.size();
    const std::string_view entry = saved.substr(from, comma - from);
    if (!entry.empty()) {
      for (std::size_t i = 0; i < items.size(); ++i) {
        if (selected[i]) continue;
        if (std::string_view(items[i]).starts_with(entry)) {
          selected[i] = true;
          break;
        }
      }
    }
    from = comma + 1;
  }
}

}  // namespace vedograf::db
