// MnemonicsTest.cc: mnemonics kept where a label marks one, chosen uniquely where none is.
#include "Mnemonics.h"

#include <gtest/gtest.h>

namespace pde::gtk {
namespace {

TEST(Mnemonics, MarkedOnesStayAndTheOthersTakeFreeCharactersWordStartsFirst) {
  struct Case {
    std::vector<std::string> labels;
    std::vector<std::string> marked;
  };
  const Case cases[] = {
      // The pane's English labels: word starts while free, then any letter.
      {{"Print Mode:", "DIN:", "Department Code:", "Code:", "Blank Pages:",
        "Distinguish Thin Lines:"},
       {"_Print Mode:", "_DIN:", "Department _Code:", "C_ode:", "_Blank Pages:",
        "Distinguish _Thin Lines:"}},
      // A translator's marks are kept and taken first, whatever the order; "__" marks nothing.
      {{"Modo:", "_Copias:", "a__b", "Cod"}, {"_Modo:", "_Copias:", "_a__b", "C_od"}},
      // Wide characters have no key to press, accented ones come after ASCII ones; a label
      // without a free character gets none.
      {{"印刷モード(_P):", "部門コード:", "P", "p1", "Código:", "Cód"},
       {"印刷モード(_P):", "部門コード:", "P", "p_1", "_Código:", "Có_d"}},
  };
  for (const Case& c : cases) EXPECT_EQ(MarkMnemonics(c.labels), c.marked) << c.labels[0];
  // The host's buttons keep theirs: the pane's labels choose around them.
  EXPECT_EQ(MarkMnemonics({"Print Mode:", "Code:"}, {"_Cancel", "_Print"}),
            (std::vector<std::string>{"Print _Mode:", "C_ode:"}));
}

}  // namespace
}  // namespace pde::gtk
