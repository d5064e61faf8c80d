#!/usr/bin/env bash
# Builds the host fuzz target for XmlReader and ParseData (clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time.
# Usage: tools/fuzz/run-fuzz.sh [SECONDS (default 60)] [OUTPUT DIR (default build-fuzz)]
set -eu
seconds="${1:-60}"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
out="${2:-$root/build-fuzz}"
mkdir -p "$out/corpus" "$out/tmp"
command -v clang++ >/dev/null || { echo "run-fuzz: clang++ not found (apt-get install clang)" >&2; exit 2; }

clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" "$here/xml_fuzz.cpp" "$root"/xml/*.cpp "$root/registry/XmlData.cpp" "$root/registry/DataFormat.cpp" \
  -o "$out/xml_fuzz"

# Seeds: an undo file as the repair writes it, and the reader's awkward corners.
seed() { printf '%b' "$2" > "$out/corpus/$1"; }
seed undo '<?xml version="1.0" encoding="UTF-8"?>\r\n <registry>\r\n  <k name="HKEY_CURRENT_USER">\r\n   <k name="A&amp;B">\r\n    <v name="m" value="a\r\nb" type="REG_MULTI_SZ"/>\r\n    <v name="d" value="0x00000010 (16)" type="REG_DWORD"/>\r\n    <v name="b" value="01 ab" type="REG_BINARY" raw="01 ab"/>\r\n    <k name="E"/>\r\n   </k>\r\n  </k>\r\n </registry>\r\n'
seed comment '<a><!-- x\r\n--><![CDATA[ y\r\n]]>text<b c=\x27d"\x27 e=f>\r\n'
seed errors '<a\r\n< >\r\n<k ="v"/>\r\n'
seed qword '0x0123456789abcdef'

status=0
TMPDIR="$out/tmp" "$out/xml_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$out/" "$out/corpus" || status=$?
rm -f "$out"/tmp/zenthar-fuzz-*
exit $status
