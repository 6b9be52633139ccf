#!/usr/bin/env bash
# Run by private-cupsd.sh as its client test, with CUPS_SERVER set: the server lists each of the
# family's PPDs ($PDE_FAMILY_PPDS, file names) among its drivers, and lpadmin -m makes a queue with
# one of them. The arguments meant for a test program are ignored.
set -euo pipefail

drivers=$(lpinfo -h "$CUPS_SERVER" -m)
for ppd in $PDE_FAMILY_PPDS; do
  name=$(grep -F "pdekit/$ppd " <<<"$drivers" | head -n1) ||
    { echo "lpinfo -m does not list pdekit/$ppd; it lists:" >&2; echo "$drivers" >&2; exit 1; }
  echo "lpinfo -m: $name"
done
first=${PDE_FAMILY_PPDS%% *}
lpadmin -h "$CUPS_SERVER" -p family -E -v file:///dev/null -m "pdekit/$first"
lpoptions -h "$CUPS_SERVER" -p family -l | grep -q '^PrintMode/' ||
  { echo "lpadmin -m pdekit/$first made no queue with the family's options" >&2; exit 1; }
echo "lpadmin -m pdekit/$first: queue family"
lpadmin -h "$CUPS_SERVER" -x family
