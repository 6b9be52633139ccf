#!/usr/bin/env bash
# save-defaults.sh: pdehost --save-defaults against the private CUPS server, which private-cupsd.sh
# starts and then runs this script in (as its live test; the arguments it passes are ignored).
# Saving changes only the queue's line of the lpoptions file, never with a DIN digit or the print
# mode Private, `lp` then prints the saved values, and a file saving must not touch is left
# byte for byte as it was, with exit status 2 and a message.
#
# Environment: PDE_TEST_PDEHOST, PDE_TEST_CHECK_PRINTER_CODE, PDE_TEST_PRINT_FILE, and what
# private-cupsd.sh sets (CUPS_SERVER, CUPS_SERVERROOT, PDE_TEST_CUPS_QUEUE, PDE_TEST_CUPS_DEVICE).
set -euo pipefail

pdehost=${PDE_TEST_PDEHOST:?}
check=${PDE_TEST_CHECK_PRINTER_CODE:?}
queue=${PDE_TEST_CUPS_QUEUE:?}
device=${PDE_TEST_CUPS_DEVICE:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home"
mkdir -p "$HOME"
# Root saves the system-wide file, here the private server's; anyone else ~/.cups/lpoptions.
file="$HOME/.cups/lpoptions"
[ "$(id -u)" -ne 0 ] || file="$CUPS_SERVERROOT/lpoptions"
mkdir -p "$(dirname "$file")"

fail() { echo "$*" >&2; cat "$work/err" >&2 2>/dev/null || true; exit 1; }
save() {  # PDEHOST-ARGUMENT...: --save-defaults for the queue; stderr in $work/err
  "$pdehost" --printer "$queue" --quiet --save-defaults "$@" </dev/null >/dev/null 2>"$work/err"
}

# Another queue's line, an instance and a comment stay as they are; so do the queue's other
# options. A DIN given in full is not saved.
cat >"$file" <<EOF
# saved by hand
Dest elsewhere PrintMode=Hold DCDigit1=7
Dest $queue/copy BlankPage=True
Dest $queue media=A4 PrintMode=Hold
EOF
save -o DeptCode=True -o "DCDigit1=2 DCDigit2=4 DCDigit3=6 DCDigit4=8 DCDigit5=0" \
  -o "DINDigit1=1 DINDigit2=3 DINDigit3=5 DINDigit4=7 DINDigit5=9" || fail "the save failed"
expected="# saved by hand
Dest elsewhere PrintMode=Hold DCDigit1=7
Dest $queue/copy BlankPage=True
Dest $queue DCDigit1=2 DCDigit2=4 DCDigit3=6 DCDigit4=8 DCDigit5=0 DeptCode=True media=A4 PrintMode=Hold"
[ "$(cat "$file")" = "$expected" ] || fail "after the first save:
$(cat "$file")"

# lp starts from them: the printer gets the saved codes.
request=$(lp -d "$queue" "${PDE_TEST_PRINT_FILE:?}")
id=${request#request id is "$queue"-}
id=${id%% *}
for _ in $(seq 600); do
  lpstat -W completed -o "$queue" | grep -q "^$queue-$id " && break
  sleep 0.1
done
"$check" "$device" PrintMode=Hold DeptCode=True \
  DCDigit1=2 DCDigit2=4 DCDigit3=6 DCDigit4=8 DCDigit5=0 || fail "lp did not print the saved values"

# A second save changes only what changed. Private is never saved: the mode stays Hold.
save -o PrintMode=Private -o BlankPage=True || fail "the second save failed"
grep -qF "pdehost: PrintMode=Private is never saved as a default" "$work/err" ||
  fail "no word on Private"
[ "$(cat "$file")" = "${expected/"Dest $queue DCDigit1"/"Dest $queue BlankPage=True DCDigit1"}" ] ||
  fail "after the second save:
$(cat "$file")"

# Files saving refuses, each left as it was: exit status 2 and a message naming the file.
cp -p "$file" "$work/saved"
big=$(head -c 70000 /dev/zero | tr '\0' '#')
lock=""
state() { stat -c '%F %s %Y %i' "$file" 2>&1 || true; [ ! -f "$file" ] || md5sum <"$file"; }
while IFS='|' read -r label prepare why; do
  rm -f "$file"
  cp -p "$work/saved" "$file"
  eval "$prepare"
  before=$(state)
  status=0
  timeout 30 "$pdehost" --printer "$queue" --quiet --save-defaults -o BlankPage=False \
    </dev/null >/dev/null 2>"$work/err" || status=$?
  [ "$status" -eq 2 ] || fail "$label: exit status $status, expected 2"
  grep -qF "pdehost: $file: $why; nothing is saved" "$work/err" || fail "$label: no \"$why\""
  [ "$(state)" = "$before" ] || fail "$label: the file changed"
  [ -z "$lock" ] || { exec {lock}<&-; lock=""; }
done <<CASES
a FIFO|rm "\$file"; mkfifo "\$file"|not a regular file
huge|printf '%s\\n' "\$big" >>"\$file"|larger than 65536 bytes
unreadable|rm "\$file"; ln -s "\$file" "\$file"|Too many levels of symbolic links
held by another writer|exec {lock}<"\$file"; flock -x "\$lock"|another program holds it locked for writing
CASES
rm -f "$file"
echo "pdehost saved the queue's defaults, changing only its line, and refused what it should"
