#!/usr/bin/env bash
# The project as a user installs it: `cmake --install` into a staging directory and the Debian
# package CPack makes. Checks each tree's files against the expected layout, that nothing in them
# points into the build or source tree, and runs the installed programs with both trees hidden:
# the demo, --version and --help, bad installs (exit 2 naming the path); reads the manual pages
# with man -l and the GTK module's environment.d file with systemd's generator; prints through a
# private CUPS server with the installed bundle and PPD, whose `lpinfo -m` lists the family's PPDs
# from the installed driver directory. Then builds the .deb, checks its files, runs lintian on it
# (no error allowed) and runs the pdehost of the unpacked package.
#
# Usage: check-install.sh BUILD_DIR SOURCE_DIR EXPECTED_LAYOUT CHECK_PRINTER_CODE
# EXPECTED_LAYOUT lists the installed files relative to the prefix; a line ending in "/" stands
# for that directory's files as the build tree holds them (the build tree has the same layout).
set -euo pipefail

usage="usage: check-install.sh BUILD_DIR SOURCE_DIR EXPECTED_LAYOUT CHECK_PRINTER_CODE"
build=$(realpath "${1:?$usage}")
source=$(realpath "${2:?$usage}")
layout=${3:?$usage}
check=${4:?$usage}
here=$(dirname "$(realpath "$0")")
export LANG=C LC_ALL=C LANGUAGE=

# Under /tmp, as the private cupsd's filters run as user lp when this runs as root.
base=${TMPDIR:-/tmp}
[ "$(id -u)" -ne 0 ] || base=/tmp
work=$(mktemp -d "$base/pde-install.XXXXXX")
chmod 0755 "$work"
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
step() { echo "== $*"; }

# The expected files under PREFIX (no leading slash), sorted.
expected_files() {  # PREFIX
  local line
  while IFS= read -r line; do
    if [[ $line == */ ]]; then
      (cd "$build/$line" && find . -type f | sed "s|^\./|$1/$line|")
    else
      echo "$1/$line"
    fi
  done <"$layout" | sed 's|^/||' | sort
}

compare_files() {  # WHAT EXPECTED ACTUAL
  if ! diff -u "$2" "$3" >"$work/layout.diff"; then
    cat "$work/layout.diff" >&2
    fail "$1 differs from the expected layout (- expected, + installed)"
  fi
  echo "$1: $(wc -l <"$3") files, as expected"
}

# Every ELF file's run path is relative to the file, and every library it needs is found.
check_binaries() {  # ROOT
  local file runpath
  while IFS= read -r file; do
    head -c4 "$file" | grep -q $'^\x7fELF' || continue
    runpath=$(readelf -d "$file" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]/\2/p')
    if [ -n "$runpath" ] && tr ':' '\n' <<<"$runpath" | grep -v '^\$ORIGIN' >/dev/null; then
      fail "$file: run path \"$runpath\" is not relative to \$ORIGIN"
    fi
    if ldd "$file" 2>&1 | grep -q 'not found'; then
      ldd "$file" >&2
      fail "$file: a library it needs is not found"
    fi
  done < <(find "$1" -type f)
  if grep -rlF -e "$source" -e "$build" "$1"; then
    fail "the files above name the source or build tree"
  fi
}

# ---------------------------------------------------------------- the staged install
step "cmake --install into a staging directory, prefix /opt/pdekit"
stage=$work/stage
prefix=$stage/opt/pdekit
DESTDIR=$stage cmake --install "$build" --prefix /opt/pdekit --strip >"$work/install.log" ||
  { cat "$work/install.log" >&2; fail "cmake --install"; }
expected_files opt/pdekit >"$work/expected"
(cd "$stage" && find . -type f -o -type l) | sed 's|^\./||' | sort >"$work/staged"
compare_files "the staged tree" "$work/expected" "$work/staged"
check_binaries "$stage"
echo "run paths relative to \$ORIGIN, every library found, no path into the build or source tree"

step "what ships carries no test hooks"
# No installed library or bundle defines a name the C library exports (the test build's syslog
# does; a program's copies of stdout and stderr are no such thing), no binary holds the test
# build's failure injection or kept log, and pdehost takes no testing option.
exported_names() {  # FILE: its defined dynamic symbols, without versions
  nm -D --defined-only "$1" | awk 'NF == 3 {sub(/@.*/, "", $3); print $3}' | sort -u
}
libc=$(ldd "$(command -v nm)" | sed -n 's/^[[:space:]]*libc\.so\.6 => \([^ ]*\).*/\1/p')
exported_names "$libc" | grep -vxE '_(init|fini|edata|end)|__bss_start' >"$work/libc-names"
while IFS= read -r file; do
  head -c4 "$file" | grep -q $'^\x7fELF' || continue
  case $file in
    *.so | *.so.* | */Contents/MacOS/*)
      clash=$(exported_names "$file" | comm -12 "$work/libc-names" -)
      [ -z "$clash" ] || fail "$file exports names of the C library: $clash" ;;
  esac
  if nm -DC --defined-only "$file" | grep -E 'pde::(InjectFailure|FailAllocations|CountAllocations|LoggedMessages)'; then
    fail "$file holds the test build's hooks"
  fi
done < <(find "$stage" -type f)
for option in --check-leaks --fail-allocation=CFString --fail-call=GetWindowBounds:-50; do
  status=0
  "$prefix/bin/pdehost" "$option" >/dev/null 2>"$work/hook.err" || status=$?
  [ "$status" -eq 2 ] && grep -q "unknown option ${option%%=*}" "$work/hook.err" ||
    fail "the installed pdehost takes $option (exit $status)"
done
echo "no C library name exported by a library, no failure injection or kept log, no testing option"

# The golden demo, for comparing the installed programs' output.
cp "$source/tests/host/sessions/demo.out" "$source/tests/host/sessions/demo.err" "$work/"

# Runs the installed programs of PREFIX with the source and build trees hidden behind empty
# directories, where the system allows a private mount namespace; else with both in place (the
# check above already shows that nothing installed names them).
cat >"$work/run-installed.sh" <<'SCRIPT'
set -euo pipefail
prefix=$1 work=$2
pdehost=$prefix/bin/pdehost
fail() { echo "FAILED: $*" >&2; exit 1; }

[ "$("$pdehost" --version)" = "pdehost (PDEKit) 1.0" ] || fail "pdehost --version"
"$pdehost" -h | head -n1 | grep -q '^usage: pdehost' || fail "pdehost -h"
if [ -x "$prefix/bin/pdeprint" ]; then
  [ "$("$prefix/bin/pdeprint" --version)" = "pdeprint (PDEKit) 1.0" ] || fail "pdeprint --version"
  "$prefix/bin/pdeprint" --help | head -n1 | grep -q '^usage: pdeprint' || fail "pdeprint --help"
fi
"$pdehost" >"$work/demo.actual.out" 2>"$work/demo.actual.err" || fail "the installed demo exits $?"
diff -u "$work/demo.out" "$work/demo.actual.out" && diff -u "$work/demo.err" "$work/demo.actual.err" ||
  fail "the installed demo's output differs from the golden session's"
echo "installed pdehost: --version, -h and the demo as the golden session"

# Bad installs: exit status 2, nothing on standard output, a message naming the path looked at.
expect_refused() {  # PATTERN COMMAND...
  local pattern=$1 status=0
  shift
  "$@" >"$work/refused.out" 2>"$work/refused.err" || status=$?
  if [ "$status" -ne 2 ] || [ -s "$work/refused.out" ] || ! grep -qF -- "$pattern" "$work/refused.err"; then
    echo "$* exited $status, expected 2 and a message with \"$pattern\"; it wrote:" >&2
    cat "$work/refused.out" "$work/refused.err" >&2
    exit 1
  fi
  echo "refused: $(cat "$work/refused.err")"
}
expect_refused "$work/stale: no plug-in directory (named by PDE_PLUGIN_DIR)" \
  env PDE_PLUGIN_DIR="$work/stale" "$pdehost"
broken=$work/broken
cp -a "$prefix" "$broken"
plugins=$(dirname "$(find "$broken" -name ZORPDE.plugin -type d)")
# pdehost's GUI part, which only --gui loads: without it, --gui names the path it looked at.
if [ -e "$(dirname "$plugins")/pdehost-gui.so" ]; then
  rm "$(dirname "$plugins")/pdehost-gui.so"
  expect_refused "pdehost: --gui: $(dirname "$plugins")/pdehost-gui.so: No such file or directory" \
    "$broken/bin/pdehost" --gui
fi
mv "$plugins/ZORPDE.plugin" "$plugins/Elsewhere.plugin"
expect_refused "(no $plugins/ZORPDE.plugin)" "$broken/bin/pdehost"
mv "$plugins/Elsewhere.plugin" "$plugins/ZORPDE.plugin"
: >"$plugins/ZORPDE.plugin/Contents/MacOS/ZORPDE"
expect_refused "$plugins/ZORPDE.plugin" "$broken/bin/pdehost"
rm -rf "$plugins/ZORPDE.plugin/Contents/Info.plist"
expect_refused "$plugins/ZORPDE.plugin: not a bundle" "$broken/bin/pdehost"
mv "$plugins" "$plugins.gone"
expect_refused "$plugins: no plug-in directory (beside $(dirname "$plugins")/pdehost)" \
  "$broken/bin/pdehost"
# The programs' own libraries and the program itself, checked by its launcher in bin/.
mv "$(dirname "$plugins")/libpde_toolkit.so" "$work/"
expect_refused "pdehost: $(dirname "$plugins")/libpde_toolkit.so: No such file or directory" \
  "$broken/bin/pdehost"
rm "$(dirname "$plugins")/pdehost"
expect_refused "pdehost: $(dirname "$plugins")/pdehost: No such file or directory" \
  "$broken/bin/pdehost"
rm -rf "$broken"
SCRIPT

run_installed() {  # PREFIX
  if unshare --mount --map-root-user true 2>/dev/null; then
    echo "(source and build trees hidden in a private mount namespace)"
    unshare --mount --map-root-user bash -c \
      'for dir in "$3" "$4"; do mount -t tmpfs none "$dir"; done; exec bash "$2/run-installed.sh" "$1" "$2"' \
      _ "$1" "$work" "$build" "$source"
  else
    echo "(no private mount namespace here: the source and build trees stay in place)"
    bash "$work/run-installed.sh" "$1" "$work"
  fi
}

step "the staged programs"
run_installed "$prefix"

step "the staged manual pages through man -l"
for page in "$prefix"/share/man/man*/*; do
  MANWIDTH=80 man -l "$page" 2>"$work/man.err" | col -b >"$work/man.txt"
  [ ! -s "$work/man.err" ] || { cat "$work/man.err" >&2; fail "man -l $page complains"; }
  grep -q '^NAME' "$work/man.txt" && grep -q '^SEE ALSO' "$work/man.txt" ||
    fail "man -l $page shows no NAME and SEE ALSO"
  echo "$(basename "$page"): $(wc -l <"$work/man.txt") lines"
done

step "the session environment that turns the GTK module on, read by systemd's generator"
generator=/usr/lib/systemd/user-environment-generators/30-systemd-environment-d-generator
if [ -x "$generator" ]; then
  mkdir -p "$work/config/environment.d"
  cp "$source/packaging/60-pdekit-gtk-module.conf" "$work/config/environment.d/"
  for variable in GTK_MODULES GTK3_MODULES; do
    for before in "" gail; do
      expected=$variable=${before:+$before:}pdekit-gtk-module
      env -i XDG_CONFIG_HOME="$work/config" ${before:+$variable=$before} "$generator" |
        grep -qx "$expected" || fail "the environment.d file does not give $expected"
      echo "$expected"
    done
  done
else
  echo "systemd's environment.d generator is not installed: skipped"
fi

# ---------------------------------------------------------------- CUPS with the installed files
step "a private CUPS server: lpinfo -m and lpadmin -m with the installed driver directory, a print through the installed bundle"
if command -v cupsd >/dev/null || [ -x /usr/sbin/cupsd ]; then
  # The server's data directory: the system's, with the installed PPDs as its driver models.
  data=$work/cups-data
  mkdir -p "$data/model"
  for entry in /usr/share/cups/*; do
    [ "$(basename "$entry")" = model ] || ln -s "$entry" "$data/"
  done
  ln -s "$prefix/share/ppd/pdekit" "$data/model/pdekit"
  PDE_CUPS_DATADIR=$data PDE_FAMILY_PPDS="$(cd "$prefix/share/ppd/pdekit" && echo *.ppd)" \
    bash "$source/tests/cups/private-cupsd.sh" "$prefix/share/ppd/pdekit" "$source/tests/data/cups" \
      "$check" "$here/lpinfo-lists-family.sh" "$prefix/bin/pdehost" >"$work/cups.log" 2>&1 ||
    { cat "$work/cups.log" >&2; fail "the private CUPS server"; }
  grep -E '^(lpinfo|lpadmin|pdehost printed)' "$work/cups.log"
else
  echo "cupsd is not installed (Debian package cups): skipped"
fi

# ---------------------------------------------------------------- the Debian package
step "cpack -G DEB"
cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(find "$work/package" -maxdepth 1 -name '*.deb')
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Package Version Architecture Depends Suggests
expected_files usr >"$work/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$work/packaged"
compare_files "the package" "$work/expected" "$work/packaged"

step "lintian"
if command -v lintian >/dev/null; then
  lintian --allow-root --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
  cat "$work/lintian.log"
  ! grep -q '^E: ' "$work/lintian.log" || fail "lintian reports errors"
  echo "lintian: $(grep -c '^E: ' "$work/lintian.log") errors, $(grep -c '^W: ' "$work/lintian.log") warnings"
elif [ "${CI:-}" = true ]; then
  fail "lintian is not installed (scripts/install-deps.sh)"
else
  echo "lintian is not installed: skipped"
fi

step "the unpacked package's programs"
dpkg-deb -x "$deb" "$work/root"
check_binaries "$work/root"
run_installed "$work/root/usr"
echo "install checks passed"
