// Mnemonics.h: the mnemonic letters of a pane's labels, unique within the pane.
#pragma once

#include <string>
#include <vector>

namespace pde::gtk {

// Returns the labels of one pane in GTK's mnemonic notation, in the same order. A label that
// marks its mnemonic ("_x", as a translator writes it) keeps it; "__" is an underscore and marks
// nothing. Every other label gets an underscore before the first character that no other label
// of the pane has taken, case aside: the first letter or digit of a word if one is free, else
// any letter or digit, ASCII ones before others, never a wide (CJK) character; a label with none
// free gets no mnemonic (a translation into such a script marks its own, as "(_P)"). Labels
// are UTF-8.
// The mnemonics that hostLabels mark (the host's own buttons around the pane, in the same
// notation) are taken before any label's is chosen.
std::vector<std::string> MarkMnemonics(const std::vector<std::string>& labels,
                                       const std::vector<std::string>& hostLabels = {});

}  // namespace pde::gtk
