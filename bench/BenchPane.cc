// BenchPane.cc: the process's resident memory, for the soak, and the generated large PPD.
#include "BenchPane.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace pde::bench {
namespace {

constexpr int kLargePPDLines = 60000;

std::string& LargePPDPath() {
  static std::string path;
  return path;
}

void RemoveLargePPD() {
  std::filesystem::remove(LargePPDPath());
}

}  // namespace

long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::string LargePPD() {
  if (!LargePPDPath().empty()) return LargePPDPath();
  std::stringstream sample;
  sample << std::ifstream(SamplePPD()).rdbuf();
  std::string text = sample.str();
  int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  for (int option = 0; lines + 5 <= kLargePPDLines; ++option, lines += 5) {
    const std::string name = "Option" + std::to_string(option);
    text += "*OpenUI *" + name + "/" + name + ": PickOne\n*Default" + name + ": A\n*" + name +
            " A/A: \"\"\n*" + name + " B/B: \"\"\n*CloseUI: *" + name + "\n";
  }
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("pde-bench-" + std::to_string(getpid()) + ".ppd");
  std::ofstream(path, std::ios::binary) << text;
  LargePPDPath() = path.string();
  std::atexit(RemoveLargePPD);
  // A file changed within the last two seconds is compared byte for byte on every open.
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  return LargePPDPath();
}

}  // namespace pde::bench
