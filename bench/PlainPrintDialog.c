/* PlainPrintDialog.c: GTK's own print dialog and nothing else, the idle wake-up baseline of
 * bench/host-costs.sh: shows a GtkPrintUnixDialog (the CUPS server's default queue selected)
 * until it is closed. */
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* dialog = gtk_print_unix_dialog_new("Print", NULL);
  g_signal_connect(dialog, "response", G_CALLBACK(gtk_main_quit), NULL);
  g_signal_connect(dialog, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_widget_show(dialog);
  gtk_main();
  return 0;
}
