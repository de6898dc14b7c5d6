#!/bin/bash
# Makes the two packages of a built tree, and the package managers' manifests of them, under
# <build>/dist:
#   WindowVeilbox-<version>-setup.exe     the installer (installer/WindowVeilbox.nsi)
#   WindowVeilbox-<version>-portable.zip  WindowVeilbox\bin\Veilbox.exe, an empty
#                                         WindowVeilbox\bin\Veilbox.ini (which makes the copy
#                                         portable) and WindowVeilbox\license\license.txt
#   scoop/veilbox.json, winget/<version>/  written by tools/dist/manifests.py with the hashes of
#                                         the two packages just made
#
#   RELEASE_URL=<address> tools/make-dist.sh [build-folder] [version]
#
# The version defaults to the project version recorded in the build's CMakeCache.txt; the release
# address to the Makefile's RELEASE_URL (`make dist RELEASE_URL=...` passes another).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
version=${2:-$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)}

die() { echo "make-dist: $*" >&2; exit 1; }
release_url=${RELEASE_URL:-$(sed -n 's/^RELEASE_URL[[:space:]]*?=[[:space:]]*//p' "$root/Makefile")}
[ -n "$release_url" ] || die "no RELEASE_URL (the Makefile sets one)"
[ -n "$version" ] || die "no project version in $build/CMakeCache.txt (configure the build first)"
exe=$build/bin/Veilbox.exe
licence=$root/license/license.txt
[ -f "$exe" ] || die "$exe is missing (build first)"
[ -f "$licence" ] || die "$licence is missing"
command -v makensis >/dev/null || die "makensis is missing (make deps installs nsis)"
command -v zip >/dev/null || die "zip is missing (make deps installs zip)"
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3) || die "python3 is missing (make deps installs it)"

dist=$build/dist
setup=$dist/WindowVeilbox-$version-setup.exe
portable=$dist/WindowVeilbox-$version-portable.zip

# The staged tree is laid out as the program expects it, and both packages are made from it.
stage=$dist/stage
top=$stage/WindowVeilbox
# The staged tree and a half-written package go on every exit, a failed one too.
trap 'rm -rf "$stage" "$portable.tmp" "$setup.tmp"' EXIT
rm -rf "$stage"
mkdir -p "$top/bin" "$top/license"
cp "$exe" "$top/bin/Veilbox.exe"
: >"$top/bin/Veilbox.ini"
cp "$licence" "$top/license/license.txt"

# Written under a temporary name and renamed, so a failed run never leaves a package that
# looks finished, nor manifests beside packages they were not made from.
rm -rf "$dist/scoop" "$dist/winget"
rm -f "$portable" "$portable.tmp"
(cd "$stage" && zip -q -X -9 -r "$portable.tmp" WindowVeilbox)
mv "$portable.tmp" "$portable"

rm -f "$setup" "$setup.tmp"
makensis -V2 -WX -NOCD \
    "-DVB_VERSION=$version" \
    "-DVB_STAGE=$top" \
    "-DVB_ICON=$root/res/app.ico" \
    "-DVB_OUTFILE=$setup.tmp" \
    "$root/installer/WindowVeilbox.nsi"
mv "$setup.tmp" "$setup"

"$python" "$root/tools/dist/manifests.py" write "$dist" "$version" "$release_url"
for f in "$setup" "$portable"; do
    printf '%s  %s bytes\n' "${f#"$build"/}" "$(stat -c %s "$f")"
done
