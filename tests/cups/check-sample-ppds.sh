#!/usr/bin/env bash
# Runs cupstestppd on every sample PPD and fails when any of them has a FAIL.
# Usage: check-sample-ppds.sh SAMPLE_PPD_DIR
set -euo pipefail

dir=${1:?usage: check-sample-ppds.sh SAMPLE_PPD_DIR}
if ! command -v cupstestppd >/dev/null; then
  echo "cupstestppd is not installed (Debian package cups-client): skipping"
  exit 77
fi

shopt -s nullglob
ppds=("$dir"/*.ppd)
if [ ${#ppds[@]} -eq 0 ]; then
  echo "no sample PPDs in $dir" >&2
  exit 1
fi

status=0
for ppd in "${ppds[@]}"; do
  # cupstestppd exits non-zero when a check FAILs; warnings are printed but do not fail.
  if ! report=$(cupstestppd -v "$ppd" 2>&1); then
    echo "$report" >&2
    status=1
  else
    echo "$ppd: PASS"
    echo "$report" | grep 'WARN' || true
  fi
done
exit $status
