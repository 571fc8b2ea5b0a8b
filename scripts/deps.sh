#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: it asks
# dpkg for each package and only when some are missing runs one apt-get update
# and one install of those.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config ccache clang-format
  libgtest-dev libgmock-dev
  libtiff-tools libbenchmark-dev
  libfreetype-dev fonts-dejavu-core
  libsqlite3-dev
  libcairo2-dev
  libtiff-dev jbigkit-bin jbigkit-testdata libjbig-dev imagemagick netpbm libgif-dev giflib-tools
  libleptonica-dev ghostscript mupdf-tools libpoppler-cpp-dev
  liblcms2-dev colord-data
  libjpeg-turbo-progs libimage-exiftool-perl libjpeg62-turbo-dev
  libpng-dev zlib1g-dev pngcheck
  qpdf img2pdf poppler-utils libqpdf-dev
  libvips-tools
  djvulibre-bin
  libwxgtk3.2-dev xvfb xauth xdotool openbox wmctrl x11-utils fonts-ipafont-gothic
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  run=()
elif command -v sudo >/dev/null 2>&1; then
  run=(sudo)
else
  echo "deps: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${run[@]}" apt-get update -q
"${run[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
