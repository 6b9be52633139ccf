#!/usr/bin/env bash
# End to end through a private CUPS server: starts its own cupsd from a configuration under a
# temporary directory, adds a queue with a supported sample PPD and a file device, prints through
# it, and checks the printer's data. It never uses a system-wide CUPS server or configuration,
# and stops its cupsd by process ID on every way out.
#
# Usage: private-cupsd.sh SAMPLE_PPD_DIR SESSION_DIR CHECK_PRINTER_CODE LIVE_SERVER_TEST
#                         [PDEHOST [PDEPRINT]]
# SESSION_DIR holds hello.txt and the pdehost sessions; without PDEHOST only the library is tested.
# PDE_CUPS_DATADIR, when set, is the server's data directory (its model/ holds the drivers).
set -euo pipefail

usage="usage: private-cupsd.sh SAMPLE_PPD_DIR SESSION_DIR CHECK_PRINTER_CODE LIVE_SERVER_TEST"
usage+=" [PDEHOST [PDEPRINT]]"
samples=${1:?$usage}
sessions=${2:?$usage}
check=${3:?$usage}
live_test=${4:?$usage}
pdehost=${5:-}
pdeprint=${6:-}

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

# Run as root, the scheduler runs its filters as user lp, which must reach the spool: under /tmp
# then, whatever TMPDIR says.
base=${TMPDIR:-/tmp}
[ "$(id -u)" -ne 0 ] || base=/tmp
work=$(mktemp -d "$base/pde-cupsd.XXXXXX")
# The clients read their configuration from here (there is none): only the private server is used.
export CUPS_SERVERROOT="$work/conf"
# The clients' own copies of the queues' PPDs go with the server they came from.
export XDG_CACHE_HOME="$work/client-cache"
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

chmod 0755 "$work"
mkdir -p "$work"/{conf,state,cache,spool/tmp,log,out}

# The server keeps the jobs' secure-print codes private as the snippet shipped for administrators
# says.
job_privacy="$(dirname "${BASH_SOURCE[0]}")/../../docs/examples/cupsd-job-privacy.conf"

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
$(sed -e '/^#/d' -e '/^$/d' -e 's/^/  /' "$job_privacy")
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
${PDE_CUPS_DATADIR:+DataDir $PDE_CUPS_DATADIR}
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
      # lpstat -r exits 0 either way: its words tell.
      if [ "$(lpstat -h "127.0.0.1:$port" -r 2>/dev/null)" = "scheduler is running" ]; then
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
# A printer the pane declines, whose PPD has the pane's keywords: GTK's own controls show them.
sed 's/^\*ModelName: .*/*ModelName: "VELMORA q-RX999Series"/' "$ppd" >"$work/declined.ppd"
add_queue declined -v "file:///dev/null" -P "$work/declined.ppd"

CUPS_SERVER="$server" PDE_TEST_CUPS_QUEUE=q PDE_TEST_CUPS_DEVICE="$device" \
  PDE_TEST_CUPS_PPD="$ppd" PDE_TEST_CUPS_RAW_QUEUE=plain PDE_TEST_CUPS_DECLINED_QUEUE=declined \
  "$live_test" --gtest_filter='LiveServer.*:HostileServer.*'

[ -n "$pdehost" ] || exit 0
export CUPS_SERVER="$server"
cd "$sessions"

job_count() { lpstat -h "$server" -W all -o | wc -l; }

# Waits until job ID of queue q has completed, then checks the device's data with OPTION...
expect_printed() {  # JOB_LINE OPTION...
  local line=$1 id
  shift
  id=$(sed -n 's/^submitted job \([0-9][0-9]*\) to q$/\1/p' <<<"$line")
  if [ -z "$id" ]; then
    echo "pdehost did not report a job: \"$line\"" >&2
    return 1
  fi
  for _ in $(seq 900); do
    lpstat -h "$server" -W completed -o q | grep -q "^q-$id " && break
    sleep 0.1
  done
  lpstat -h "$server" -W completed -o q | grep -q "^q-$id " ||
    { echo "job $id did not complete" >&2; return 1; }
  echo "job $id, the printer's job header:"
  grep -a '^@PJL SET' "$device"
  "$check" "$device" "$@"
}

# The dialog for the queue, with the PPD the server holds: a private job charged to a
# department, submitted from the script.
out=$("$pdehost" --printer q --script private-job.session --quiet)
expect_printed "$out" PrintMode=Private DeptCode=True \
  DINDigit1=1 DINDigit2=3 DINDigit3=5 DINDigit4=7 DINDigit5=9 \
  DCDigit1=2 DCDigit2=4 DCDigit3=6 DCDigit4=8 DCDigit5=0

# --print after the session: the "é" typed into the DIN is not one of the PPD's digits, so its
# digit prints as the default's; everything else as chosen.
out=$("$pdehost" --printer q --print hello.txt --script pasted-din.session --quiet)
expect_printed "$out" PrintMode=Hold BlankPage=True \
  DINDigit1=1 DINDigit2=2 DINDigit3=2 DINDigit4=4 DINDigit5=5

# --print without a script confirms the dialog as the ticket stands: the job prints the printer's
# defaults, never a demo's codes.
out=$("$pdehost" --printer q --print hello.txt --quiet)
expect_printed "$(tail -n 1 <<<"$out")"

# Option names as CUPS matches them: a keyword in other letter case, from -o, --settings or the
# user's lpoptions, is the PPD's option. `print` reports what was asked (the DIN typed in the
# session wins over a starting value, a saved DIN digit is ignored), and the printer gets exactly
# what `print` reported.
pane_options='^(PrintMode|DeptCode|BlankPage|DistinguishThinLines|DINDigit[1-5]|DCDigit[1-5])='
printf 'printmode=Proof\n' >"$work/lower.settings"
mkdir -p "$work/lower-home/.cups"
printf 'Dest q printmode=Hold dindigit1=9\n' >"$work/lower-home/.cups/lpoptions"
while IFS='|' read -r label home expected arguments; do
  # shellcheck disable=SC2086 # the arguments are words
  out=$(HOME=${home:-$HOME} "$pdehost" --printer q --print hello.txt $arguments 2>/dev/null)
  printed=$(grep -E "$pane_options" <<<"$out" || true)
  for option in $expected; do
    grep -qxF "$option" <<<"$printed" ||
      { echo "$label: print did not report $option:" >&2; echo "$out" >&2; exit 1; }
  done
  # shellcheck disable=SC2086 # one KEY=VALUE a line
  expect_printed "$(tail -n 1 <<<"$out")" $printed
done <<CASES
-o dindigit1=0 with a typed DIN||DINDigit1=1 DINDigit5=9|--script typed-din.session -o dindigit1=0
-o printmode=Hold||PrintMode=Hold|-o printmode=Hold
--settings printmode=Proof||PrintMode=Proof|--settings $work/lower.settings
lpoptions in lower case|$work/lower-home|PrintMode=Hold DINDigit1=5|
CASES
echo "pdehost took option names in other letter case as CUPS does"

# The queue's saved defaults as lp applies them: the server's printer defaults, then the user's
# lpoptions (here under a temporary HOME), which win. A saved DIN digit is ignored, with a note.
home="$work/home"
mkdir -p "$home"
lpadmin -h "$server" -p q -o PrintMode-default=Proof -o DeptCode-default=True
HOME="$home" lpoptions -h "$server" -p q -o PrintMode=Hold -o DINDigit1=9 >/dev/null
HOME="$home" "$pdehost" --printer q --emit lp >"$work/log/saved.out" 2>"$work/log/saved.err"
for expected in "-o PrintMode=Hold" "-o DeptCode=True" "-o DINDigit1=5"; do
  grep -qF -- "$expected" "$work/log/saved.out" ||
    { echo "the saved defaults did not give $expected:" >&2; cat "$work/log/saved."* >&2; exit 1; }
done
grep -qF "pdehost: the saved defaults of queue \"q\" hold DIN digits (DINDigit1); they are ignored" \
  "$work/log/saved.err" || { echo "no note on the saved DIN:" >&2; cat "$work/log/saved.err" >&2; exit 1; }
lpadmin -h "$server" -p q -R PrintMode-default -R DeptCode-default
echo "pdehost took the queue's saved defaults as lp does"

# Refused: no such queue, an unreadable file, a server that does not answer, and with --strict an
# option the printer does not offer. Exit status 2, a message, and no job.
jobs_before=$(job_count)
expect_refused() {  # MESSAGE PDEHOST-ARGUMENT...
  local message=$1 status=0 stdout="$work/log/pdehost.out" stderr="$work/log/pdehost.err"
  shift
  "$pdehost" "$@" --script private-job.session --quiet >"$stdout" 2>"$stderr" || status=$?
  if [ "$status" -ne 2 ] || ! grep -qxF "$message" "$stderr" || [ -s "$stdout" ]; then
    echo "pdehost $* exited $status, expected 2 and \"$message\"; it wrote:" >&2
    cat "$stdout" "$stderr" >&2
    return 1
  fi
}
queues=$(lpstat -h "$server" -e | LC_ALL=C sort | sed ':a;N;$!ba;s/\n/, /g')
missing_queue="queue \"nosuch\" does not exist on the CUPS server at $server; its queues: $queues"
expect_refused "pdehost: $missing_queue" --printer nosuch
expect_refused "pdehost: $missing_queue" --printer nosuch --ppd "$ppd"
expect_refused "pdehost: cannot read \"missing.txt\": No such file or directory" \
  --printer q --print missing.txt
CUPS_SERVER=127.0.0.1:1 expect_refused "pdehost: the CUPS server at 127.0.0.1:1 does not answer" \
  --printer q
expect_refused "pdehost: PrintMode=Weird: not one of the printer's choices (Normal, Proof, Private,\
 Hold); it prints with its default, Normal" --printer q --print hello.txt --strict -o PrintMode=Weird
status=0
"$pdehost" --printer q --print hello.txt --script pasted-din.session --strict \
  >"$work/log/strict.out" 2>"$work/log/strict.err" || status=$?
grep -qF "pdehost: DINDigit3=é: not one of the printer's choices" "$work/log/strict.err" &&
  [ "$status" -eq 2 ] || { echo "--strict let a pasted DIN through:" >&2; cat "$work/log/strict.err" >&2; exit 1; }
# Only a regular file is printed: a FIFO or a device, by --print or a script's submit, is refused
# before anything is opened for reading, never a hang.
mkfifo "$work/fifo"
for file in "$work/fifo" /dev/zero; do
  printf 'submit "%s"\n' "$file" >"$work/submit.session"
  for how in --print --script; do
    argument=$file
    [ "$how" = --print ] || argument="$work/submit.session"
    status=0
    timeout 20 "$pdehost" --printer q "$how" "$argument" --quiet >"$work/log/fifo.out" \
      2>"$work/log/fifo.err" || status=$?
    if [ "$status" -ne 2 ] || ! grep -qF "cannot read \"$file\": not a regular file" "$work/log/fifo.err"; then
      echo "pdehost $how $argument exited $status, expected 2 and \"not a regular file\":" >&2
      cat "$work/log/fifo.err" >&2
      exit 1
    fi
  done
done
if [ -n "$pdeprint" ]; then
  status=0
  "$pdeprint" --printer nosuch hello.txt >"$work/log/pdeprint.out" 2>&1 || status=$?
  if [ "$status" -ne 2 ] || [ "$(cat "$work/log/pdeprint.out")" != "pdeprint: $missing_queue" ]; then
    echo "pdeprint --printer nosuch exited $status, expected 2 and the queues; it wrote:" >&2
    cat "$work/log/pdeprint.out" >&2
    exit 1
  fi
fi
[ "$(job_count)" -eq "$jobs_before" ] || { echo "a refused submission left a job" >&2; exit 1; }
echo "pdehost printed through the private server, and refused what it should"
