// Menus.cc: the menus of pop-up buttons: item count, check marks and item texts.
#include "ToolkitModel.h"
#include "pde/TestHooks.h"

namespace {

OpaqueMenuRef::Item* ItemOf(MenuRef menu, MenuItemIndex item) {
  if (!menu || item < 1 || item > menu->items.size()) return nullptr;
  return &menu->items[item - 1];
}

}  // namespace

UInt16 CountMenuItems(MenuRef theMenu) {
  return theMenu ? static_cast<UInt16>(theMenu->items.size()) : 0;
}

void CheckMenuItem(MenuRef theMenu, MenuItemIndex item, Boolean checked) {
  if (OpaqueMenuRef::Item* entry = ItemOf(theMenu, item)) entry->checked = checked;
}

Boolean IsMenuItemChecked(MenuRef theMenu, MenuItemIndex item) {
  const OpaqueMenuRef::Item* entry = ItemOf(theMenu, item);
  return entry && entry->checked;
}

OSStatus CopyMenuItemTextAsCFString(MenuRef inMenu, MenuItemIndex inItem, CFStringRef* outString) {
  if (!inMenu || !outString) return paramErr;
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("CopyMenuItemTextAsCFString", &injected)) return injected;
  const OpaqueMenuRef::Item* entry = ItemOf(inMenu, inItem);
  if (!entry) return menuItemNotFoundErr;
  CFStringRef text = pde::toolkit::CreateStringWithText(entry->text);
  if (!text) return memFullErr;
  *outString = text;
  return noErr;
}
