// BenchPane.cc: the process's resident memory, for the soak.
#include "BenchPane.h"

#include <unistd.h>

#include <fstream>

namespace pde::bench {

long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace pde::bench
