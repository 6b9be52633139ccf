// PlugInAllocations.cc: routes a loaded library's malloc, calloc and free through counting
// hooks by rewriting its global offset table entries (x86-64 ELF, as the project builds).
#include "PlugInAllocations.h"

#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

namespace pde::matrix {
namespace {

long allocationCount = 0;
long failingIndex = -1;

std::unordered_set<void*>& Outstanding() {
  static auto* blocks = new std::unordered_set<void*>;  // outlives every static destructor
  return *blocks;
}

// True when this allocation is the one armed to fail; counts it either way.
bool TakeFailure() {
  return allocationCount++ == failingIndex;
}

void* Remember(void* block) {
  if (block != nullptr) Outstanding().insert(block);
  return block;
}

void* PlugInMalloc(size_t size) {
  return TakeFailure() ? nullptr : Remember(std::malloc(size));
}

void* PlugInCalloc(size_t count, size_t size) {
  return TakeFailure() ? nullptr : Remember(std::calloc(count, size));
}

void PlugInFree(void* block) {
  if (block != nullptr) Outstanding().erase(block);
  std::free(block);
}

struct Search {
  std::string_view suffix;
  const dl_phdr_info* found = nullptr;
  ElfW(Addr) base = 0;
  const ElfW(Dyn) * dynamic = nullptr;
};

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

int FindLibrary(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<Search*>(data);
  if (info->dlpi_name == nullptr || !EndsWith(info->dlpi_name, search->suffix)) return 0;
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_DYNAMIC) {
      search->base = info->dlpi_addr;
      search->dynamic =
          reinterpret_cast<const ElfW(Dyn)*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
      return 1;
    }
  }
  return 0;
}

// A dynamic-section address: the loader has usually relocated it already; if not, relocate it.
ElfW(Addr) Relocated(ElfW(Addr) address, ElfW(Addr) base) {
  return address < base ? address + base : address;
}

void WriteEntry(void** entry, void* hook) {
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<uintptr_t>(entry) & ~(page - 1);
  // The entry may lie in memory made read-only after relocation.
  mprotect(reinterpret_cast<void*>(start), page, PROT_READ | PROT_WRITE);
  *entry = hook;
}

}  // namespace

bool RoutePlugInAllocations(std::string_view pathSuffix) {
  Search search{pathSuffix};
  dl_iterate_phdr(FindLibrary, &search);
  if (search.dynamic == nullptr) return false;

  const ElfW(Sym)* symbols = nullptr;
  const char* names = nullptr;
  const ElfW(Rela) * tables[2] = {nullptr, nullptr};
  size_t sizes[2] = {0, 0};
  for (const ElfW(Dyn)* entry = search.dynamic; entry->d_tag != DT_NULL; ++entry) {
    const ElfW(Addr) address = Relocated(entry->d_un.d_ptr, search.base);
    switch (entry->d_tag) {
      case DT_SYMTAB:
        symbols = reinterpret_cast<const ElfW(Sym)*>(address);
        break;
      case DT_STRTAB:
        names = reinterpret_cast<const char*>(address);
        break;
      case DT_JMPREL:
        tables[0] = reinterpret_cast<const ElfW(Rela)*>(address);
        break;
      case DT_PLTRELSZ:
        sizes[0] = entry->d_un.d_val;
        break;
      case DT_RELA:
        tables[1] = reinterpret_cast<const ElfW(Rela)*>(address);
        break;
      case DT_RELASZ:
        sizes[1] = entry->d_un.d_val;
        break;
      default:
        break;
    }
  }
  if (symbols == nullptr || names == nullptr) return false;

  bool routed = false;
  for (int t = 0; t < 2; ++t) {
    for (size_t i = 0; tables[t] != nullptr && i < sizes[t] / sizeof(ElfW(Rela)); ++i) {
      const ElfW(Rela)& relocation = tables[t][i];
      const auto type = ELF64_R_TYPE(relocation.r_info);
      if (type != R_X86_64_JUMP_SLOT && type != R_X86_64_GLOB_DAT) continue;
      const char* name = names + symbols[ELF64_R_SYM(relocation.r_info)].st_name;
      void* hook = std::strcmp(name, "malloc") == 0   ? reinterpret_cast<void*>(PlugInMalloc)
                   : std::strcmp(name, "calloc") == 0 ? reinterpret_cast<void*>(PlugInCalloc)
                   : std::strcmp(name, "free") == 0   ? reinterpret_cast<void*>(PlugInFree)
                                                      : nullptr;
      if (hook == nullptr) continue;
      WriteEntry(reinterpret_cast<void**>(search.base + relocation.r_offset), hook);
      routed = true;
    }
  }
  return routed;
}

void ResetPlugInAllocations() {
  allocationCount = 0;
  failingIndex = -1;
}

long PlugInAllocationCount() {
  return allocationCount;
}

void FailPlugInAllocation(long index) {
  failingIndex = index;
}

long OutstandingPlugInAllocations() {
  return static_cast<long>(Outstanding().size());
}

}  // namespace pde::matrix
