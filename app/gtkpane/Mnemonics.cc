// Mnemonics.cc: picks a free mnemonic letter for each label of a pane that marks none.
#include "Mnemonics.h"

#include <glib.h>

#include <optional>
#include <set>

namespace pde::gtk {
namespace {

// The character a label marks as its mnemonic (lowercased), if it marks one.
std::optional<gunichar> MarkedMnemonic(const std::string& label) {
  for (size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '_') continue;
    if (label[i + 1] == '_') {
      ++i;
      continue;
    }
    return g_unichar_tolower(g_utf8_get_char_validated(label.c_str() + i + 1, -1));
  }
  return std::nullopt;
}

// The byte offset in label of the first free character, now taken; none when no character is
// free. The first letters and digits of words come first, then the others; in each, those of
// ASCII before any other (an accented letter often takes a dead key, and a wide character, as
// in Chinese or Japanese, has no key of its own).
std::optional<size_t> TakeFreeCharacter(const std::string& label, std::set<gunichar>* taken) {
  struct Pass {
    bool wordStartsOnly;
    bool asciiOnly;
  };
  for (const Pass pass : {Pass{true, true}, Pass{false, true}, Pass{false, false}}) {
    bool atWordStart = true;
    for (const char* p = label.c_str(); *p != '\0'; p = g_utf8_next_char(p)) {
      const gunichar c = g_utf8_get_char(p);
      const bool candidate = g_unichar_isalnum(c) && !g_unichar_iswide(c) &&
                             (atWordStart || !pass.wordStartsOnly) && (c < 0x80 || !pass.asciiOnly);
      atWordStart = !g_unichar_isalnum(c);
      if (candidate && taken->insert(g_unichar_tolower(c)).second) {
        return static_cast<size_t>(p - label.c_str());
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> MarkMnemonics(const std::vector<std::string>& labels,
                                       const std::vector<std::string>& hostLabels) {
  std::set<gunichar> taken;
  for (const auto* list : {&hostLabels, &labels}) {
    for (const std::string& label : *list) {
      if (g_utf8_validate(label.c_str(), static_cast<gssize>(label.size()), nullptr)) {
        if (std::optional<gunichar> marked = MarkedMnemonic(label)) taken.insert(*marked);
      }
    }
  }
  std::vector<std::string> marked;
  for (const std::string& label : labels) {
    if (!g_utf8_validate(label.c_str(), static_cast<gssize>(label.size()), nullptr)) {
      marked.push_back(label);  // GTK shows no mnemonic for it either way
    } else if (MarkedMnemonic(label)) {
      marked.push_back(label);
    } else {
      // Only escaped underscores, or none: mark a free character of the text as shown.
      std::string shown;
      for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '_' && i + 1 < label.size() && label[i + 1] == '_') ++i;
        shown += label[i];
      }
      const std::optional<size_t> at = TakeFreeCharacter(shown, &taken);
      std::string notation;
      for (size_t i = 0; i < shown.size(); ++i) {
        if (at && i == *at) notation += '_';
        notation += shown[i];
        if (shown[i] == '_') notation += '_';
      }
      marked.push_back(notation);
    }
  }
  return marked;
}

}  // namespace pde::gtk
