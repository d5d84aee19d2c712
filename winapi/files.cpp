// Files over POSIX, read only, and the handle table that files and processes share.
#include "winapi/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

struct KernelObject {
  enum class Kind { file, process } kind;
  int fd = -1;
  DWORD type = FILE_TYPE_UNKNOWN;
  std::string path;  // absolute, for noticing a replaced file
  dev_t device = 0;
  ino_t inode = 0;
  std::mutex read_mutex;
  int64_t offset = 0;  // bytes read so far
  int pid = 0;
  std::atomic<bool> waited{false};

  explicit KernelObject(Kind k) : kind(k) {}
  ~KernelObject() {
    if (fd >= 0) ::close(fd);
    // A process nobody waited for is reaped in the background, so that it leaves no zombie.
    if (kind == Kind::process && !waited && pid > 0) {
      const int child = pid;
      std::thread([child] {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
      }).detach();
    }
  }
};

std::mutex table_mutex;
std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> table;
uintptr_t next_handle = 0x100;

HANDLE add_object(std::shared_ptr<KernelObject> object) {
  std::lock_guard lock(table_mutex);
  const uintptr_t value = next_handle;
  next_handle += 4;
  table.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> find_object(HANDLE handle) {
  std::lock_guard lock(table_mutex);
  const auto it = table.find(reinterpret_cast<uintptr_t>(handle));
  return it == table.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> find_file(HANDLE handle) {
  auto object = find_object(handle);
  if (!object || object->kind != KernelObject::Kind::file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return object;
}

DWORD error_from_errno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ENXIO:
    case ENODEV: return ERROR_NOT_READY;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EIO: return ERROR_READ_FAULT;
    default: return ERROR_GEN_FAILURE;
  }
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_without_case(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return i == a.size() && b[i] == '\0';
}

// The entries of `folder` that match `component` without regard to case, in byte order; the
// component as it stands when the folder cannot be listed (one that may be searched, not read).
std::vector<std::string> entries_without_case(const std::string& folder, const std::string& component) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return {component};
  std::vector<std::string> found;
  while (const dirent* entry = ::readdir(dir))
    if (same_without_case(component, entry->d_name)) found.emplace_back(entry->d_name);
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

std::string joined(const std::string& folder, const std::string& component) {
  if (folder.empty()) return component;
  if (folder.back() == '/') return folder + component;
  return folder + "/" + component;
}

// "\\.\COMn" or "COMn", n from 1 to 255: the port number, else 0.
int port_number(const std::string& name) {
  std::string rest = name;
  if (rest.rfind("\\\\.\\", 0) == 0) rest = rest.substr(4);
  if (rest.size() < 4 || rest.size() > 6 || !same_without_case(rest.substr(0, 3), "com")) return 0;
  int number = 0;
  for (size_t i = 3; i < rest.size(); ++i) {
    if (rest[i] < '0' || rest[i] > '9') return 0;
    number = number * 10 + (rest[i] - '0');
  }
  return number >= 1 && number <= 255 ? number : 0;
}

HANDLE refuse(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

HANDLE open_port(int number) {
  const std::string device = "/dev/ttyS" + std::to_string(number - 1);
  const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return refuse(errno == ENOENT ? ERROR_FILE_NOT_FOUND : error_from_errno(errno));
  if (!::isatty(fd)) {
    ::close(fd);
    return refuse(ERROR_NOT_READY);
  }
  auto object = std::make_shared<KernelObject>(KernelObject::Kind::file);
  object->fd = fd;
  object->type = FILE_TYPE_CHAR;
  SetLastError(ERROR_SUCCESS);
  return add_object(std::move(object));
}

// Whether the name that opened the file still leads to it.
bool still_there(const KernelObject& file) {
  struct stat now {};
  return ::stat(file.path.c_str(), &now) == 0 && now.st_dev == file.device && now.st_ino == file.inode;
}

}  // namespace

namespace {

// Follows `components` from `folder`. Each may lead to several entries that differ only in case:
// they are tried in byte order, and the first whole path that exists is the one, so that every
// spelling of a name reaches the same file whichever spelling the entries have. When none
// exists, the error of the first way tried. `folder_at_end`: the last component must be a folder.
std::string follow(const std::string& folder, const std::vector<std::string>& components, size_t at,
                   bool folder_at_end, DWORD& error) {
  if (at == components.size()) return folder;
  const std::string& component = components[at];
  const bool folder_needed = at + 1 < components.size() || folder_at_end;
  const std::vector<std::string> entries = component == "." || component == ".."
                                               ? std::vector<std::string>{component}
                                               : entries_without_case(folder, component);
  DWORD first_error = ERROR_SUCCESS;
  const DWORD missing = folder_needed ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
  for (const std::string& entry : entries) {
    const std::string candidate = joined(folder, entry);
    struct stat info {};
    DWORD reason = ERROR_SUCCESS;
    if (::stat(candidate.c_str(), &info) != 0) {
      reason = errno == ENOENT ? missing : errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : error_from_errno(errno);
    } else if (folder_needed && !S_ISDIR(info.st_mode)) {
      reason = ERROR_PATH_NOT_FOUND;
    } else {
      std::string path = follow(candidate, components, at + 1, folder_at_end, reason);
      if (!path.empty()) return path;
    }
    if (first_error == ERROR_SUCCESS) first_error = reason;
  }
  error = first_error == ERROR_SUCCESS ? missing : first_error;
  return {};
}

}  // namespace

std::string resolve_windows_name(const char* name, DWORD* error, bool want_folder) {
  auto fail = [&](DWORD e) {
    if (error) *error = e;
    return std::string();
  };
  if (!name || name[0] == '\0') return fail(ERROR_PATH_NOT_FOUND);
  std::string text = name;
  // A drive letter names a drive this system does not have: the folder is missing.
  if (text.size() >= 2 && text[1] == ':' && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')))
    return fail(ERROR_PATH_NOT_FOUND);
  std::replace(text.begin(), text.end(), '\\', '/');
  const bool trailing_separator = text.back() == '/';

  std::vector<std::string> components;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('/', start), text.size());
    if (end > start) components.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  const std::string root = text[0] == '/' ? "/" : "";
  if (components.empty()) {
    if (want_folder) return root;
    return fail(ERROR_ACCESS_DENIED);  // the root folder, opened as a file
  }
  DWORD reason = ERROR_SUCCESS;
  std::string path = follow(root, components, 0, trailing_separator || want_folder, reason);
  if (path.empty()) return fail(reason);
  if (error) *error = ERROR_SUCCESS;
  return path;
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD /*share_mode*/, SECURITY_ATTRIBUTES* /*security*/,
                   DWORD creation, DWORD /*flags*/, HANDLE /*template_file*/) {
  // Reading existing files is all there is: nothing is created or written.
  if ((access & ~GENERIC_READ) != 0 || creation != OPEN_EXISTING) return refuse(ERROR_ACCESS_DENIED);
  if (!name) return refuse(ERROR_PATH_NOT_FOUND);
  if (const int port = port_number(name)) return open_port(port);

  DWORD error = ERROR_SUCCESS;
  std::string path = resolve_windows_name(name, &error);
  if (path.empty()) return refuse(error);
  // O_NONBLOCK: opening a pipe without a writer, or a device, must not wait.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return refuse(error_from_errno(errno));
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const int reason = errno;
    ::close(fd);
    return refuse(error_from_errno(reason));
  }
  if (S_ISDIR(info.st_mode)) {
    ::close(fd);
    return refuse(ERROR_ACCESS_DENIED);  // as Windows refuses a folder opened as a file
  }
  auto object = std::make_shared<KernelObject>(KernelObject::Kind::file);
  object->fd = fd;
  if (S_ISREG(info.st_mode)) {
    object->type = FILE_TYPE_DISK;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (path[0] != '/') {
      char folder[PATH_MAX];
      if (::getcwd(folder, sizeof folder)) path = joined(folder, path);
    }
    object->path = std::move(path);
    object->device = info.st_dev;
    object->inode = info.st_ino;
  } else {
    // Pipes and devices stay non-blocking: a read gives what is waiting, never waits.
    object->type = S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? FILE_TYPE_CHAR : FILE_TYPE_PIPE;
  }
  SetLastError(ERROR_SUCCESS);
  return add_object(std::move(object));
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD to_read, DWORD* bytes_read, OVERLAPPED* /*overlapped*/) {
  if (bytes_read) *bytes_read = 0;
  auto file = find_file(handle);
  if (!file) return FALSE;
  if (!buffer && to_read > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(file->read_mutex);
  if (file->type == FILE_TYPE_DISK && !still_there(*file)) return TRUE;  // replaced or deleted: ended
  for (;;) {
    const ssize_t got = ::read(file->fd, buffer, to_read);
    if (got >= 0) {
      file->offset += got;
      if (bytes_read) *bytes_read = static_cast<DWORD>(got);
      return TRUE;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return TRUE;  // nothing waiting now
    SetLastError(error_from_errno(errno));
    return FALSE;
  }
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
  auto file = find_file(handle);
  if (!file) return FALSE;
  if (file->type != FILE_TYPE_DISK || !size) {
    SetLastError(file->type != FILE_TYPE_DISK ? ERROR_INVALID_FUNCTION : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(file->read_mutex);
  if (!still_there(*file)) {
    size->QuadPart = file->offset;
    return TRUE;
  }
  struct stat info {};
  if (::fstat(file->fd, &info) != 0) {
    SetLastError(error_from_errno(errno));
    return FALSE;
  }
  size->QuadPart = info.st_size;
  return TRUE;
}

DWORD GetFileType(HANDLE handle) {
  auto file = find_file(handle);
  return file ? file->type : FILE_TYPE_UNKNOWN;
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> object;
  {
    std::lock_guard lock(table_mutex);
    const auto it = table.find(reinterpret_cast<uintptr_t>(handle));
    if (it == table.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    object = std::move(it->second);
    table.erase(it);
  }
  return TRUE;  // closed once the last user lets go
}

// The line speeds a serial port can be set to, in bits per second and as termios codes.
constexpr std::pair<DWORD, speed_t> comm_speeds[] = {
    {75, B75}, {110, B110}, {150, B150}, {300, B300}, {600, B600}, {1200, B1200}, {1800, B1800},
    {2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600},
    {115200, B115200}};

// The port's current settings, or null (with the error set) when the handle is no port.
std::shared_ptr<KernelObject> find_comm_port(HANDLE handle, const DCB* dcb, termios& settings) {
  auto file = find_file(handle);
  if (!file) return nullptr;
  if (file->type != FILE_TYPE_CHAR || !dcb || ::tcgetattr(file->fd, &settings) != 0) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return nullptr;
  }
  return file;
}

BOOL GetCommState(HANDLE handle, DCB* dcb) {
  termios settings {};
  if (!find_comm_port(handle, dcb, settings)) return FALSE;
  dcb->BaudRate = 0;
  for (const auto& [rate, code] : comm_speeds)
    if (::cfgetispeed(&settings) == code) dcb->BaudRate = rate;
  const tcflag_t size = settings.c_cflag & CSIZE;
  dcb->ByteSize = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
  dcb->Parity = !(settings.c_cflag & PARENB) ? NOPARITY : (settings.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  dcb->StopBits = (settings.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  return TRUE;
}

BOOL SetCommState(HANDLE handle, const DCB* dcb) {
  termios settings {};
  const auto file = find_comm_port(handle, dcb, settings);
  if (!file) return FALSE;
  const auto speed = std::find_if(std::begin(comm_speeds), std::end(comm_speeds), [&](auto& s) { return s.first == dcb->BaudRate; });
  if (speed == std::end(comm_speeds) || dcb->ByteSize < 5 || dcb->ByteSize > 8 || dcb->Parity == MARKPARITY ||
      dcb->Parity == SPACEPARITY || dcb->Parity > SPACEPARITY || dcb->StopBits == ONE5STOPBITS || dcb->StopBits > TWOSTOPBITS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ::cfmakeraw(&settings);
  ::cfsetispeed(&settings, speed->second);
  ::cfsetospeed(&settings, speed->second);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
  settings.c_cflag |= CREAD | CLOCAL;
  settings.c_cflag |= dcb->ByteSize == 5 ? CS5 : dcb->ByteSize == 6 ? CS6 : dcb->ByteSize == 7 ? CS7 : CS8;
  if (dcb->Parity != NOPARITY) settings.c_cflag |= PARENB | (dcb->Parity == ODDPARITY ? PARODD : 0);
  if (dcb->StopBits == TWOSTOPBITS) settings.c_cflag |= CSTOPB;
  if (::tcsetattr(file->fd, TCSANOW, &settings) != 0) {
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  return TRUE;
}

HANDLE make_process_handle(int pid) {
  auto object = std::make_shared<KernelObject>(KernelObject::Kind::process);
  object->pid = pid;
  return add_object(std::move(object));
}

bool process_of_handle(HANDLE handle, int* pid) {
  auto object = find_object(handle);
  if (!object || object->kind != KernelObject::Kind::process) return false;
  if (pid) *pid = object->waited ? 0 : object->pid;
  return true;
}

void mark_process_waited(HANDLE handle) {
  if (auto object = find_object(handle)) object->waited = true;
}
