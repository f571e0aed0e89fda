#include "db/open_base.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "core/errors.h"
#include "core/message_pump.h"
#include "core/user_services.h"
#include "db/jet_format.h"
#include "db/object_list.h"

namespace vedograf::db {

namespace {

// A system error as Windows wraps it (FACILITY_WIN32), with the system's own
// Russian message.
[[noreturn]] void ThrowSystem(int err) {
  std::uint32_t code = 31;  // ERROR_GEN_FAILURE
  const char* text = "Присоединенное к системе устройство не работает.";
  switch (err) {
    case ENOENT: code = 2, text = "Не удается найти указанный файл."; break;
    case ENOTDIR: code = 3, text = "Системе не удается найти указанный путь."; break;
    case EACCES:
    case EPERM:
    case EISDIR: code = 5, text = "Отказано в доступе."; break;
    case EMFILE:
    case ENFILE: code = 4, text = "Системе не удается открыть файл."; break;
    case ENOMEM: code = 8, text = "Недостаточно памяти для обработки команды."; break;
    case EIO: code = 30, text = "Системе не удается произвести чтение с указанного устройства."; break;
    case EBUSY:
    case ETXTBSY: code = 32, text = "Процесс не может получить доступ к файлу, так как этот файл занят другим процессом."; break;
    case ENAMETOOLONG: code = 206, text = "Имя файла или его расширение имеет слишком большую длину."; break;
    default: break;
  }
  throw TOleError(0x80070000u | code, text);
}

std::string Hex8(std::uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

}  // namespace

std::unique_ptr<TLogDatabase> ConnectBase(const std::string& path, const std::string* password,
                                          const TProviderOptions& options, const std::function<void()>& pump) {
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(path, ec).lexically_normal().string();
  if (ec || path.empty()) ThrowSystem(ENOENT);
  const int fd = ::open(absolute.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowSystem(errno);
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    ThrowSystem(err ? err : EACCES);
  }
  std::vector<std::uint8_t> head(jet::kJet4PageSize);
  std::size_t got = 0;
  while (got < head.size()) {
    const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      ThrowSystem(err);
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  head.resize(got);
  const jet::THeaderInfo info = jet::ReadHeader(head);
  // Jet 4.0 reads Jet 3 and Jet 4 files; an .accdb (ACE) is not one it knows.
  if (info.Version != jet::TJetVersion::Jet3 && info.Version != jet::TJetVersion::Jet4)
    throw TOleError(kErrNotDatabase, "Нераспознаваемый формат базы данных");
  if (!jet::PasswordMatches(info, password ? *password : std::string()))
    throw TOleError(kErrAuthentication, "Недопустимый пароль");
  return TLogDatabase::Load(absolute, options, pump);
}

int OpenBase(const std::string& path, IUserServices& services, TBaseState& state,
             const TProviderOptions& options) {
  const std::string head = "Ошибка открытия базы";
  std::string errorText;
  int attempts = 2;

  state.Database.reset();
  state.Objects.clear();
  state.Items.clear();
  state.Caption = kProgramCaption;

  std::optional<std::string> password;
  services.ShowWait(TWaitMode::OpeningBase, path);
  TMessagePump pump(services);
  // Called once per batch of rows or idle poll, not per row: the clock is
  // cheap at that rate, and an idle wait for the worker must pump too.
  auto last = std::chrono::steady_clock::now();
  const std::function<void()> tick = [&services, &last] {
    const auto now = std::chrono::steady_clock::now();
    if (now - last < std::chrono::milliseconds(20)) return;
    last = now;
    services.PumpMessages();
  };
  pump.Flush();

  while (attempts > 0) {
    try {
      std::unique_ptr<TLogDatabase> db = ConnectBase(path, password ? &*password : nullptr, options, tick);
      try {
        const std::vector<std::int32_t> numbers = CalcObjects(db->LogObjects(), db->Addresses());
        state.Objects = FillObjectsGrid(numbers, db->Addresses());
        state.Items.reserve(state.Objects.size());
        for (const TObjReport& o : state.Objects) state.Items.push_back(ObjectItemText(o));
      } catch (const std::bad_alloc&) {
        state.Objects.clear();
        state.Items.clear();
        services.ShowError("Ошибка посчета количества объектов в базе");
      }
      state.Database = std::move(db);
      attempts = 0;
    } catch (const TOleError& e) {
      password.reset();
      switch (e.Code()) {
        case kErrNotDatabase:
        case kErrTablesMissing:
          errorText = head + ":\r\nфайл не является базой данных Kelvadis";
          attempts = -1;
          break;
        case kErrAuthentication:
          if (attempts == 1) {
            errorText = head + ":\r\nвведен неверный пароль";
            attempts = -1;
          } else {
            attempts = 1;
          }
          break;
        default:
          errorText = head + " №" + Hex8(e.Code()) + ":\r\n" + e.what();
          attempts = -1;
          break;
      }
    } catch (const std::exception& e) {
      errorText = head + "\r\n " + e.what();
      attempts = -1;
    } catch (...) {
      errorText = head;
      attempts = -1;
    }
    if (attempts > 0) {
      password = services.AskPassword();
      if (!password) attempts = -1;
      else pump.Flush();
    }
  }
  password.reset();

  if (attempts != 0) {
    services.CloseWait();
    if (attempts == -1 && !errorText.empty()) services.ShowError(errorText);
    return 1;
  }
  services.CloseWait();
  state.Caption = std::string(kProgramCaption) + " - " + path;

  // Never lose data silently: say what could not be read.
  const TReadReport& r = state.Database->Report();
  if (r.RowsRead < r.RowsExpected || r.RowsUnreadable > 0) {
    services.ShowWarning("Журнал базы прочитан не полностью: прочитано строк " + std::to_string(r.RowsRead) +
                         " из " + std::to_string(std::max(r.RowsExpected, r.RowsRead + r.RowsUnreadable)));
  }
  if (r.ValuesCut > 0 || r.CharactersReplaced > 0) {
    services.ShowWarning("Часть данных журнала повреждена: искажено значений " + std::to_string(r.ValuesCut) +
                         ", заменено символов " + std::to_string(r.CharactersReplaced));
  }
  return 0;
}

}  // namespace vedograf::db
