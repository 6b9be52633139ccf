/* PlainWindow.c: a GTK 3 program that never prints, the subject of bench/module-costs.sh: shows a
 * window, lets GTK draw it, then writes what the process holds and exits:
 *   libraries N printing M module G rss_kb K
 * N the shared objects mapped, M those of them of the printing side (libcups, libplist, the
 * platform libraries, the pane's GTK integration), G 1 when the GTK module is loaded, K the
 * resident set. */
#include <gtk/gtk.h>
#include <stdio.h>
#include <string.h>

static const char* const kPrintingSide[] = {"/libcups.so", "/libplist", "/libpde_",
                                            "/pdekit-gtk-integration.so"};

static gboolean Quit(gpointer data) {
  (void)data;
  gtk_main_quit();
  return G_SOURCE_REMOVE;
}

/* Once the window is drawn, quits when the main loop has nothing more to do. */
static gboolean OnDrawn(GtkWidget* window, cairo_t* cr, gpointer data) {
  (void)cr;
  (void)data;
  g_signal_handlers_disconnect_by_func(window, OnDrawn, NULL);
  g_idle_add_full(G_PRIORITY_LOW, Quit, NULL, NULL);
  return FALSE;
}

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_container_add(GTK_CONTAINER(window), gtk_label_new("Hello"));
  g_signal_connect_after(window, "draw", G_CALLBACK(OnDrawn), NULL);
  gtk_widget_show_all(window);
  gtk_main();

  /* Each shared object once: /proc/self/maps lists a file once for each of its segments. */
  GHashTable* files = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, NULL);
  int printing = 0;
  int module = 0;
  FILE* maps = fopen("/proc/self/maps", "r");
  char line[4096];
  while (maps != NULL && fgets(line, sizeof line, maps) != NULL) {
    char* path = strchr(line, '/');
    if (path == NULL || strstr(path, ".so") == NULL) continue;
    path[strcspn(path, "\n")] = '\0';
    if (g_hash_table_contains(files, path)) continue;
    g_hash_table_add(files, g_strdup(path));
    for (size_t i = 0; i < G_N_ELEMENTS(kPrintingSide); ++i) {
      if (strstr(path, kPrintingSide[i]) != NULL) ++printing;
    }
    if (strstr(path, "/libpdekit-gtk-module.so") != NULL) module = 1;
  }
  if (maps != NULL) fclose(maps);
  long rss = -1;
  FILE* status = fopen("/proc/self/status", "r");
  while (status != NULL && fgets(line, sizeof line, status) != NULL) {
    if (sscanf(line, "VmRSS: %ld kB", &rss) == 1) break;
  }
  if (status != NULL) fclose(status);
  printf("libraries %u printing %d module %d rss_kb %ld\n", g_hash_table_size(files), printing,
         module, rss);
  g_hash_table_destroy(files);
  return 0;
}
