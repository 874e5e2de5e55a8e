#!/usr/bin/env bash
# Pictures to look at: the entry windows filled with sample rows (company,
# protocol, apportionment, invoice, search), the first page of each list
# report (from a sample database) and the about box; the delivery client's
# main window (also in the middle of a send, with its progress and Cancelar),
# its folder picker, its notice and failure dialogs and the first page of its
# receipt and error reports; as PNG files in build/screens/.
# Needs xvfb-run and pdftoppm (scripts/setup.sh installs both).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVA_BUILD_DIR:-$root/build}"
out="$build/screens"
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target orva-screens
rm -rf "$out"
mkdir -p "$out"
LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/orva-screens" "$out"
for pdf in "$out"/*.pdf; do
  pdftoppm -png -r 100 -f 1 -l 1 -singlefile "$pdf" "${pdf%.pdf}"
done
echo "Pictures in $out:"
ls -1 "$out"/*.png
