#!/usr/bin/env bash
# Builds the libFuzzer targets (not part of ctest or CI) into build-fuzz/ beside the sources'
# checkout, or into $FUZZ_OUT. Needs clang-14 and libclang-rt-14-dev.
#   tests/fuzz/build.sh            build every target
#   tests/fuzz/build.sh settings   build only the named targets
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
OUT="${FUZZ_OUT:-$ROOT/build-fuzz}"
CXX="${CXX_FUZZ:-clang++-14}"
mkdir -p "$OUT"

FLAGS=(-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$ROOT/src" -DQVOR_VERSION_TEXT=\"fuzz\")
QT_FLAGS=($(pkg-config --cflags Qt6Core))
QT_LIBS=($(pkg-config --libs Qt6Core))

# build_target NAME [--qt] SOURCES...
build_target() {
  local name="$1"; shift
  local qt=0
  if [[ "${1:-}" == "--qt" ]]; then qt=1; shift; fi
  local wanted=("${SELECTED[@]}")
  if (( ${#wanted[@]} )) && [[ ! " ${wanted[*]} " == *" $name "* ]]; then return; fi
  echo "building $OUT/${name}_fuzz"
  if (( qt )); then
    "$CXX" "${FLAGS[@]}" "${QT_FLAGS[@]}" "$@" -o "$OUT/${name}_fuzz" "${QT_LIBS[@]}"
  else
    "$CXX" "${FLAGS[@]}" "$@" -o "$OUT/${name}_fuzz"
  fi
}

SELECTED=("$@")
U="$ROOT/src/util"

build_target settings --qt "$ROOT/tests/fuzz/settings_fuzz.cpp" \
  "$U/SettingsFile.cpp" "$U/KeyLines.cpp" "$U/FileCodec.cpp" "$U/AppError.cpp" "$U/AppSettings.cpp" \
  "$U/WholeFileWriter.cpp"

# Further targets: one build_target line each.
build_target where "$ROOT/tests/fuzz/where_fuzz.cpp" "$ROOT"/src/demosystem/*.cpp "$ROOT"/src/rfc/*.cpp -lsqlite3

build_target qtable --qt "$ROOT/tests/fuzz/qtable_fuzz.cpp" "$ROOT/src/tableaccess/QTableFormat.cpp" \
  "$ROOT/src/tableaccess/ExtractionBuffers.cpp" "$U/KeyLines.cpp" "$U/FileCodec.cpp" "$U/AppError.cpp"

build_target soap_reader -DQVOR_SOURCE_DIR=\"$ROOT\" "$ROOT/tests/fuzz/soap_reader.cpp" \
  "$ROOT/src/sap/SoapReader.cpp" "$ROOT/src/sap/SoapWriter.cpp" "$ROOT/src/rfc/RowList.cpp" -lexpat
