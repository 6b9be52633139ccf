// PpdOptions.cc: the options and choices of a PPD, through libcups's PPD parser.
#include <cups/ppd.h>

#include <memory>

#include "pde/cups/CupsOptions.h"

namespace pde::cups {

namespace {

struct PpdCloser {
  void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};

}  // namespace

bool ReadPpdOptions(const std::string& path, std::vector<PpdOption>* options, std::string* error) {
  options->clear();
  const std::unique_ptr<ppd_file_t, PpdCloser> ppd(ppdOpenFile(path.c_str()));
  if (!ppd) {
    int line = 0;
    const ppd_status_t status = ppdLastError(&line);
    *error = status == PPD_FILE_OPEN_ERROR
                 ? path + ": cannot be opened"
                 : path + ":" + std::to_string(line) + ": " + ppdErrorString(status);
    return false;
  }
  for (ppd_option_t* option = ppdFirstOption(ppd.get()); option != nullptr;
       option = ppdNextOption(ppd.get())) {
    PpdOption entry{option->keyword, option->defchoice, {}};
    for (int i = 0; i < option->num_choices; ++i)
      entry.choices.emplace_back(option->choices[i].choice);
    options->push_back(std::move(entry));
  }
  return true;
}

}  // namespace pde::cups
