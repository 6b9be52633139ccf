// NibCheck.h: the pane's nib checked for the controls the pane relies on, before the pane opens.
#pragma once

#include <string>

namespace pdehost {

// Checks the window "Window" of the nib "PDE" of the bundle at bundlePath, as the toolkit opens
// it for the pane: control 1 a user pane, once, and inside it controls 5 to 10, once each, each
// of the kind the pane uses (the print-mode pop-up with four items, the DIN and DC edit-text
// fields, the three switches pop-ups with two). Returns true when it holds them, and also when
// the bundle or its nib cannot be read (the pane's own open then reports the refused file).
// Returns false with *error "<nib file>: the bundle's nib is broken: control N (NAME) ..." when a
// control is missing, given twice or of another kind.
bool CheckPaneNib(const std::string& bundlePath, std::string* error);

}  // namespace pdehost
