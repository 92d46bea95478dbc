#!/bin/sh
# Runs one test executable through the given runner with the FTP server
# harness beside it; the harness's port goes to the test in QAZ_FTP_HARNESS.
here=$(cd "$(dirname "$0")" && pwd)
runner=$1
shift
portfile=$(mktemp)
rm -f "$portfile"
/usr/bin/python3 "$here/ftp_harness.py" "$portfile" </dev/null >/dev/null 2>&1 &
harness=$!
i=0
while [ ! -s "$portfile" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
QAZ_FTP_HARNESS=$(cat "$portfile" 2>/dev/null)
export QAZ_FTP_HARNESS
"$runner" "$@"
status=$?
kill $harness 2>/dev/null
wait $harness 2>/dev/null
rm -f "$portfile"
exit $status
