#!/usr/bin/env bash
# Refreshes the vendored uPlot (the chart library of the HTML page) from the npm
# registry: the minified browser build, its style sheet and its licence.
#   third_party/uplot/refresh.sh           the version named in VERSION
#   third_party/uplot/refresh.sh 1.6.33    another version; VERSION follows
# Needs npm and a network; the build itself needs neither.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
version=${1:-$(cat "$here/VERSION")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "uplot@$version" > /dev/null && tar xzf "uplot-$version.tgz")
cp "$work/package/dist/uPlot.iife.min.js" "$work/package/dist/uPlot.min.css" \
   "$work/package/LICENSE" "$here/"
echo "$version" > "$here/VERSION"
# The script is inlined in a <script> element: it must not close it early.
if grep -qi '</script' "$here/uPlot.iife.min.js"; then
  echo "uPlot.iife.min.js holds '</script': it cannot be inlined as it is" >&2
  exit 1
fi
echo "uPlot $version in $here"
