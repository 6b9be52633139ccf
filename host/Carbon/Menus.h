/* Menus.h: the menus of pop-up buttons. */
#ifndef PDE_HOST_MENUS_H
#define PDE_HOST_MENUS_H

#include "CarbonEvents.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { menuItemNotFoundErr = -5620 };

CF_EXPORT UInt16 CountMenuItems(MenuRef theMenu);
/* Sets or clears the item's check mark; an item outside the menu is ignored. */
CF_EXPORT void CheckMenuItem(MenuRef theMenu, MenuItemIndex item, Boolean checked);
CF_EXPORT Boolean IsMenuItemChecked(MenuRef theMenu, MenuItemIndex item);
/* A new string holding the item's text; menuItemNotFoundErr for an item outside the menu. */
CF_EXPORT OSStatus CopyMenuItemTextAsCFString(MenuRef inMenu, MenuItemIndex inItem,
                                              CFStringRef* outString);

#ifdef __cplusplus
}
#endif

#endif
