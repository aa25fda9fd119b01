#!/usr/bin/env bash
# Redraws docs/menus.png: a popup menu in each built-in look and from a theme file, rendered by
# skin-render from the stored forms in docs/menus/ and put side by side with ImageMagick.
#
#   tools/menus-picture.sh [BUILD_DIR]    (default: build; needs skin-render and themepack built)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
forms=$root/docs/menus
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT

# The theme: the folder's values with DeepBlue's title bar pictures turned warm.
mkdir -- "$work/theme"
cp -- "$forms/theme/values.txt" "$work/theme/"
for part in TITLE_LEFT:TitleBarLeftImage TITLE_CLIENT:TitleBarClientImage TITLE_RIGHT:TitleBarRightImage \
            TITLEBTN:TitleBarButtonImage; do
  convert "$root/resources/bitmaps/DEEPBLUE_${part%%:*}.bmp" -modulate 100,80,183 -type TrueColor \
    "BMP3:$work/theme/${part##*:}.bmp"
done
"$build/bin/themepack" pack "$work/theme" "$work/warm.thm"

# Each menu opens at the same point over its form with "Save" (item 1) under the pointer.
render() {
  "$build/bin/skin-render" "$forms/$1.txt" "$work/$1.png" --images "$forms/pin.bmp" \
    --popup Popup1 80 70 --highlight 1 "${@:2}"
}
tiles=()
for look in MacOS WinXP DeepBlue Protein BlueGlass; do
  name=${look,,}
  render "$name"
  tiles+=(-label "$look" "$work/$name.png")
done
render theme --theme "$work/warm.thm"
tiles+=(-label "from a theme file" "$work/theme.png")

montage -font DejaVu-Sans -pointsize 13 -background white "${tiles[@]}" -tile 3x -geometry +8+6 \
  "$root/docs/menus.png"
echo "wrote $root/docs/menus.png"
