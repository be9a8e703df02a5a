#!/usr/bin/env bash
# Fails when a file under src/ includes a header from a layer it may not see.
set -euo pipefail
src="$1"
allowed() {
  case "$1" in
    common)      echo "common" ;;
    platform)    echo "common platform" ;;
    media)       echo "common platform media" ;;
    filters)     echo "common media filters" ;;
    settings)    echo "common platform settings" ;;
    graph)       echo "common platform media filters settings graph" ;;
    script)      echo "common script" ;;
    ui)          echo "common platform settings ui" ;;
    app/capture|app/panels)
                 echo "common platform media filters settings graph script commands app/capture app/panels" ;;
    commands)    echo "common platform media filters settings graph script commands app/capture app/panels ui" ;;
    app)         echo "common platform media filters settings graph script commands ui app app/capture app/panels" ;;
    cli)         echo "common platform media filters settings graph script commands app/capture app/panels cli" ;;
    *)           echo "" ;;
  esac
}
layer_of() {
  case "$1" in
    app/capture/*) echo app/capture ;;
    app/panels/*)  echo app/panels ;;
    *)             echo "${1%%/*}" ;;
  esac
}
status=0
cd "$src"
while IFS= read -r file; do
  from=$(layer_of "$file")
  ok=$(allowed "$from")
  while IFS= read -r inc; do
    target=$(layer_of "$inc")
    [ -d "$src/${inc%%/*}" ] || continue # a system or third-party header
    if ! printf ' %s ' $ok | grep -qF " $target "; then
      echo "$file: includes \"$inc\" from layer $target, which $from may not see"
      status=1
    fi
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/p' "$file")
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||')
exit $status
