#!/usr/bin/env bash
# CTest's emulator for the Windows tree: runs one Windows program inside the prepared Wine session.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
    echo "wine-run: no Wine session; run the tests through scripts/test.sh" >&2
    exit 125
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
