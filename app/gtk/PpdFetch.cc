// PpdFetch.cc: a queue's PPD fetched on a thread of its own, never GLib's shared worker pool, and
// cancelled when its owner lets it go.
#include "PpdFetch.h"

#include <glib.h>

#include <memory>
#include <utility>

#include "PrinterPane.h"
#include "pde/cups/CupsQueue.h"

namespace pde::gtk {

// Shared by the owner, the fetching thread and the result on its way to the main context.
struct PpdFetch::State {
  std::string queue;
  Done done;             // main context only
  bool dropped = false;  // main context only: the owner has gone, or done has run
  pde::cups::Cancellation cancel;
  GMainContext* context = nullptr;
  std::string ppdPath;  // written by the thread before the result is posted
  std::string why;

  ~State() { g_main_context_unref(context); }
};

PpdFetch::PpdFetch(const std::string& queue, Done done) : state_(std::make_shared<State>()) {
  state_->queue = queue;
  state_->done = std::move(done);
  state_->context = g_main_context_ref_thread_default();
  auto* running = new std::shared_ptr<State>(state_);
  GError* error = nullptr;
  GThread* thread = g_thread_try_new(
      "pdekit-ppd",
      [](gpointer data) -> gpointer {
        const std::unique_ptr<std::shared_ptr<State>> state(
            static_cast<std::shared_ptr<State>*>(data));
        (*state)->ppdPath =
            PrinterPane::FetchPpd((*state)->queue, &(*state)->why, &(*state)->cancel);
        Post(*state);
        return nullptr;
      },
      running, &error);
  if (thread != nullptr) {
    g_thread_unref(thread);
    return;
  }
  delete running;
  state_->why = std::string("cannot start a thread for the fetch: ") + error->message;
  g_error_free(error);
  Post(state_);
}

void PpdFetch::Post(const std::shared_ptr<State>& state) {
  // Always through a source attached to the context: g_main_context_invoke could run the result
  // on the fetching thread while the context is free.
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        const auto& result = *static_cast<std::shared_ptr<State>*>(data);
        if (!result->dropped) {
          const Done done = std::move(result->done);  // its captures end on this thread
          result->done = nullptr;
          result->dropped = true;
          done(result->ppdPath, result->why);
        }
        return G_SOURCE_REMOVE;
      },
      new std::shared_ptr<State>(state),
      [](gpointer data) { delete static_cast<std::shared_ptr<State>*>(data); });
  g_source_attach(source, state->context);
  g_source_unref(source);
}

PpdFetch::~PpdFetch() {
  if (state_->dropped) return;  // done has run
  state_->dropped = true;
  state_->done = nullptr;
  state_->cancel.Request();
}

}  // namespace pde::gtk
