// What many tests need around them: a folder of their own, and environment variables set or
// removed for a while and then put back as they were.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace quillon::test {

// A new folder below /tmp, removed with everything in it when the object goes.
class scratch_folder {
  public:
    explicit scratch_folder(const std::string& prefix = "quillon-test");
    ~scratch_folder();
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Environment variables of this process changed for the object's lifetime.
class environment_override {
  public:
    environment_override() = default;
    ~environment_override();
    environment_override(const environment_override&) = delete;
    environment_override& operator=(const environment_override&) = delete;

    // Sets the variable, or removes it when there is no value.
    void set(const std::string& name, const std::optional<std::string>& value);

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Writes a text file, making its folders first.
void write_file(const std::filesystem::path& file, const std::string& text);
std::string read_file(const std::filesystem::path& file);

}  // namespace quillon::test
