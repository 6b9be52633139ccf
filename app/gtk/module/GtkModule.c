/* GtkModule.c: the GTK 3 module: GTK_MODULES=pdekit-gtk-module gives every GtkPrintUnixDialog of a
 * GTK 3 application the pane's tab. Loading it loads nothing but this file: GTK and GLib are there
 * already. When the process shows its first print dialog, the module loads the pane's integration
 * (the platform libraries, libcups, libplist, the plug-in host) from the private library
 * directory of the tree it lies in, and hands the dialog to it; every later dialog is the
 * integration's. An integration that cannot be loaded is said once, in GLib's debug log
 * (G_MESSAGES_DEBUG=pdekit), and every dialog stays as GTK makes it. C, so that an application
 * that never prints gets no C++ runtime either. */
#define _GNU_SOURCE /* dladdr, realpath */
#include <dlfcn.h>
#include <errno.h>
#include <gmodule.h>
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "GtkIntegration.h"

/* An object of the module's own, whose address dladdr maps to the module's file. */
static const char kAnchor = 0;

/* The integration's path: the private library directory reached from the directory the module
 * really lies in (symbolic links resolved), as installed; NULL when the system cannot tell. Free
 * it with g_free. */
static gchar* IntegrationPath(void) {
  Dl_info info;
  if (dladdr(&kAnchor, &info) == 0 || info.dli_fname == NULL) return NULL;
  char* module = realpath(info.dli_fname, NULL);
  if (module == NULL) return NULL;
  gchar* directory = g_path_get_dirname(module);
  free(module);
  gchar* joined = g_build_filename(directory, PDE_PRIVATE_LIBDIR_FROM_GTK_MODULEDIR,
                                   PDE_GTK_INTEGRATION_FILE, NULL);
  gchar* path = g_canonicalize_filename(joined, NULL);
  g_free(joined);
  g_free(directory);
  return path;
}

/* Loads the integration and starts it on dialog; says why in one line when it cannot. */
static void StartIntegration(GtkPrintUnixDialog* dialog) {
  gchar* path = IntegrationPath();
  if (path == NULL) {
    g_debug("print dialogs go on without the pane: the module cannot tell where it lies");
    return;
  }
  struct stat status;
  /* Kept loaded once opened: it installs hooks and GLib types, which cannot be unloaded. */
  void* integration = NULL;
  PdekitGtkIntegrationStart start = NULL;
  if (stat(path, &status) != 0) {
    g_debug("print dialogs go on without the pane: cannot load %s: %s", path, g_strerror(errno));
  } else if ((integration = dlopen(path, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) == NULL) {
    g_debug("print dialogs go on without the pane: cannot load %s: %s", path, dlerror());
  } else if ((start = (PdekitGtkIntegrationStart)dlsym(integration,
                                                       PDEKIT_GTK_INTEGRATION_START)) == NULL) {
    g_debug("print dialogs go on without the pane: cannot load %s: no %s in it", path,
            PDEKIT_GTK_INTEGRATION_START);
  } else {
    const char* why = start(dialog);
    if (why != NULL) g_debug("print dialogs go on without the pane: %s", why);
  }
  g_free(path);
}

/* Runs before a widget is shown: the first print dialog starts the integration, and the hook
 * goes (FALSE), whether it started or not. */
static gboolean OnShow(GSignalInvocationHint* hint, guint count, const GValue* values,
                       gpointer data) {
  (void)hint;
  (void)count;
  (void)data;
  GObject* instance = g_value_get_object(&values[0]);
  if (!GTK_IS_PRINT_UNIX_DIALOG(instance)) return TRUE;
  StartIntegration(GTK_PRINT_UNIX_DIALOG(instance));
  return FALSE;
}

/* Keeps the module loaded for the life of the process: its hook stays installed. */
G_MODULE_EXPORT const gchar* g_module_check_init(GModule* module) {
  g_module_make_resident(module);
  return NULL;
}

/* GTK calls this once, after loading the module. */
G_MODULE_EXPORT void gtk_module_init(gint* argc, gchar*** argv) {
  (void)argc;
  (void)argv;
  /* A class's signals exist once the class does. */
  gpointer widgetClass = g_type_class_ref(GTK_TYPE_WIDGET);
  g_signal_add_emission_hook(g_signal_lookup("show", GTK_TYPE_WIDGET), 0, OnShow, NULL, NULL);
  g_type_class_unref(widgetClass);
}
