#!/usr/bin/env bash
# End to end through a private CUPS server: starts its own cupsd from a configuration under a
# temporary directory, adds a queue with a supported sample PPD and a file device, prints through
# it, and checks the printer's data. It never reads or changes a system-wide CUPS configuration,
# and stops its cupsd by process ID on every way out.
#
# Usage: private-cupsd.sh SAMPLE_PPD_DIR TEXT_FILE CHECK_PRINTER_CODE LIVE_SERVER_TEST
set -euo pipefail

samples=${1:?usage: private-cupsd.sh SAMPLE_PPD_DIR TEXT_FILE CHECK_PRINTER_CODE LIVE_SERVER_TEST}
text=${2:?}
check=${3:?}
live_test=${4:?}

export PATH="$PATH:/usr/sbin:/sbin"
for tool in cupsd lpadmin lpstat; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed (Debian packages cups, cups-client): skipping"
    exit 77
  fi
done
# Server messages are compared exactly: ask for them untranslated.
export LANG=C LC_ALL=C
unset CUPS_SERVER

work=$(mktemp -d "${TMPDIR:-/tmp}/pde-cupsd.XXXXXX")
cupsd_pid=""
server=""

stop_cupsd() {
  [ -n "$cupsd_pid" ] || return 0
  kill -TERM "$cupsd_pid" 2>/dev/null || true
  for _ in $(seq 100); do
    kill -0 "$cupsd_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$cupsd_pid" 2>/dev/null || true
  wait "$cupsd_pid" 2>/dev/null || true
  cupsd_pid=""
}

cleanup() {
  local status=$?
  stop_cupsd
  if [ $status -ne 0 ] && [ -f "$work/log/error_log" ]; then
    echo "--- errors and warnings of the private cupsd:" >&2
    grep -E '^(E|W) ' "$work/log/error_log" | tail -n 40 >&2 || true
  fi
  rm -rf "$work"
  exit $status
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# The scheduler runs its filters as an unprivileged user, which must reach the spool below.
chmod 0755 "$work"
mkdir -p "$work"/{conf,state,cache,spool/tmp,log,out}

port_is_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

write_configuration() {  # PORT
  cat >"$work/conf/cupsd.conf" <<CONF
LogLevel info
Listen 127.0.0.1:$1
Browsing No
BrowseLocalProtocols none
DefaultShared No
WebInterface No
<Location />
  Order allow,deny
  Allow from 127.0.0.1
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow from 127.0.0.1
  </Limit>
</Policy>
CONF
  cat >"$work/conf/cups-files.conf" <<CONF
ServerRoot $work/conf
StateDir $work/state
CacheDir $work/cache
RequestRoot $work/spool
TempDir $work/spool/tmp
ErrorLog $work/log/error_log
AccessLog $work/log/access_log
PageLog $work/log/page_log
Printcap $work/state/printcap
FileDevice Yes
CONF
  if [ "$(id -u)" -ne 0 ]; then
    printf 'User %s\nGroup %s\n' "$(id -un)" "$(id -gn)" >>"$work/conf/cups-files.conf"
  fi
}

# Starts cupsd in the foreground on a free port and waits until it answers. A port taken between
# the check and the bind makes cupsd exit; then another port is tried.
start_cupsd() {
  local attempt port
  for attempt in 1 2 3 4 5; do
    port=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
    port_is_free "$port" || continue
    write_configuration "$port"
    cupsd -f -c "$work/conf/cupsd.conf" -s "$work/conf/cups-files.conf" \
      >>"$work/log/cupsd.out" 2>&1 &
    cupsd_pid=$!
    for _ in $(seq 300); do
      if lpstat -h "127.0.0.1:$port" -r >/dev/null 2>&1; then
        server="127.0.0.1:$port"
        return 0
      fi
      kill -0 "$cupsd_pid" 2>/dev/null || break
      sleep 0.1
    done
    echo "cupsd did not answer on port $port (attempt $attempt)" >&2
    stop_cupsd
  done
  cat "$work/log/cupsd.out" >&2 || true
  return 1
}

start_cupsd
echo "private cupsd $cupsd_pid answers on $server"

ppd="$samples/VELMORA-q-RX730.ppd"
device="$work/out/q.out"
add_queue() {  # NAME LPADMIN-ARGUMENT...
  local name=$1
  shift
  lpadmin -h "$server" -p "$name" -E "$@" 2>"$work/log/lpadmin.err" ||
    { cat "$work/log/lpadmin.err" >&2; exit 1; }
}
add_queue q -v "file://$device" -P "$ppd"
add_queue plain -v "file:///dev/null"

CUPS_SERVER="$server" PDE_TEST_CUPS_QUEUE=q PDE_TEST_CUPS_DEVICE="$device" PDE_TEST_CUPS_PPD="$ppd" \
  PDE_TEST_CUPS_RAW_QUEUE=plain "$live_test" --gtest_filter='LiveServer.*'
