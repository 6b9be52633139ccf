// DinHint.cc: the hint's texts, one per language the pane speaks, naming Private mode as the
// pane's print-mode menu does in that language.
#include "DinHint.h"

#include <map>

namespace pde::gtk {

const std::string& DinHint(const std::vector<std::string>& localizations) {
  static const std::map<std::string, std::string> hints = {
      {"en", "Print waits for a DIN: Private mode needs one typed in this dialog."},
      {"de",
       "Drucken wartet auf eine DIN: Der Modus Vertraulich braucht eine in diesem Dialog "
       "eingegebene."},
      {"fr", "L’impression attend un DIN : le mode Privé en demande un saisi dans ce dialogue."},
      {"es", "La impresión espera un DIN: el modo Privado necesita uno escrito en este diálogo."},
      {"ja",
       "印刷は DIN を待っています。機密モードでは、このダイアログで DIN を入力してください。"},
  };
  for (const std::string& language : localizations) {
    auto hint = hints.find(language);
    if (hint != hints.end()) return hint->second;
  }
  return hints.at("en");
}

}  // namespace pde::gtk
