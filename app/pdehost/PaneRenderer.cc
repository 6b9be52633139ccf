// PaneRenderer.cc: the text drawing of a pane for `show`.
#include "PaneRenderer.h"

#include <algorithm>
#include <climits>

#include "Utf8.h"

namespace pdehost {

namespace {

// One character cell of the terminal per element; a wide character is followed by kWideTail.
using Cells = std::u32string;

// The second cell of a wide character, dropped when the drawing is written out.
constexpr char32_t kWideTail = 0xFFFFFFFF;

// Whether a terminal shows c in two cells (the East Asian wide and full-width blocks).
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
         (c >= 0x20000 && c <= 0x3FFFD);
}

// The cells of UTF-8 text with control characters replaced by '?'.
Cells Printable(std::string_view utf8) {
  Cells cells;
  for (char32_t c : DecodeUtf8(utf8).value_or(U"?")) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) c = U'?';
    cells += c;
    if (IsWide(c)) cells += kWideTail;
  }
  return cells;
}

// The cells of a label as a user sees it: an underscore marks the next character as the
// control's mnemonic and is not shown; "__" shows one underscore.
Cells PrintableLabel(std::string_view utf8) {
  std::string shown;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '_' && i + 1 < utf8.size()) ++i;
    shown += utf8[i];
  }
  return Printable(shown);
}

// The cell index of a UTF-16 index into cells (clamped to the end).
size_t CodePointIndex(const Cells& cells, int utf16Index) {
  int units = 0;
  size_t index = 0;
  while (index < cells.size() && units < utf16Index) {
    if (cells[index] != kWideTail) units += cells[index] > 0xFFFF ? 2 : 1;
    ++index;
  }
  while (index < cells.size() && cells[index] == kWideTail) ++index;
  return index;
}

int ColumnsOf(int units) { return (units + kUnitsPerColumn / 2) / kUnitsPerColumn; }
int RowsOf(int units) { return (units + kUnitsPerRow / 2) / kUnitsPerRow; }

// Pads cells with blanks to at least width.
Cells PadTo(Cells cells, int width) {
  if (static_cast<int>(cells.size()) < width) cells.append(width - cells.size(), U' ');
  return cells;
}

class Canvas {
 public:
  void Put(int row, int column, const Cells& text) {
    if (row < 0 || column < 0) return;
    if (static_cast<size_t>(row) >= lines_.size()) lines_.resize(row + 1);
    Cells& line = lines_[row];
    if (line.size() < column + text.size()) line.resize(column + text.size(), U' ');
    line.replace(column, text.size(), text);
  }

  // The lines with trailing blanks removed.
  std::vector<Cells> Lines() const {
    std::vector<Cells> lines = lines_;
    for (Cells& line : lines) {
      while (!line.empty() && line.back() == U' ') line.pop_back();
    }
    return lines;
  }

 private:
  std::vector<Cells> lines_;
};

Cells DrawPopup(const pde::ControlSnapshot& popup, int width) {
  const bool shown = popup.value >= 1 && static_cast<size_t>(popup.value) <= popup.items.size();
  const Cells item = shown ? Printable(popup.items[popup.value - 1]) : Cells();
  Cells cells = popup.label.empty() ? Cells() : PrintableLabel(popup.label) + U' ';
  const Cells open = popup.enabled ? U"[" : U"(";
  const Cells close = popup.enabled ? U" v]" : U" v)";
  const int inner = width - static_cast<int>(cells.size() + open.size() + close.size());
  return cells + open + PadTo(item, inner) + close;
}

Cells DrawField(const pde::ControlSnapshot& field, int width) {
  Cells text = Printable(field.text);
  if (field.focused) {
    size_t start = CodePointIndex(text, std::max<int>(field.selection.selStart, 0));
    size_t end = CodePointIndex(text, std::max<int>(field.selection.selEnd, 0));
    if (start > end) std::swap(start, end);
    text.insert(end, 1, U'|');
    if (start != end) text.insert(start, 1, U'|');
  }
  Cells cells = field.label.empty() ? Cells() : PrintableLabel(field.label) + U' ';
  const int inner = width - static_cast<int>(cells.size()) - 2;
  return cells + (field.enabled ? U"[" : U"(") + PadTo(text, inner) + (field.enabled ? U"]" : U")");
}

// A horizontal border of width cells: "+- label ------+", or "+------+" without a label.
Cells Border(const Cells& label, int width) {
  Cells border = label.empty() ? Cells(U"+") : U"+- " + label + U" ";
  if (static_cast<int>(border.size()) < width - 1) border.append(width - 1 - border.size(), U'-');
  return border + U'+';
}

void DrawGroupBox(Canvas* canvas, const pde::ControlSnapshot& box, int row, int column,
                  int width, int height) {
  const Cells top = Border(Printable(box.label), std::max(width, 2));
  const int right = column + static_cast<int>(top.size()) - 1;
  canvas->Put(row, column, top);
  for (int line = 1; line < height; ++line) {
    canvas->Put(row + line, column, U"|");
    canvas->Put(row + line, right, U"|");
  }
  if (height >= 1) canvas->Put(row + height, column, Border({}, static_cast<int>(top.size())));
}

}  // namespace

std::string RenderPane(std::string_view title, const std::vector<pde::ControlSnapshot>& controls) {
  std::vector<const pde::ControlSnapshot*> drawn;
  int originTop = INT_MAX;
  int originLeft = INT_MAX;
  for (const pde::ControlSnapshot& control : controls) {
    if (control.kind == pde::ControlKind::kRoot || control.kind == pde::ControlKind::kUserPane) {
      continue;
    }
    drawn.push_back(&control);
    originTop = std::min<int>(originTop, control.bounds.top);
    originLeft = std::min<int>(originLeft, control.bounds.left);
  }

  Canvas canvas;
  for (const pde::ControlSnapshot* control : drawn) {
    const int row = RowsOf(control->bounds.top - originTop);
    const int column = ColumnsOf(control->bounds.left - originLeft);
    const int width = ColumnsOf(control->bounds.right - control->bounds.left);
    switch (control->kind) {
      case pde::ControlKind::kStaticText:
        canvas.Put(row, column, PrintableLabel(control->label));
        break;
      case pde::ControlKind::kPopupButton:
        canvas.Put(row, column, DrawPopup(*control, width));
        break;
      case pde::ControlKind::kEditText:
        canvas.Put(row, column, DrawField(*control, width));
        break;
      case pde::ControlKind::kGroupBox:
        DrawGroupBox(&canvas, *control, row, column, width,
                     RowsOf(control->bounds.bottom - control->bounds.top) - 1);
        break;
      case pde::ControlKind::kRoot:
      case pde::ControlKind::kUserPane:
        break;
    }
  }

  std::vector<Cells> lines = canvas.Lines();
  if (lines.empty()) lines.push_back(U"(no controls)");
  size_t width = 0;
  for (const Cells& line : lines) width = std::max(width, line.size());
  const Cells top = Border(Printable(title), static_cast<int>(width) + 4);
  width = top.size() - 4;

  Cells drawing = top + U'\n';
  for (const Cells& line : lines) drawing += U"| " + PadTo(line, static_cast<int>(width)) + U" |\n";
  drawing += Border({}, static_cast<int>(top.size())) + U'\n';
  std::string out;
  for (const char32_t c : drawing) {
    if (c != kWideTail) out += EncodeUtf8(c);
  }
  return out;
}

}  // namespace pdehost
