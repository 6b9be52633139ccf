/* Gtk4Print.c: a GTK 4 application that prints one page to a queue through GtkPrintOperation and
 * nothing else, as a GTK 4 or sandboxed application does: with GDK_DEBUG=portals GTK 4.8 prints
 * through the desktop portal. Exit status 0 when the operation was applied, 1 otherwise.
 *
 * Usage: Gtk4Print QUEUE */
#include <gtk/gtk.h>

static void DrawPage(GtkPrintOperation* operation, GtkPrintContext* context, int page,
                     gpointer data) {
  (void)operation;
  (void)page;
  (void)data;
  cairo_t* cr = gtk_print_context_get_cairo_context(context);
  cairo_move_to(cr, 72, 72);
  cairo_show_text(cr, "Hello from GTK 4");
}

static void Done(GtkPrintOperation* operation, GtkPrintOperationResult result, gpointer applied) {
  (void)operation;
  *(gboolean*)applied = result == GTK_PRINT_OPERATION_RESULT_APPLY;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    g_printerr("usage: %s QUEUE\n", argv[0]);
    return 2;
  }
  gtk_init();
  GtkPrintOperation* operation = gtk_print_operation_new();
  GtkPrintSettings* settings = gtk_print_settings_new();
  gtk_print_settings_set_printer(settings, argv[1]);
  gtk_print_operation_set_print_settings(operation, settings);
  g_object_unref(settings);
  gtk_print_operation_set_n_pages(operation, 1);
  gboolean applied = FALSE;
  g_signal_connect(operation, "draw-page", G_CALLBACK(DrawPage), NULL);
  g_signal_connect(operation, "done", G_CALLBACK(Done), &applied);
  GError* error = NULL;
  const GtkPrintOperationResult result =
      gtk_print_operation_run(operation, GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG, NULL, &error);
  if (error != NULL) {
    g_printerr("Gtk4Print: %s\n", error->message);
    g_error_free(error);
  }
  g_object_unref(operation);
  return result == GTK_PRINT_OPERATION_RESULT_APPLY || applied ? 0 : 1;
}
