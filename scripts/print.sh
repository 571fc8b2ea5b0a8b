#!/usr/bin/env bash
# print.sh BUILD_DIR [GDIHOST OPTIONS...]: prints the built-in test page on the
# default printer of a fresh machine root through the graphics driver of
# BUILD_DIR, and checks the job with jobcheck. The root and the job go to
# BUILD_DIR/print/ (made anew: a root keeps the libraries it was set up with).
# The print host's exit code 1 (drawing calls the driver does not draw yet,
# listed) goes on; any other failure, or a job that fails its check, fails.
set -uo pipefail
if [ $# -lt 1 ]; then
  echo "usage: print.sh BUILD_DIR [GDIHOST OPTIONS...]" >&2
  exit 2
fi
build=$1
shift
out="$build/out"
work="$build/print"
for tool in gdihost jobcheck; do
  if [ ! -x "$out/$tool" ]; then
    echo "print.sh: $out/$tool is not built" >&2
    exit 2
  fi
done
rm -rf "$work"
mkdir -p "$work/root"
job="$work/testpage.prn"
"$out/gdihost" --root "$work/root" --test-page -o "$job" "$@"
status=$?
case $status in
  0) ;;
  1) echo "print.sh: printed; the drawing calls listed above are not drawn yet" >&2 ;;
  *)
    echo "print.sh: gdihost failed with exit code $status" >&2
    exit 1
    ;;
esac
"$out/jobcheck" "$job" || exit 1
