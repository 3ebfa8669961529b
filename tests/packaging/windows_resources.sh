#!/usr/bin/env bash
# Compiles src/resources/velti.rc with the MinGW resource compiler, as a Windows build of
# velti would, and reads the .res back with check_res.py: the icon group and the version
# information Explorer shows in the program's Properties.
#
#   windows_resources.sh WINDRES /abs/path/to/velti.rc /abs/path/to/generated
#
# The generated folder holds core/version.h, which the build writes and the .rc includes.
set -u

usage="usage: $0 WINDRES /abs/path/to/velti.rc /abs/path/to/generated"
windres=${1:?$usage}
rc=${2:?$usage}
generated=${3:?$usage}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/velti-rc.XXXXXX")
trap 'rm -rf "$work"' EXIT

# windres runs the C preprocessor first: the MinGW gcc beside it when there is one, as in a
# real cross build, else the machine's own cpp (the .rc includes no Windows header).
preprocessor=()
command -v "${windres%windres}gcc" >/dev/null 2>&1 ||
    preprocessor=(--preprocessor=cpp --preprocessor-arg=-DRC_INVOKED)

# From a folder of its own, so the icon is found beside the .rc and not by chance.
cd "$work" || exit 1
if ! "$windres" "${preprocessor[@]}" -I "$generated" "$rc" -O res -o velti.res 2>windres.log; then
    echo "not ok - $windres compiles $(basename "$rc")"
    sed 's/^/# /' windres.log
    echo "0 passed, 1 failed"
    exit 1
fi
# A failure above is reported alone; from here on check_res.py counts. (Not exec: the
# trap must still remove the scratch folder.)
python3 "$here/check_res.py" velti.res "$(dirname "$rc")/stopwatch.ico"
