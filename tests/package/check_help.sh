#!/bin/sh
# Converts the guide with LibreOffice; exit 77 (skipped) when LibreOffice is not installed.
doc="$1"
office=$(command -v libreoffice || command -v soffice) || { echo "LibreOffice absent: skipped"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
HOME="$out" "$office" --headless --convert-to pdf --outdir "$out" "$doc" >/dev/null 2>&1
[ -s "$out/KWF_TQV.pdf" ] || { echo "LibreOffice could not open $doc"; exit 1; }
echo "guide converted to PDF"
