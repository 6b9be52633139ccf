/* Carbon.h: the dialog toolkit subset the plug-in and its hosts use. */
#ifndef PDE_HOST_CARBON_H
#define PDE_HOST_CARBON_H

#include "../CoreFoundation/CoreFoundation.h"
#include "CarbonEvents.h"
#include "MacWindows.h"
#include "Menus.h"
#include "Controls.h"
#include "IBCarbonRuntime.h"

#endif
