#!/usr/bin/env bash
# make-fixtures.sh OUTDIR -- writes the reader fixtures with real tools
# (ImageMagick convert, tiffcp, tiffset, tiff2bw, tiffdither), so that the
# readers are checked against files we did not write ourselves.
# BMPs get a sidecar NAME.rgb: ImageMagick's own decoding as 8-bit RGB.
set -euo pipefail
out=$1
for tool in convert tiffcp tiffset tiff2bw tiffdither; do
  command -v "$tool" >/dev/null || { echo "make-fixtures: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
rm -rf "$out.tmp"
mkdir -p "$out.tmp"
cd "$out.tmp"

# Sources: the built-in rose photo (70 x 46) and seeded noise, which fills
# the LZW table and so exercises every code width and the clear code.
convert rose: -depth 8 -compress none rgb.tif
convert rose: -colorspace gray -depth 8 -compress none g8.tif
convert rose: -colorspace gray -depth 4 -compress none g4.tif
tiffdither -c none g8.tif b1.tif
convert rose: -colors 16 -type Palette -compress none p4.tif
convert rose: -colors 200 -type Palette -compress none p8.tif
convert -seed 7 -size 320x240 xc:gray50 +noise Random -colorspace gray -depth 8 -compress none noise.tif
tiff2bw rgb.tif bw.tif

# name source tiffcp-options
variant() {
  local name=$1 src=$2
  shift 2
  tiffcp "$@" "$src" "$name.tif"
}
for base in g8 g4 b1 p4 p8 rgb; do
  variant "$base-lzw" $base.tif -c lzw
  variant "$base-packbits" $base.tif -c packbits -r 7
  variant "$base-tiles-lzw" $base.tif -c lzw -t -w 16 -l 16
  variant "$base-tiles-none-be" $base.tif -c none -t -w 32 -l 16 -B
  variant "$base-fill2-packbits" $base.tif -c packbits -f lsb2msb
  variant "$base-be-lzw-strips" $base.tif -c lzw -B -r 5
done
variant g8-fill2-lzw-tiles g8.tif -c lzw -f lsb2msb -t -w 16 -l 32
# Horizontal differencing before LZW (8-bit samples only).
variant g8-lzw-predictor g8.tif -c lzw:2
variant p8-lzw-predictor-tiles p8.tif -c lzw:2 -t -w 16 -l 16
variant rgb-lzw-predictor-be rgb.tif -c lzw:2 -B
# Refused: RGB in separate planes (name ends in "refused").
variant rgb-planes-refused rgb.tif -p separate
variant g8-le-none g8.tif -c none -L -r 3
variant noise-lzw-1strip noise.tif -c lzw -r 240
variant noise-lzw-strips noise.tif -c lzw -r 16
variant noise-lzw-tiles-be noise.tif -c lzw -t -w 64 -l 64 -B
variant noise-packbits noise.tif -c packbits

# Photometric 0 (min-is-white): same samples, inverted meaning.
for base in g8 g4 b1 g4-lzw b1-packbits; do
  cp $base.tif $base-photo0.tif
  tiffset -s 262 0 $base-photo0.tif
done
# No PhotometricInterpretation: the reader's default is 0.
cp b1-lzw.tif b1-nophoto.tif
tiffset -u 262 b1-nophoto.tif
# A single LZW strip without RowsPerStrip.
cp noise-lzw-1strip.tif noise-lzw-norows.tif
tiffset -u 278 noise-lzw-norows.tif

# BMP: 1, 4, 8 bits with palettes (8 also run-length compressed), 16 with 5-5-5 and 5-6-5 bit fields, 24, 32
# with bit fields (v5 header) and plain (information header).
# bmp16-555-nomasks.bmp is ImageMagick's BMP3 5-5-5 file: it says bit fields
# but writes no masks (ImageMagick reads it back black); the tests turn it into
# a file with the default masks by setting its compression to 0.
convert rose: -colors 2 -type Palette -compress none BMP3:bmp1.bmp
convert rose: -colors 16 -type Palette -compress none BMP3:bmp4.bmp
convert rose: -colors 200 -type Palette -compress none BMP3:bmp8.bmp
convert rose: -colors 200 -type Palette -compress none bmp8-v5.bmp
convert rose: -colors 200 -type Palette -compress RLE BMP3:bmp8-rle.bmp
convert rose: -define bmp:subtype=RGB555 bmp16-555-v5.bmp
convert rose: -define bmp:subtype=RGB555 BMP3:bmp16-555-nomasks.bmp
convert rose: -define bmp:subtype=RGB565 bmp16-565-v5.bmp
convert rose: BMP3:bmp24.bmp
convert rose: bmp24-v5.bmp
convert rose: -alpha on bmp32-fields-v5.bmp
convert rose: -alpha on -define bmp3:alpha=true BMP3:bmp32.bmp
for f in bmp1 bmp4 bmp8 bmp8-v5 bmp8-rle bmp16-555-v5 bmp16-565-v5 bmp24 bmp24-v5 bmp32-fields-v5 bmp32; do
  f=$f.bmp
  convert "$f" -depth 8 "rgb:${f%.bmp}.rgb"
done

cd ..
rm -rf "$out"
mv "$out.tmp" "$out"
