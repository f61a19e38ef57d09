// A running display's claim on a COM port: the file serial::virtual_display_registration(port)
// holding "PID PATH\n". The ports mapping counts it only while that process runs, so a display
// that is killed leaves nothing that misleads; one that ends normally removes the file.
#pragma once

#include <optional>
#include <string>

namespace quillon::display {

class registration {
  public:
    // Writes the file (its folder made as needed, private to the user) through a temporary file
    // and a rename, so that a sender never reads half of it. Nothing and why on failure.
    static std::optional<registration> make(int port, const std::string& pty_path,
                                            std::string& why);
    ~registration();
    registration(registration&& other) noexcept;
    registration& operator=(registration&&) = delete;
    registration(const registration&) = delete;
    registration& operator=(const registration&) = delete;

    const std::string& file() const { return file_; }

  private:
    registration(std::string file, std::string content)
        : file_(std::move(file)), content_(std::move(content)) {}

    std::string file_;     // empty once moved from
    std::string content_;  // what this process wrote: another display's file is left alone
};

}  // namespace quillon::display
