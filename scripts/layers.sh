#!/usr/bin/env bash
# Prints which folder includes which (the product's own headers only), then checks the layers:
# base/ includes only itself; support/, report/ and ui/ stand on base/ alone; collectors/ on base/,
# support/ and report/; scan/ on those and collectors/; the window program (app/) and the console
# runner (tools/) stand on all of them, side by side, and neither includes the other. Exits 1, naming each file, when an include runs the wrong way.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [base]="base generated"
  [support]="base support"
  [report]="base report"
  [ui]="base ui"
  [collectors]="base support report collectors"
  [scan]="base support report collectors scan"
  [app]="base support report ui collectors scan app generated"
  [tools]="base support report collectors scan tools generated"
)

edges=$(for from in base support report ui collectors scan app tools; do
  grep -o '^#include "[a-z_]*/' -r --include='*.h' --include='*.cpp' --include='*.rc' "$from" |
    sed 's|^\([^:]*\):#include "\([a-z_]*\)/|\1 \2|' |
    while read -r file to; do echo "$from $to $file"; done
done)

echo "includes by folder (count):"
awk '$1 != $2 { print "  " $1 " -> " $2 }' <<<"$edges" | sort | uniq -c

status=0
while read -r from to file; do
  [[ " ${allowed[$from]} " == *" $to "* ]] && continue
  echo "wrong way: $file includes $to/"
  status=1
done <<<"$edges"
[[ $status == 0 ]] && echo "layers: every include runs downward"
exit $status
