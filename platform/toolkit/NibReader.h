// NibReader.h: reads and checks a nib's description of windows and their controls.
//
// A nib is a directory NAME.nib in a bundle's Contents/Resources, holding one XML property list,
// objects.plist:
//
//   <dict>
//     <key>Windows</key>
//     <dict>
//       <key>Window</key>                        (a window's name; any number of windows)
//       <dict>
//         <key>Title</key><string>...</string>   (optional, default empty)
//         <key>ContentBounds</key><array>top left bottom right</array>
//         <key>Controls</key><array> CONTROL... </array>   (optional)
//       </dict>
//     </dict>
//   </dict>
//
//   CONTROL = <dict>
//     <key>Kind</key><string>UserPane|PopupButton|EditText|StaticText|GroupBox</string>
//     <key>Bounds</key><array>top left bottom right</array>  (window content coordinates)
//     <key>ID</key><dict><key>Signature</key><string>zor </string>
//                        <key>Number</key><integer>5</integer></dict>    (optional)
//     <key>Label</key><string>...</string>     (optional: static text, group box title, caption)
//     <key>Items</key><array><string>...</string>...</array>  (pop-up only: its menu; without
//                                                              it the pop-up has no menu)
//     <key>Value</key><integer>1</integer>     (pop-up only, default 1: the item first shown and
//                                               checked, within the menu when it has items)
//     <key>Text</key><string>...</string>      (edit field only, default empty)
//     <key>Enabled</key><true/>                (optional, default true)
//     <key>Controls</key><array> CONTROL... </array>  (user pane and group box only: children)
//   </dict>
//
// Rectangles are four integers within -32768..32767, with top <= bottom and left <= right.
// A signature is four ASCII characters from space to tilde. Unknown keys, wrong types, controls
// nested deeper than kMaxNibControlDepth and files over
// MaxInputFileSize(InputKind::kNib) are refused.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ToolkitModel.h"

namespace pde::toolkit {

inline constexpr int kMaxNibControlDepth = 16;
inline constexpr std::size_t kMaxNibMenuItems = 32767;

struct NibControl {
  ControlKind kind = ControlKind::kUserPane;
  Rect bounds{0, 0, 0, 0};
  ControlID id{0, 0};
  std::u16string label;
  bool hasMenu = false;
  std::vector<std::u16string> items;
  SInt32 value = 1;
  std::u16string text;
  bool enabled = true;
  std::vector<NibControl> children;
};

struct NibWindow {
  std::u16string title;
  Rect contentBounds{0, 0, 0, 0};
  std::vector<NibControl> controls;
};

// The windows of a nib by name.
using NibDescription = std::map<std::u16string, NibWindow>;

// Reads the property list text of a nib. On failure returns nothing and sets *error to
// "<name>: <where in the nib>: <what is wrong>" (or the property-list reader's message).
std::optional<NibDescription> ReadNib(std::string_view bytes, std::string_view name,
                                      std::string* error);

// Reads the nib file at path (objects.plist inside a NAME.nib directory) through ReadInputFile
// and then as ReadNib does; a missing, unreadable, oversized or irregular file (a FIFO, a
// device) is refused with "<path>: why".
std::optional<NibDescription> ReadNibFile(const std::string& path, std::string* error);

}  // namespace pde::toolkit
