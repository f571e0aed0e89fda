#include "fleet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <vector>

#include "core/datetime.h"

namespace vedograf::jet {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSecond = 1.0 / 86400.0;
constexpr double kMetresPerDegLat = 111195.0;
constexpr double kTank = 300.0;  // litres

struct TPlace {
  std::string Name;
  double Lat = 0.0, Lon = 0.0;
  int Radius = 300;  // metres
};

// The city the fleet works in, the same for a given seed.
struct TWorld {
  double CentreLat = 55.7558, CentreLon = 37.6173;
  std::vector<TPlace> Depots;
  std::vector<TPlace> Customers;
};

double MetresPerDegLon(double lat) { return kMetresPerDegLat * std::cos(lat * kPi / 180.0); }

TWorld MakeWorld(std::uint32_t seed) {
  TWorld w;
  std::mt19937_64 rng(0x5EED0000ull ^ seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  static const char* const kDepots[] = {"Склад Северный", "Склад Южный", "База Восток"};
  for (int i = 0; i < 3; ++i) {
    const double a = 2 * kPi * i / 3 + 0.4;
    w.Depots.push_back({kDepots[i], w.CentreLat + 0.11 * std::sin(a), w.CentreLon + 0.18 * std::cos(a), 400});
  }
  static const char* const kKinds[] = {"Магазин", "Кафе", "Аптека", "Рынок", "Офис", "Автосервис"};
  for (int i = 0; i < 40; ++i) {
    TPlace p;
    p.Name = std::string(kKinds[i % 6]) + " №" + std::to_string(i + 1);
    p.Lat = w.CentreLat + 0.16 * u(rng);
    p.Lon = w.CentreLon + 0.27 * u(rng);
    p.Radius = 100 + static_cast<int>(rng() % 5) * 50;
    w.Customers.push_back(std::move(p));
  }
  return w;
}

// Windows-1251 form of the generator's own texts (ASCII, Cyrillic, Ё, №).
std::string ToCp1251(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    char32_t cp = 0;
    std::size_t n = 0;
    if ((c & 0xE0) == 0xC0) cp = c & 0x1F, n = 2;
    else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, n = 3;
    else cp = c & 0x07, n = 4;
    for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    i += n;
    if (cp >= 0x410 && cp <= 0x44F) out.push_back(static_cast<char>(0xC0 + (cp - 0x410)));
    else if (cp == 0x401) out.push_back('\xA8');
    else if (cp == 0x451) out.push_back('\xB8');
    else if (cp == 0x2116) out.push_back('\xB9');
    else out.push_back('?');
  }
  return out;
}

// One row with the moment it reached the dispatch software.
// Its kind is counted when the row is written, not when it is made: a row
// cap stops in the middle of a day whose rows are all made already.
enum class TRowKind { Other, Navigation, Input };
struct TEvent {
  double Arrival;
  TLogRow Row;
  TRowKind Kind = TRowKind::Other;
};

class TVehicle {
 public:
  TVehicle(std::int32_t number, const TWorld& world, const TFleetOptions& options, int index)
      : number_(number), world_(world), options_(options) {
    home_ = index % static_cast<int>(world.Depots.size());
    lat_ = world.Depots[static_cast<std::size_t>(home_)].Lat;
    lon_ = world.Depots[static_cast<std::size_t>(home_)].Lon;
    fuel_ = kTank * (0.55 + 0.05 * (index % 7));
    sensor2_ = index % 3 == 0;  // some vehicles carry a second fuel sensor
  }

  // Appends the vehicle's rows of local day `dayLocal` (its midnight, in
  // local day-based time) to `out`.
  void Day(double dayLocal, int dayIndex, std::vector<TEvent>& out, TFleetStats& stats) {
    rng_.seed((static_cast<std::uint64_t>(options_.Seed) << 40) ^ (static_cast<std::uint64_t>(number_) << 20) ^
              static_cast<std::uint64_t>(dayIndex));
    out_ = &out;
    stats_ = &stats;
    const double bias = options_.TimeBiasHours / 24.0;
    // Weekends: only every third vehicle works.
    if (dayIndex % 7 >= 5 && number_ % 3 != 0) return;
    t_ = dayLocal + 7.0 / 24 + Uniform(0, 75) / 1440.0 - bias;
    ignition_ = true;
    door_ = false;
    speed_ = 0.0;
    PowerUp();
    const int trips = 3 + static_cast<int>(rng_() % 4);
    for (int k = 0; k < trips; ++k) {
      const bool last = k + 1 == trips;
      const bool depot = last || rng_() % 5 == 0;
      const TPlace& target =
          depot ? world_.Depots[static_cast<std::size_t>(last ? home_ : static_cast<int>(rng_() % world_.Depots.size()))]
                : world_.Customers[rng_() % world_.Customers.size()];
      Drive(target);
      Stop(depot, last);
    }
    PowerOff();
  }

 private:
  double Uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }
  double Noise(double sigma) { return std::normal_distribution<double>(0.0, sigma)(rng_); }
  bool Chance(double p) { return Uniform(0, 1) < p; }

  void Emit(TLogRow row, TRowKind kind, double delay = 0.0) {
    row.Mobile = number_;
    row.Time = t_;
    double arrival = t_ + delay;
    // Now and then a packet is retransmitted minutes later.
    if (delay == 0.0 && Chance(0.002)) {
      arrival += Uniform(60, 600) * kSecond;
      ++stats_->LateRows;
    }
    out_->push_back({arrival, std::move(row), kind});
  }

  void Navigation(bool fresh, int flags = 12, const char* prefix = "") {
    TLogRow r;
    r.Flags = flags;
    const bool fix3d = Chance(0.85);
    const int sats = fix3d ? 7 + static_cast<int>(rng_() % 6) : 3 + static_cast<int>(rng_() % 2);
    char text[160];
    if (fresh) {
      std::snprintf(text, sizeof text, "%sНавигация: Свежее %s, спутников %d", prefix, fix3d ? "3D" : "2D", sats);
      r.Lat = lat_ + Noise(3.0) / kMetresPerDegLat;  // the receiver's own scatter
      r.Lon = lon_ + Noise(3.0) / MetresPerDegLon(lat_);
      r.Speed = std::round(std::max(0.0, speed_ + (speed_ > 0 ? Noise(1.0) : 0.0)) * 10) / 10;
    } else {
      // A drop-out: the receiver repeats its last fix, or has none at all.
      std::snprintf(text, sizeof text, "%sНавигация: Старое 2D, спутников %d", prefix, static_cast<int>(rng_() % 3));
      if (!noFix_) {
        r.Lat = lastLat_;
        r.Lon = lastLon_;
      }
      r.Speed = 0.0;
    }
    if (fresh) {
      lastLat_ = r.Lat;
      lastLon_ = r.Lon;
    }
    r.Text = text;
    r.Course = std::round(course_);
    Emit(std::move(r), TRowKind::Navigation);
  }

  void Inputs() {
    // "Входы:" then the five states at 7, 9, ... 15, the analog fields at
    // 17, 23, 29 and the LLS fields at 56, 62, 68 (characters from the marker).
    const double voltage = ignition_ ? 13.9 + Noise(0.08) : 12.4 + Noise(0.05);
    const double temp = ignition_ ? std::min(90.0, 40.0 + 8.0 * warm_) : std::max(15.0, 40.0 + 8.0 * warm_ - 20);
    const double lls1 = std::max(0.0, fuel_ + Noise(0.8));
    const double analog = std::max(0.0, fuel_ + Noise(1.5));
    char tail[128];
    std::snprintf(tail, sizeof tail, " %c %c %c %c %c %6.2f%6.1f%6.1f%-21s%6.1f", ignition_ ? '1' : '0',
                  door_ ? '1' : '0', '0', reefer_ ? '1' : '0', '0', voltage, analog, temp, " LLS:", lls1);
    std::string text = "Входы:";
    text += tail;
    if (sensor2_) {
      char f[16];
      std::snprintf(f, sizeof f, "%6.1f", std::max(0.0, fuel_ + Noise(0.8)));
      text += f;
    }
    TLogRow r;
    r.Flags = 0;
    r.Text = std::move(text);
    Emit(std::move(r), TRowKind::Input);
    lastInputs_ = t_;
  }

  void Advance(double seconds) { t_ += seconds * kSecond; }

  void PowerUp() {
    ++stats_->PowerUps;
    noFix_ = false;
    warm_ = 0;
    if (Chance(0.3)) {
      // The controller first sends what it wrote to its flash memory.
      Navigation(true, 14, "(FLASH) ");
    } else {
      Navigation(true, 12, "Включение PU ");
    }
    Inputs();  // the same time stamp as the power-up row
  }

  void PowerOff() {
    speed_ = 0;
    ignition_ = false;
    Advance(40);
    Inputs();
    Advance(5);
    Navigation(true);
  }

  // Moves towards (lat, lon) by `metres`; returns true on arrival.
  bool Step(double lat, double lon, double metres) {
    const double dy = (lat - lat_) * kMetresPerDegLat;
    const double dx = (lon - lon_) * MetresPerDegLon(lat_);
    const double d = std::hypot(dx, dy);
    if (d > 1.0) course_ = std::fmod(std::atan2(dx, dy) * 180.0 / kPi + 360.0, 360.0);
    if (d <= metres) {
      lat_ = lat;
      lon_ = lon;
      return true;
    }
    lat_ += dy / d * metres / kMetresPerDegLat;
    lon_ += dx / d * metres / MetresPerDegLon(lat_);
    return false;
  }

  void Drive(const TPlace& target) {
    // A winding path: the straight line bent through a few waypoints.
    std::vector<std::pair<double, double>> path;
    const int bends = 2 + static_cast<int>(rng_() % 3);
    for (int k = 1; k <= bends; ++k) {
      const double f = static_cast<double>(k) / (bends + 1);
      const double off = Uniform(-0.12, 0.12);
      const double lat = lat_ + (target.Lat - lat_) * f - (target.Lon - lon_) * off * 0.56;
      const double lon = lon_ + (target.Lon - lon_) * f + (target.Lat - lat_) * off / 0.56;
      path.emplace_back(lat, lon);
    }
    path.emplace_back(target.Lat + Noise(15) / kMetresPerDegLat, target.Lon + Noise(15) / MetresPerDegLon(target.Lat));

    ignition_ = true;
    warm_ = std::min(warm_ + 1, 10);
    const double interval = options_.IntervalSeconds;
    // A drop-out (a tunnel, a street canyon) on some trips.
    int dropFrom = -1, dropLen = 0;
    if (Chance(0.35)) {
      dropFrom = static_cast<int>(Uniform(2, 60));
      dropLen = std::max(2, static_cast<int>(Uniform(120, 480) / interval));
      noFix_ = Chance(0.4);
    }
    double cruise = Uniform(35, 75);
    double halt = 0;  // seconds left at a traffic light
    std::size_t leg = 0;
    for (int tick = 0; leg < path.size() && tick < 20000; ++tick) {
      Advance(interval + (Chance(0.1) ? Uniform(-1, 1) : 0.0));
      if (halt > 0) {
        halt -= interval;
        speed_ = 0;
      } else if (Chance(0.02)) {
        halt = Uniform(20, 90);
        speed_ = std::max(0.0, speed_ * 0.3);
      } else {
        if (Chance(0.05)) cruise = Uniform(30, 85);
        speed_ += (cruise - speed_) * 0.4 + Noise(3.0);
        speed_ = std::clamp(speed_, 5.0, 110.0);
      }
      double metres = speed_ / 3.6 * interval;
      odometer_ += metres;
      fuel_ -= metres / 1000.0 * 0.32 + interval / 3600.0 * 1.8;
      while (metres > 0 && leg < path.size()) {
        const double before = metres;
        const double dy = (path[leg].first - lat_) * kMetresPerDegLat;
        const double dx = (path[leg].second - lon_) * MetresPerDegLon(lat_);
        const double d = std::hypot(dx, dy);
        if (Step(path[leg].first, path[leg].second, metres)) {
          metres = before - d;
          ++leg;
        } else {
          metres = 0;
        }
      }
      const bool dropped = dropFrom >= 0 && tick >= dropFrom && tick < dropFrom + dropLen;
      Navigation(!dropped);
      if (t_ - lastInputs_ >= 300 * kSecond) Inputs();  // equal time stamps with the fix
    }
    noFix_ = false;
    speed_ = 0;
  }

  void Stop(bool depot, bool last) {
    const double interval = std::max(60, options_.IntervalSeconds);
    Advance(20);
    Navigation(true);
    const double minutes = last ? Uniform(5, 15) : depot ? Uniform(20, 70) : Uniform(8, 45);
    const double until = t_ + minutes * 60 * kSecond;
    Advance(30);
    door_ = true;
    Inputs();
    const bool engineOff = Chance(0.6);
    if (engineOff) {
      Advance(60);
      ignition_ = false;
      Inputs();
    }
    reefer_ = !reefer_ && Chance(0.1);
    // Fuel events happen while the vehicle stands.
    const bool fill = depot && fuel_ < kTank * 0.5;
    const bool drain = !depot && engineOff && Chance(0.05);
    if (fill || drain) {
      const double target = fill ? kTank * Uniform(0.9, 0.98) : fuel_ - Uniform(25, 50);
      const int steps = static_cast<int>(Uniform(8, 12));
      const double from = fuel_;
      for (int k = 1; k <= steps; ++k) {
        Advance(30);
        fuel_ = from + (target - from) * k / steps;
        Inputs();
      }
      ++(fill ? stats_->Fills : stats_->Drains);
    }
    while (t_ < until) {
      Advance(interval);
      if (ignition_) fuel_ -= interval / 3600.0 * 1.8;
      Navigation(true);
      if (t_ - lastInputs_ >= 300 * kSecond) Inputs();
    }
    door_ = false;
    Inputs();
    if (!ignition_) {
      Advance(40);
      ignition_ = true;
      Inputs();
    }
  }

  std::int32_t number_;
  const TWorld& world_;
  const TFleetOptions& options_;
  std::mt19937_64 rng_;
  std::vector<TEvent>* out_ = nullptr;
  TFleetStats* stats_ = nullptr;
  int home_ = 0;
  double t_ = 0.0;
  double lat_ = 0.0, lon_ = 0.0, lastLat_ = 0.0, lastLon_ = 0.0;
  double speed_ = 0.0, course_ = 0.0, fuel_ = 0.0, odometer_ = 0.0;
  double lastInputs_ = 0.0;
  int warm_ = 0;
  bool ignition_ = false, door_ = false, reefer_ = false, noFix_ = false, sensor2_ = false;
};

std::string VehicleName(int index) {
  static const char* const kModels[] = {"КамАЗ", "ГАЗель", "МАЗ", "Валдай", "Ford Transit", "Газон Next"};
  // Plates use the Cyrillic letters that look Latin.
  static const char* const kCyr[] = {"А", "В", "Е", "К", "М", "Н", "О", "Р", "С", "Т", "Х"};
  const std::size_t a = static_cast<std::size_t>(index) % 11, b = static_cast<std::size_t>(index * 7 + 3) % 11,
                    c = static_cast<std::size_t>(index * 3 + 5) % 11;
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", (index * 37 + 100) % 1000);
  return std::string(kModels[index % 6]) + " " + kCyr[a] + digits + kCyr[b] + kCyr[c] + " 77";
}

}  // namespace

TFleetStats GenerateFleet(const TFleetOptions& options, IFleetSink& sink) {
  const TWorld world = MakeWorld(options.Seed);
  const int objects = std::max(0, options.Objects);
  std::vector<TVehicle> vehicles;
  vehicles.reserve(static_cast<std::size_t>(objects));
  for (int i = 0; i < objects; ++i) vehicles.emplace_back(kFirstVehicle + i, world, options, i);

  // ADDRESS: every vehicle but (with the oddities) the last one; an old name
  // of the first vehicle that its later row replaces; objects without rows.
  if (options.Oddities && objects > 0) sink.Address(kFirstVehicle, "Старое имя");
  for (int i = 0; i < objects; ++i) {
    if (options.Oddities && objects > 1 && i + 1 == objects) continue;
    sink.Address(kFirstVehicle + i, VehicleName(i));
  }
  if (options.Oddities) {
    sink.Address(kSilentObjects[0], "Резервный автомобиль");
    sink.Address(kSilentObjects[1], "Погрузчик «Балканкар»");
    sink.Address(0, "Диспетчерская");
    sink.Address(-5, "Тестовый номер");
  }

  TFleetStats stats;
  std::vector<TEvent> day;
  std::int32_t recNo = 0;
  bool first = true;
  const double firstDay = EncodeDate(options.Year, options.Month, options.Day);
  for (int d = 0; d < options.Days; ++d) {
    day.clear();
    for (TVehicle& v : vehicles) v.Day(firstDay + d, d, day, stats);
    if (options.Oddities) {
      // The dispatch software's own rows: MOBILE 0 and negative numbers.
      const double noon = firstDay + d + 0.5 - options.TimeBiasHours / 24.0;
      TLogRow r;
      r.Mobile = 0;
      r.Flags = 0;
      r.Text = "Сеанс связи с сервером";
      r.Time = noon;
      day.push_back({noon, r});
      r.Mobile = -1;
      r.Flags = 12;
      r.Text = "Свежее 3D служебная запись";
      r.Lat = world.CentreLat;
      r.Lon = world.CentreLon;
      day.push_back({noon + 0.001, r});
    }
    std::stable_sort(day.begin(), day.end(), [](const TEvent& a, const TEvent& b) { return a.Arrival < b.Arrival; });
    for (TEvent& e : day) {
      if (options.MaxRows && stats.Rows >= options.MaxRows) return stats;
      e.Row.RecNo = ++recNo;
      if (first || e.Row.Time < stats.FirstTime) stats.FirstTime = e.Row.Time;
      stats.LastTime = std::max(stats.LastTime, e.Row.Time);
      first = false;
      sink.Row(e.Row);
      ++stats.Rows;
      if (e.Kind == TRowKind::Navigation) ++stats.NavigationRows;
      if (e.Kind == TRowKind::Input) ++stats.InputRows;
    }
  }
  return stats;
}

TFleetStats WriteFleetDatabase(const std::filesystem::path& path, const TFleetOptions& options) {
  TLogFileOptions file;
  file.MemoText = options.MemoText;
  file.Password = options.Password;
  file.DbKey = options.DbKey;
  TLogFileWriter writer(path, file);
  // ADDRESS rows come first from the generator but the table is written
  // whenever; the writer keeps the tables apart.
  struct TSink : IFleetSink {
    TLogFileWriter& W;
    explicit TSink(TLogFileWriter& w) : W(w) {}
    void Address(std::int32_t n, std::string_view name) override { W.AddAddress(n, name); }
    void Row(const TLogRow& row) override { W.AddLog(row); }
  } sink(writer);
  const TFleetStats stats = GenerateFleet(options, sink);
  writer.Finish();
  return stats;
}

void WriteFleetAreas(const std::filesystem::path& mrkPath, const std::filesystem::path& objPath,
                     const TFleetOptions& options) {
  const TWorld w = MakeWorld(options.Seed);
  std::string mrk, obj;
  char line[512];
  int n = 0;
  auto mrkPoint = [&](double lat, double lon, const std::string& name) {
    std::snprintf(line, sizeof line, "%d %.6f %.6f :", ++n, lat, lon);
    mrk += line + name + "\r\n";
  };
  // Depots: circles with their radius; customers: default 300 m circles or
  // their own radius; one square district polygon around the centre with a
  // smaller polygon inside it, and the city as a big circle around all.
  for (const TPlace& p : w.Depots) mrkPoint(p.Lat, p.Lon, p.Name + "(R" + std::to_string(p.Radius) + ")");
  for (std::size_t i = 0; i < w.Customers.size(); ++i) {
    const TPlace& p = w.Customers[i];
    mrkPoint(p.Lat, p.Lon, i % 2 ? p.Name : p.Name + "(r" + std::to_string(p.Radius) + ")");
  }
  const double c = w.CentreLat, l = w.CentreLon;
  const double district[4][2] = {{c - 0.03, l - 0.05}, {c - 0.03, l + 0.05}, {c + 0.03, l + 0.05}, {c + 0.03, l - 0.05}};
  const double centre[3][2] = {{c - 0.01, l - 0.01}, {c - 0.005, l + 0.015}, {c + 0.012, l}};
  for (int k = 0; k < 4; ++k) mrkPoint(district[k][0], district[k][1], "Центральный район(N" + std::to_string(k + 1) + ")");
  for (int k = 0; k < 3; ++k) mrkPoint(centre[k][0], centre[k][1], "Кремль(n" + std::to_string(k + 1) + ")");
  mrkPoint(c, l, "Москва(R30000)");

  auto objLine = [&](const std::string& name, int id, const std::string& kind, const std::string& coords) {
    obj += name + "\t0\t#" + std::to_string(id) + "\t" + kind + "\t" + coords + "\r\n";
  };
  int id = 0;
  for (const TPlace& p : w.Depots) {
    std::snprintf(line, sizeof line, "%.6f,%.6f", p.Lon, p.Lat);
    objLine(p.Name, ++id, "R" + std::to_string(p.Radius), line);
  }
  for (const TPlace& p : w.Customers) {
    // Both decimal marks occur in such files.
    std::snprintf(line, sizeof line, id % 2 ? "%.6f %.6f" : "%.6f;%.6f", p.Lon, p.Lat);
    std::string coords = line;
    if (id % 2 == 0) {
      std::replace(coords.begin(), coords.end(), '.', ',');
      std::replace(coords.begin(), coords.end(), ';', ' ');
    }
    objLine(p.Name, ++id, "r" + std::to_string(p.Radius), coords);
  }
  std::string poly;
  for (int k = 0; k < 4; ++k) {
    std::snprintf(line, sizeof line, "%s%.6f %.6f", k ? ";" : "", district[k][1], district[k][0]);
    poly += line;
  }
  objLine("Центральный район", ++id, "P4", poly);
  poly.clear();
  for (int k = 0; k < 3; ++k) {
    std::snprintf(line, sizeof line, "%s%.6f %.6f", k ? ";" : "", centre[k][1], centre[k][0]);
    poly += line;
  }
  objLine("Кремль", ++id, "p3", poly);
  std::snprintf(line, sizeof line, "%.6f %.6f", l, c);
  objLine("Москва", ++id, "R30000", line);

  for (const auto& [path, text] : {std::pair{mrkPath, mrk}, std::pair{objPath, obj}}) {
    if (path.empty()) continue;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    const std::string bytes = ToCp1251(text);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f) throw TJetError("cannot write " + path.string());
  }
}

}  // namespace vedograf::jet
