// Reading and replacing the ports files on Windows without hanging, ballooning or losing a line.
#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "ports/platform.h"
#include "serial/write_all.h"

namespace quillon::ports::platform {
namespace {

namespace fs = std::filesystem;

constexpr DWORD lock_wait_ms = 5000;

class handle {
  public:
    explicit handle(HANDLE h) noexcept : h_(h) {}
    ~handle() {
        if (*this) CloseHandle(h_);
    }
    handle(const handle&) = delete;
    handle& operator=(const handle&) = delete;
    HANDLE get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE h_;
};

std::string because(DWORD code) { return std::system_category().message(static_cast<int>(code)); }

std::string size_words(std::size_t limit) {
    return limit % (1024 * 1024) == 0 ? std::to_string(limit / (1024 * 1024)) + " MiB"
                                      : std::to_string(limit) + " bytes";
}

bool write_all(HANDLE h, const std::string& text) {
    return serial::write_all(
        [h](const char* from, std::size_t count) -> long {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count, 1 << 20));
            if (WriteFile(h, from, chunk, &written, nullptr)) return static_cast<long>(written);
            errno = 0;  // a failure of WriteFile is never an interrupted call
            return -1;
        },
        text);
}

}  // namespace

file_text read_small_file(const std::string& path, std::size_t limit) {
    file_text result;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return result;
        result.found = true;
        result.problem = "cannot be read (" + because(code) + ")";
        return result;
    }
    result.found = true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.problem = "is a directory, not a regular file";
        return result;
    }
    handle file(CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        result.problem = "cannot be read (" + because(GetLastError()) + ")";
        return result;
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        result.problem = "is a device, not a regular file";
        return result;
    }
    result.text.resize(limit + 1);
    std::size_t got = 0;
    while (got < result.text.size()) {
        DWORD n = 0;
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>(result.text.size() - got, 1 << 20));
        if (!ReadFile(file.get(), result.text.data() + got, want, &n, nullptr)) {
            result.problem = "cannot be read (" + because(GetLastError()) + ")";
            result.text.clear();
            return result;
        }
        if (n == 0) break;
        got += n;
    }
    result.text.resize(got);
    if (got > limit) {
        result.problem = "is larger than " + size_words(limit);
        result.text.clear();
    }
    return result;
}

std::optional<std::string> replace_file(const std::string& path, std::size_t limit,
                                        const text_edit& edit) {
    const fs::path file(path);
    std::error_code failure;
    fs::create_directories(file.parent_path(), failure);
    if (failure) return "cannot make " + file.parent_path().string() + ": " + failure.message();

    const std::string lock_name = path + ".lock";
    handle lock(CreateFileA(lock_name.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!lock) return "cannot lock " + path + ": " + because(GetLastError());
    OVERLAPPED whole{};
    for (DWORD waited = 0;; waited += 10) {
        if (LockFileEx(lock.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                       &whole)) {
            break;
        }
        if (waited >= lock_wait_ms) {
            return "cannot lock " + path + ": another edit has held it for " +
                   std::to_string(lock_wait_ms / 1000) + " s";
        }
        Sleep(10);
    }

    const file_text now = read_small_file(path, limit);
    if (!now.problem.empty()) return path + " " + now.problem + "; it was left as it is";
    std::string text;
    if (auto problem = edit(now, text)) return problem;

    const std::string temporary =
        path + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(GetTickCount64());
    {
        handle out(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return "cannot write beside " + path + ": " + because(GetLastError());
        if (!write_all(out.get(), text) || !FlushFileBuffers(out.get())) {
            const DWORD code = GetLastError();
            DeleteFileA(temporary.c_str());
            return "cannot write " + path + ": " + because(code);
        }
    }
    if (!MoveFileExA(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileA(temporary.c_str());
        return "cannot replace " + path + ": " + because(code);
    }
    return std::nullopt;
}

}  // namespace quillon::ports::platform
