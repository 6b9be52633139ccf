// PopupChoose.cc: a user's choice of a pop-up item: the command goes up the chain first, and the
// pop-up takes the item only when every handler declines it.
#include "EventModel.h"

namespace pde {

OSStatus ChoosePopupItem(ControlRef popup, SInt32 item) {
  if (!popup || popup->kind != ControlKind::kPopupButton || !popup->menu || item < 1 ||
      static_cast<std::size_t>(item) > popup->menu->items.size()) {
    return paramErr;
  }
  if (!IsControlEnabled(popup)) return kControlDisabledStatus;
  // Keeps the pop-up alive should a handler dispose of its window.
  toolkit::DispatchScope scope;
  EventRef event = toolkit::MakeEvent(kEventClassCommand, kEventCommandProcess);
  if (!event) return memFullErr;
  HICommand command{};
  command.attributes = kHICommandFromMenu;
  command.commandID = 0;
  command.menu.menuRef = popup->menu.get();
  command.menu.menuItemIndex = static_cast<MenuItemIndex>(item);
  OSStatus status =
      SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof command, &command);
  if (status == noErr) status = SendEventToEventTarget(event, GetControlEventTarget(popup));
  ReleaseEvent(event);
  if (status == eventNotHandledErr && !popup->target.dead) {
    MenuRef menu = popup->menu.get();
    if (popup->value >= 1 && popup->value <= 0xFFFF) {
      CheckMenuItem(menu, static_cast<MenuItemIndex>(popup->value), false);
    }
    CheckMenuItem(menu, static_cast<MenuItemIndex>(item), true);
    popup->value = item;
  }
  return status;
}

}  // namespace pde
