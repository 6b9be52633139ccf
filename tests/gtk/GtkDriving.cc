// GtkDriving.cc: synthesised key events and offscreen drawing for the GTK tests.
#include "GtkDriving.h"

#include <dlfcn.h>
#include <gtk/gtkunixprint.h>

#include "pde/InputFileCache.h"

namespace pde::test {
namespace {

// Bounds the draining so that a source that keeps itself ready cannot hang a test.
constexpr int kMostEventsAtOnce = 10000;

void SendKeyEvent(GtkWidget* widget, GdkEventType type, guint keyval, GdkModifierType state) {
  GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
  GdkDisplay* display = gtk_widget_get_display(toplevel);
  GdkEvent* event = gdk_event_new(type);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(toplevel)));
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  event->key.keyval = keyval;
  event->key.state = state;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                        &count) &&
      count > 0) {
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    event->key.group = static_cast<guint8>(keys[0].group);
  }
  g_free(keys);
  gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

void CollectWidgets(GtkWidget* root, GType type, std::vector<GtkWidget*>* widgets) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(root, type)) widgets->push_back(root);
  if (!GTK_IS_CONTAINER(root)) return;
  std::pair<GType, std::vector<GtkWidget*>*> search{type, widgets};
  gtk_container_forall(
      GTK_CONTAINER(root),
      [](GtkWidget* child, gpointer data) {
        auto* what = static_cast<std::pair<GType, std::vector<GtkWidget*>*>*>(data);
        CollectWidgets(child, what->first, what->second);
      },
      &search);
}

// Waits, a bounded number of main-loop iterations, until widget's frame clock has painted once:
// the layout is then done and the widget can be drawn offscreen.
void WaitForPaint(GtkWidget* widget) {
  GdkFrameClock* clock = gtk_widget_get_frame_clock(widget);
  if (clock == nullptr) return;
  bool painted = false;
  const gulong handler = g_signal_connect_swapped(
      clock, "after-paint", G_CALLBACK(+[](bool* flag) { *flag = true; }), &painted);
  // Wakes the loop up now and then, so that it cannot sleep for good.
  const guint ticker = g_timeout_add(
      10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  gtk_widget_queue_draw(widget);
  for (int i = 0; i < kMostEventsAtOnce && !painted; ++i) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(ticker);
  g_signal_handler_disconnect(clock, handler);
  DrainEvents();
}

// Presents widget's window and waits, a bounded number of iterations, until it has the input
// focus, so that it is drawn as the window the user works in.
void WaitForActiveWindow(GtkWidget* widget) {
  GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
  if (!GTK_IS_WINDOW(toplevel)) return;
  gtk_window_present(GTK_WINDOW(toplevel));
  const guint ticker = g_timeout_add(
      10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  for (int i = 0; i < 300 && !gtk_window_is_active(GTK_WINDOW(toplevel)); ++i) {
    g_main_context_iteration(nullptr, TRUE);
  }
  g_source_remove(ticker);
}

}  // namespace

void DrainEvents() {
  for (int i = 0; i < kMostEventsAtOnce && g_main_context_pending(nullptr); ++i) {
    g_main_context_iteration(nullptr, FALSE);
  }
}

bool RunUntil(const std::function<bool()>& done, std::chrono::seconds deadline) {
  const guint ticker = g_timeout_add(
      20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!done() && std::chrono::steady_clock::now() < end) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(ticker);
  return done();
}

std::vector<GtkWidget*> WidgetsOf(GtkWidget* root, GType type) {
  std::vector<GtkWidget*> widgets;
  if (root != nullptr) CollectWidgets(root, type, &widgets);
  return widgets;
}

bool FindRow(GtkTreeModel* model, std::string_view text, GtkTreeIter* iter) {
  for (bool more = gtk_tree_model_get_iter_first(model, iter); more;
       more = gtk_tree_model_iter_next(model, iter)) {
    for (int column = 0; column < gtk_tree_model_get_n_columns(model); ++column) {
      if (gtk_tree_model_get_column_type(model, column) != G_TYPE_STRING) continue;
      gchar* value = nullptr;
      gtk_tree_model_get(model, iter, column, &value, -1);
      const bool match = value != nullptr && text == value;
      g_free(value);
      if (match) return true;
    }
  }
  return false;
}

GtkWidget* ShowPrintDialog(const char* title, const std::string& printer) {
  GtkWidget* dialog = gtk_print_unix_dialog_new(title, nullptr);
  GtkPrintSettings* settings = gtk_print_settings_new();
  gtk_print_settings_set_printer(settings, printer.c_str());
  gtk_print_unix_dialog_set_settings(GTK_PRINT_UNIX_DIALOG(dialog), settings);
  g_object_unref(settings);
  gtk_widget_show(dialog);
  return dialog;
}

std::string SelectedPrinter(GtkWidget* dialog) {
  GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
  return printer != nullptr ? gtk_printer_get_name(printer) : "";
}

long ModuleLiveObjects() {
  using CountFunction = long (*)();
  void* layer = dlopen("libpde_corefoundation.so", RTLD_LAZY | RTLD_NOLOAD);
  if (layer == nullptr) return -1;
  auto count = reinterpret_cast<CountFunction>(dlsym(layer, "_ZN3pde15LiveObjectCountEv"));
  const long objects = count != nullptr ? count() : -1;
  dlclose(layer);
  return objects;
}

long ModulePpdsCompiled() {
  using StatisticsFunction = pde::InputFileCacheStatistics (*)(pde::InputKind);
  void* layer = dlopen("libpde_corefoundation.so", RTLD_LAZY | RTLD_NOLOAD);
  if (layer == nullptr) return -1;
  auto statistics = reinterpret_cast<StatisticsFunction>(
      dlsym(layer, "_ZN3pde26InputFileCacheStatisticsOfENS_9InputKindE"));
  const long made = statistics != nullptr ? statistics(pde::InputKind::kPPD).made : -1;
  dlclose(layer);
  return made;
}

void PressKey(GtkWidget* widget, guint keyval, GdkModifierType state) {
  SendKeyEvent(widget, GDK_KEY_PRESS, keyval, state);
  SendKeyEvent(widget, GDK_KEY_RELEASE, keyval, state);
  DrainEvents();
}

void TypeKeys(GtkWidget* widget, std::string_view text) {
  for (char c : text) PressKey(widget, gdk_unicode_to_keyval(static_cast<unsigned char>(c)));
}

bool SaveWidgetPng(GtkWidget* widget, const std::string& path) {
  // Without animations a state just changed (Print made sensitive, say) and the colours of the
  // window just made active are drawn at once, not halfway through the theme's transition.
  g_object_set(gtk_settings_get_default(), "gtk-enable-animations", FALSE, nullptr);
  WaitForActiveWindow(widget);
  WaitForPaint(widget);
  GtkAllocation area;
  gtk_widget_get_allocation(widget, &area);
  GdkWindow* window = gtk_widget_get_window(widget);
  if (window == nullptr || area.width <= 1 || area.height <= 1) return false;
  // A widget with a window of its own starts at its window's origin; one without lies in its
  // parent's window at its allocation.
  if (gtk_widget_get_has_window(widget)) area.x = area.y = 0;
  GdkPixbuf* pixels = gdk_pixbuf_get_from_window(window, area.x, area.y, area.width, area.height);
  if (pixels == nullptr) return false;
  const bool saved = gdk_pixbuf_save(pixels, path.c_str(), "png", nullptr, nullptr);
  g_object_unref(pixels);
  return saved;
}

}  // namespace pde::test
