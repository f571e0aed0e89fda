#include "log_file.h"

namespace vedograf::jet {

TLogFileWriter::TLogFileWriter(const std::filesystem::path& path, const TLogFileOptions& options)
    : file_(path, TFileOptions{options.Password, options.CreationDate, options.DbKey}) {
  using C = TColumnType;
  const C text = options.MemoText ? C::Memo : C::Text;
  rxlog_ = file_.AddTable("RXLOG", {
                                       {"ID", C::Long, 0, true},
                                       {"MOBILE", C::Long},
                                       {"MESSAGE", text, 255, false, options.Compressed},
                                       {"PORT", C::Integer},
                                       {"DATE", C::DateTime},
                                       {"FLAGS", C::Long},
                                       {"STATUS", C::Long},
                                       {"LON", C::Double},
                                       {"LAT", C::Double},
                                       {"COURSE", C::Double},
                                       {"SPEED", C::Double},
                                   });
  address_ = file_.AddTable("ADDRESS", {
                                           {"MOBILE", C::Long},
                                           {"NAME", C::Text, 255, false, options.Compressed},
                                       });
}

void TLogFileWriter::AddLog(const TLogRow& r) {
  TValue v[kLogColumnCount] = {
      TValue::Integer(r.RecNo),  TValue::Integer(r.Mobile), TValue::String(r.Text),
      TValue::Integer(r.Port),   TValue::Number(r.Time),    TValue::Integer(r.Flags),
      TValue::Integer(r.Status), TValue::Number(r.Lon),     TValue::Number(r.Lat),
      TValue::Number(r.Course),  TValue::Number(r.Speed),
  };
  for (int i = 0; i < kLogColumnCount; ++i)
    if (r.NullMask & (1u << i)) v[i] = TValue::Null();
  file_.AddRow(rxlog_, v);
}

void TLogFileWriter::AddAddress(std::int32_t number, std::string_view name) {
  const TValue v[] = {TValue::Integer(number), TValue::String(name)};
  file_.AddRow(address_, v);
}

void TLogFileWriter::AddAddressWithoutName(std::int32_t number) {
  const TValue v[] = {TValue::Integer(number), TValue::Null()};
  file_.AddRow(address_, v);
}

}  // namespace vedograf::jet
