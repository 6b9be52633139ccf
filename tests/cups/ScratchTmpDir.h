// ScratchTmpDir.h: a fresh temporary directory that stands in as TMPDIR (or another variable's
// directory) while a test runs.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace pde::test {

// A fresh directory set as TMPDIR (or variable) for the test's lifetime, removed afterwards.
class ScratchTmpDir {
 public:
  explicit ScratchTmpDir(const char* variable = "TMPDIR") : variable_(variable) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pde-cups-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    const char* previous = std::getenv(variable_);
    hadPrevious_ = previous != nullptr;
    if (hadPrevious_) previous_ = previous;
    setenv(variable_, path_.c_str(), 1);
  }
  ~ScratchTmpDir() {
    if (hadPrevious_) {
      setenv(variable_, previous_.c_str(), 1);
    } else {
      unsetenv(variable_);
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchTmpDir(const ScratchTmpDir&) = delete;
  ScratchTmpDir& operator=(const ScratchTmpDir&) = delete;

  const std::string& path() const { return path_; }
  bool IsEmpty() const { return std::filesystem::is_empty(path_); }

 private:
  const char* variable_;
  std::string path_;
  std::string previous_;
  bool hadPrevious_ = false;
};

}  // namespace pde::test
