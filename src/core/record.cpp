#include "core/record.h"

#include <cmath>

#include "core/row_source.h"

namespace vedograf {

bool IsUsablePosition(double lat, double lon) {
  return (lat != 0.0 || lon != 0.0) && std::fabs(lat) <= 90.0 && std::fabs(lon) <= 180.0;
}

bool HasPowerUpMarker(const std::string& text, std::int32_t flags) {
  if (text.find(" PU ") != std::string::npos) return true;
  return (flags & 2) != 0 && text.find("(FLASH)") != std::string::npos;
}

bool HasFix3DMarker(const std::string& text) { return text.find("3D") != std::string::npos; }

bool HasFreshMarker(const std::string& text) {
  return text.find("Свежее") != std::string::npos;
}

bool DecodeRow(const IRowSource& rows, bool inputFlag, TRecord& rec) {
  rows.AsText(kColText, rec.Text);
  rec.Time = rows.AsDateTime(kColTime);
  rec.RecNo = rows.AsInteger(kColRecNo);
  const std::int32_t flags = rows.AsInteger(kColFlags);
  const bool navigation = !inputFlag || (flags & 12) != 0;
  if (navigation) {
    rec.Lon = rows.AsDouble(kColLon);
    rec.Lat = rows.AsDouble(kColLat);
    rec.Speed = rows.AsDouble(kColSpeed);
    rec.PowerUp = HasPowerUpMarker(rec.Text, flags);
    rec.Fix3D = HasFix3DMarker(rec.Text);
    rec.Fresh = HasFreshMarker(rec.Text);
  } else {
    rec.Lat = 0.0;
    rec.Lon = 0.0;
  }
  return navigation;
}

}  // namespace vedograf
