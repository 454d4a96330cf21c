#!/bin/sh
# Renders the artwork sources (sources/*.svg) into the stored pictures that
# the program embeds: generated/*.bmp and generated/Program.ico at 96 dpi,
# and generated/*-125.png, -150.png, -200.png, the same pictures rendered
# again for those display scales.
#
#   src/artwork/render.sh [-o OUTDIR] [-e ENCODER]
#
#   -o OUTDIR   where to write the 25 files (default: generated/ beside
#               this script)
#   -e ENCODER  an already built artwork_encode; without it the encoder is
#               compiled from this folder's sources with c++
#
# Needs rsvg-convert (librsvg2-bin), convert (imagemagick), fc-match
# (fontconfig), the fonts from fonts-dejavu-core and fonts-dancingscript,
# and a C++20 compiler when no encoder is given. The same tools and fonts
# give the same bytes on every run: fonts are taken from a private font
# configuration that holds only the two font files used.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
sources="$here/sources"
out="$here/generated"
encoder=""

usage() { sed -n '7,13p' "$0" | sed 's/^# \{0,1\}//'; }

while [ $# -gt 0 ]; do
    case "$1" in
        -o) [ $# -ge 2 ] || { usage >&2; exit 2; }; out=$2; shift 2 ;;
        -e) [ $# -ge 2 ] || { usage >&2; exit 2; }; encoder=$2; shift 2 ;;
        -h|--help) usage; exit 0 ;;
        *) usage >&2; exit 2 ;;
    esac
done

need() {
    command -v "$1" >/dev/null 2>&1 || { echo "render.sh: $1 not found (install $2)" >&2; exit 3; }
}
need rsvg-convert librsvg2-bin
need convert imagemagick
need fc-match fontconfig

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
export LC_ALL=C

# Fonts: exactly these files, whatever else the machine has installed.
mkdir -p "$work/fonts" "$work/fontcache"
for font in /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf:fonts-dejavu-core \
            /usr/share/fonts/opentype/dancingscript/DancingScript-Bold.otf:fonts-dancingscript; do
    file=${font%%:*}
    [ -f "$file" ] || { echo "render.sh: $file not found (install ${font##*:})" >&2; exit 3; }
    ln -s "$file" "$work/fonts/"
done
cat > "$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$work/fonts</dir>
  <cachedir>$work/fontcache</cachedir>
  <match target="font">
    <edit name="antialias" mode="assign"><bool>true</bool></edit>
    <edit name="hinting" mode="assign"><bool>false</bool></edit>
    <edit name="rgba" mode="assign"><const>none</const></edit>
  </match>
</fontconfig>
CONF
export FONTCONFIG_FILE="$work/fonts.conf"
for family in "DejaVu Sans:bold:DejaVuSans-Bold" "Dancing Script:bold:DancingScript-Bold"; do
    found=$(fc-match -f '%{file}' "${family%%:*}:${family#*:}" | sed 's/:.*//')
    case "$found" in
        *"${family##*:}"*) ;;
        *) echo "render.sh: font '${family%%:*}' resolves to '$found'" >&2; exit 3 ;;
    esac
done

if [ -z "$encoder" ]; then
    need c++ g++
    c++ -std=c++20 -O2 -I"$here" -o "$work/artwork_encode" \
        "$here/encode_main.cpp" "$here/bitmap_file.cpp" "$here/conversions.cpp" \
        "$here/palette.cpp" "$here/pam_reader.cpp"
    encoder="$work/artwork_encode"
fi

# render SOURCE NAME [STYLESHEET]: sources/SOURCE.svg -> $work/NAME.pam
render() {
    if [ $# -eq 3 ]; then
        rsvg-convert -s "$3" -o "$work/$2.png" "$sources/$1.svg"
    else
        rsvg-convert -o "$work/$2.png" "$sources/$1.svg"
    fi
    convert "$work/$2.png" -depth 8 "pam:$work/$2.pam"
}

# render_at SCALE SOURCE NAME PICTURE [STYLESHEET]: the same, stretched to
# the size that PICTURE's element has at SCALE percent.
render_at() {
    # shellcheck disable=SC2046  # WIDTH HEIGHT: two words on purpose
    set -- "$@" $("$encoder" size "$1" "$4")
    [ $# -ge 6 ] || { echo "render.sh: no size for $4 at $1%" >&2; exit 1; }
    if [ $# -eq 7 ]; then
        rsvg-convert -w "$6" -h "$7" -s "$5" -o "$work/$3.png" "$sources/$2.svg"
    else
        rsvg-convert -w "$5" -h "$6" -o "$work/$3.png" "$sources/$2.svg"
    fi
    convert "$work/$3.png" -depth 8 "pam:$work/$3.pam"
}

# png NAME: $work/NAME.ppm -> $work/out/NAME.png, without time stamps or
# other chunks that would change from run to run.
png() {
    convert "$work/$1.ppm" -strip -define png:compression-level=9 \
        -define png:exclude-chunks=date,time "png:$work/out/$1.png"
}

render large_face large_face
render small_face small_face_open
render small_face small_face_closed "$sources/eyes_closed.css"
render dialog_background dialog_background
render title title
render portrait portrait
render icon icon

mkdir -p "$work/out"
"$encoder" large-face "$work/large_face.pam" "$work/out/LargeFace.bmp"
"$encoder" small-face "$work/small_face_open.pam" "$work/small_face_closed.pam" \
    "$work/out/SmallFace.bmp" "$work/out/Blink.bmp"
"$encoder" dialog-background "$work/dialog_background.pam" "$work/out/DialogBackground.bmp"
"$encoder" title "$work/title.pam" "$work/out/Title.bmp"
"$encoder" portrait "$work/portrait.pam" "$work/out/Portrait.bmp"
"$encoder" icon "$work/icon.pam" "$work/out/Program.ico"

# The renditions for larger display scales, each rendered at the size its
# element has there; the blink is cut from a closed-eyes face of that size.
files="LargeFace.bmp SmallFace.bmp Blink.bmp DialogBackground.bmp Title.bmp Portrait.bmp Program.ico"
for scale in 125 150 200; do
    render_at "$scale" large_face "large_face_$scale" large-face
    render_at "$scale" small_face "small_face_open_$scale" small-face
    render_at "$scale" small_face "small_face_closed_$scale" small-face "$sources/eyes_closed.css"
    render_at "$scale" dialog_background "dialog_background_$scale" dialog-background
    render_at "$scale" title "title_$scale" title
    render_at "$scale" portrait "portrait_$scale" portrait

    "$encoder" scaled "$scale" large-face "$work/large_face_$scale.pam" "$work/LargeFace-$scale.ppm"
    "$encoder" scaled "$scale" small-face "$work/small_face_open_$scale.pam" "$work/small_face_closed_$scale.pam" \
        "$work/SmallFace-$scale.ppm" "$work/Blink-$scale.ppm"
    "$encoder" scaled "$scale" dialog-background "$work/dialog_background_$scale.pam" \
        "$work/DialogBackground-$scale.ppm"
    "$encoder" scaled "$scale" title "$work/title_$scale.pam" "$work/Title-$scale.ppm"
    "$encoder" scaled "$scale" portrait "$work/portrait_$scale.pam" "$work/Portrait-$scale.ppm"
    for picture in LargeFace SmallFace Blink DialogBackground Title Portrait; do
        png "$picture-$scale"
        files="$files $picture-$scale.png"
    done
done

# Only a complete set replaces the files in OUTDIR.
mkdir -p "$out"
count=0
for f in $files; do
    cp "$work/out/$f" "$out/$f"
    count=$((count + 1))
done
echo "render.sh: wrote $count pictures to $out"
