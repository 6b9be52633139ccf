/* CoreFoundation.h: the Core Foundation subset the plug-in and its hosts use. */
#ifndef PDE_HOST_COREFOUNDATION_H
#define PDE_HOST_COREFOUNDATION_H

#include "CFBase.h"
#include "CFString.h"
#include "CFNumber.h"
#include "CFArray.h"
#include "CFDictionary.h"
#include "CFData.h"
#include "CFURL.h"
#include "CFUUID.h"
#include "CFBundle.h"
#include "CFPropertyList.h"
#include "CFRunLoop.h"
#include "CFPlugIn.h"
#include "CFPlugInCOM.h"

#endif
