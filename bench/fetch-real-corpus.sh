#!/bin/bash
# Fetches the real-image corpus for png_bench from Debian packages: PNGs that
# nobody here made, each with the copyright file of the package it came from.
# Usage: bench/fetch-real-corpus.sh DIR     (then: build/png_bench --real DIR)
# DIR gets the images, licences/<package>.copyright and MANIFEST.tsv
# (file, class, package, path in the package).
set -euo pipefail
out=${1:?usage: $0 DIR}
mkdir -p "$out/licences"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# class<TAB>package<TAB>path in the package
read -r -d '' corpus <<'EOF' || true
photo RGB, mostly Paeth	python3-skimage	/usr/lib/python3/dist-packages/skimage/data/astronaut.png
photo RGB, mostly Paeth	python3-skimage	/usr/lib/python3/dist-packages/skimage/data/motorcycle_left.png
photo RGB, mostly Average	python3-skimage	/usr/lib/python3/dist-packages/skimage/data/coffee.png
photo grey	python3-skimage	/usr/lib/python3/dist-packages/skimage/data/camera.png
painting RGB, mostly Paeth	plasma-workspace-wallpapers	/usr/share/wallpapers/MilkyWay/contents/images/5120x2880.png
painting RGB, mostly Paeth	plasma-workspace-wallpapers	/usr/share/wallpapers/Altai/contents/images/1080x1920.png
painting RGB, mostly Paeth	plasma-workspace-wallpapers	/usr/share/wallpapers/Cascade/contents/images/3840x2160.png
4K RGB, mixed filters	plasma-workspace-wallpapers	/usr/share/wallpapers/Cluster/contents/images/3840x2160.png
4K RGB, mixed filters	plasma-workspace-wallpapers	/usr/share/wallpapers/Kokkini/contents/images/3840x2160.png
4K RGB, Sub only	plasma-workspace-wallpapers	/usr/share/wallpapers/Opal/contents/images/3840x2160.png
RGBA painting, Paeth	plasma-workspace-wallpapers	/usr/share/wallpapers/Elarun/contents/images/2560x1600.png
RGBA painting, Up	plasma-workspace-wallpapers	/usr/share/wallpapers/Kay/contents/images/5120x2880.png
RGBA, 8 KiB IDATs	mate-backgrounds	/usr/share/backgrounds/mate/desktop/MATE-Stripes-Dark.png
RGBA, 8 KiB IDATs	gimp-data	/usr/share/gimp/2.0/images/gimp-splash.png
grey+alpha, Paeth	mate-backgrounds	/usr/share/backgrounds/mate/desktop/Stripes.png
RGB, no Paeth, one IDAT	mate-backgrounds	/usr/share/backgrounds/mate/desktop/Ubuntu-Mate-Cold-no-logo.png
palette, 8 KiB IDATs	gnome-user-docs	/usr/share/help/C/gnome-help/figures/screenshot-tool.png
palette, large	stellarium-data	/usr/share/stellarium/nebulae/default/virgo_cluster.png
palette, wide	kstars-data	/usr/share/doc/HTML/en/kstars/star_profile_final.png
RGB screenshot, mostly Average	kstars-data	/usr/share/doc/HTML/en/kstars/kstars_hips.png
RGB screenshot	gnome-user-docs	/usr/share/help/C/gnome-help/figures/shell-appts.png
RGBA screenshot	gnome-user-docs	/usr/share/help/C/gnome-help/figures/shell-exit-expanded.png
icon 16 px	oxygen-icon-theme	/usr/share/icons/oxygen/base/16x16/apps/preferences-desktop-display.png
icon 22 px	oxygen-icon-theme	/usr/share/icons/oxygen/base/22x22/apps/preferences-desktop-display.png
icon 32 px	oxygen-icon-theme	/usr/share/icons/oxygen/base/32x32/apps/preferences-desktop-display.png
icon 48 px	oxygen-icon-theme	/usr/share/icons/oxygen/base/48x48/apps/preferences-desktop-display.png
icon 64 px	oxygen-icon-theme	/usr/share/icons/oxygen/base/64x64/apps/preferences-desktop-display.png
icon 128 px	oxygen-icon-theme	/usr/share/icons/oxygen/base/128x128/apps/preferences-desktop-display.png
icon 256 px	oxygen-icon-theme	/usr/share/icons/oxygen/base/256x256/apps/preferences-desktop-display.png
EOF

packages=$(printf '%s\n' "$corpus" | cut -f2 | sort -u)
(cd "$work" && apt-get download $packages >/dev/null 2>&1) ||
  { echo "apt-get download failed for: $packages (run apt-get update?)" >&2; exit 1; }

printf 'file\tclass\tpackage\tpath\n' >"$out/MANIFEST.tsv"
for package in $packages; do
  deb=$(ls "$work"/"${package}"_*.deb)
  mkdir -p "$work/x"
  dpkg-deb -x "$deb" "$work/x"
  cp "$work/x/usr/share/doc/$package/copyright" "$out/licences/$package.copyright"
done
while IFS=$'\t' read -r class package path; do
  [ -n "$path" ] || continue
  # The package and the tail of the path make a name that stays unique.
  name="$package--$(printf '%s' "$path" | awk -F/ '{print $(NF-3) "-" $(NF-2) "-" $(NF-1) "-" $NF}')"
  [ ! -e "$out/$name" ] || { echo "two images named $name" >&2; exit 1; }
  cp "$work/x$path" "$out/$name"
  printf '%s\t%s\t%s\t%s\n' "$name" "$class" "$package" "$path" >>"$out/MANIFEST.tsv"
done <<<"$corpus"
echo "$(($(wc -l <"$out/MANIFEST.tsv") - 1)) images in $out"
