#!/usr/bin/env bash
# The release zip holds one folder with exactly the given files, each equal
# to the file it was packed from.
#   check-release.sh CMAKE ZIP WORK_DIR FOLDER FILE...
set -u
cmake=$1 zip=$2 work=$3 folder=$4
shift 4
passed=0 failed=0
check() { # description, command...
    local what=$1
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}

rm -rf "$work" && mkdir -p "$work" || exit 1
(cd "$work" && "$cmake" -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip"; exit 1; }

expected=$(for f in "$@"; do basename "$f"; done | sort)
actual=$(cd "$work" && find . -mindepth 1 | sort)
check "the zip holds only the folder $folder" [ "$(cd "$work" && ls -A)" = "$folder" ]
check "the folder holds exactly: $(echo $expected)" \
    [ "$(cd "$work/$folder" && ls -A | sort)" = "$expected" ]
for f in "$@"; do
    check "$(basename "$f") equals $f" cmp -s "$f" "$work/$folder/$(basename "$f")"
done
echo "zip entries:" $actual
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
