# gtk-module.sh: sourced by the benchmark scripts that load the GTK module.
# find_gtk_module TREE: prints the module of a build tree or installed prefix
# (<libdir>/gtk-3.0/modules/libpdekit-gtk-module.so), or says it has none and exits with status 2.
find_gtk_module() {
  local candidate
  for candidate in "$1"/lib/gtk-3.0/modules/libpdekit-gtk-module.so \
    "$1"/lib/*/gtk-3.0/modules/libpdekit-gtk-module.so; do
    [ -f "$candidate" ] && { echo "$candidate"; return; }
  done
  echo "$1: no <libdir>/gtk-3.0/modules/libpdekit-gtk-module.so" >&2
  exit 2
}
