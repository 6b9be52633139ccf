/* GtkIntegration.h: the entry point of the pane's GTK integration, the shared object that the GTK
 * module loads when a process shows its first print dialog. C, for the module is C. */
#pragma once

#include <gtk/gtkunixprint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The name under which the integration exports its entry point. */
#define PDEKIT_GTK_INTEGRATION_START "pdekit_gtk_integration_start"

/* Installs the pane's hooks into every GtkPrintUnixDialog of the process (once; later calls only
 * attach) and attaches the pane's tab to dialog, which is being shown: its own show passes the
 * hooks by. Returns NULL when the hooks are installed, else why they cannot be, a text owned by
 * the integration that stays valid until the next call; dialogs then stay as GTK makes them. */
typedef const char* (*PdekitGtkIntegrationStart)(GtkPrintUnixDialog* dialog);

#ifdef __cplusplus
}
#endif
