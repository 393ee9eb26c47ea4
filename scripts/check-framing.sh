#!/usr/bin/env bash
# Checks the first look of every model in MODEL_DIR (for example the folder
# scripts/fetch-real-models.sh fills) on the 1280x800 stereo screen, with no
# option given:
#   - the picture shows the whole model: no model pixel on the first row or
#     column inside the frame, and the model spans at least 35% of the width
#     or the height (scripts/measure-picture.py);
#   - `--info` calls its depth comfortable;
#   - OBJ, PLY and OFF are y up, STL and 3MF z up in `--info`, and the
#     picture is the one drawn with `--up` set to the axis `--info` names;
#   - a model of faces is drawn lit (the picture is the one drawn with
#     `--shading lit`).
# Then the same for tests/data/cube_centred.dat with --fit, which must be
# drawn flat, as scene files are.
#
#   scripts/check-framing.sh MODEL_DIR [KELPRIS]
#
# KELPRIS defaults to build/src/app/kelpris. Prints one line per model and a
# summary, and exits 1 when a model fails. With KEEP_PICTURES=DIR set, the
# stereo pictures are kept in DIR. The viewer runs in a scratch folder with
# settings of its own, so neither a dom.dat, a sort report nor a stored view
# choice of the user's gets in.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 MODEL_DIR [KELPRIS]" >&2
    exit 2
fi
models=$(cd "$1" && pwd)
kelpris=$(realpath "${2:-$root/build/src/app/kelpris}")
[ -x "$kelpris" ] || { echo "$0: no viewer at $kelpris" >&2; exit 2; }

size=1280x800
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
pictures=${KEEP_PICTURES:-$scratch/pictures}
mkdir -p "$pictures" "$scratch/run" "$scratch/config"
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$scratch/config XDG_RUNTIME_DIR=$scratch

run_viewer() {
    (cd "$scratch/run" && timeout 300 "$kelpris" "$@")
}

# The up axis the format calls for, or nothing where the file says.
expected_up() {
    case "${1,,}" in
        *.obj | *.ply | *.off) echo y ;;
        *.stl | *.3mf) echo z ;;
    esac
}

passed=0
failed=0
declare -A reasons=()

# check NAME MODEL SHADING [OPTION...]: SHADING is lit, flat or "" for any.
check() {
    local name=$1 model=$2 shading=$3
    shift 3
    local picture="$pictures/${name//\//_}.png" problems=() info measured
    if ! info=$(run_viewer --info "$model" --size "$size" "$@" 2>&1); then
        problems+=("cannot open: $(head -n1 <<<"$info")")
    elif ! run_viewer --render "$picture" --screen stereo --size "$size" "$@" "$model" \
        >/dev/null 2>&1; then
        problems+=("--render failed")
    fi
    if [ ${#problems[@]} -eq 0 ]; then
        measured=$(python3 "$root/scripts/measure-picture.py" "$picture") ||
            problems+=("picture ${measured%%:*}")
        local depth up want parallax
        parallax=$(grep -o -m1 -E 'parallax [-+0-9.]+ px' <<<"$info" || echo "no parallax")
        depth=$(grep -o -m1 -E 'too strong|strong|comfortable' <<<"$info" || echo "no verdict")
        [ "$depth" = comfortable ] || problems+=("depth $depth")
        up=$(sed -n -E 's/^up axis: ([xyz]).*/\1/p' <<<"$info" | head -n1)
        want=$(expected_up "$model")
        [ -z "$want" ] || [ "$up" = "$want" ] || problems+=("up ${up:-?} not $want")
        if [ -n "$up" ] && { ! run_viewer --render "$scratch/up.png" --screen stereo \
            --size "$size" --up "$up" "$@" "$model" >/dev/null 2>&1 ||
            ! cmp -s "$picture" "$scratch/up.png"; }; then
            problems+=("drawn other than --up $up")
        fi
        if grep -q '^model: faces' <<<"$info" && [ -n "$shading" ] &&
            { ! run_viewer --render "$scratch/shading.png" --screen stereo --size "$size" \
                --shading "$shading" "$@" "$model" >/dev/null 2>&1 ||
                ! cmp -s "$picture" "$scratch/shading.png"; }; then
            problems+=("not drawn $shading")
        fi
        measured="${measured#*: } | $parallax, depth $depth | up ${up:-?}"
    fi
    if [ ${#problems[@]} -eq 0 ]; then
        passed=$((passed + 1))
        printf 'PASS %-40s %s\n' "$name" "$measured"
    else
        failed=$((failed + 1))
        local problem
        for problem in "${problems[@]}"; do
            problem=${problem%%:*}
            reasons[$problem]=$((${reasons[$problem]:-0} + 1))
        done
        printf 'FAIL %-40s %s | %s\n' "$name" "$(IFS=';'; echo "${problems[*]}")" "${measured:-}"
    fi
}

while IFS= read -r model; do
    check "${model#"$models"/}" "$model" lit
done < <(find "$models" -type f | grep -i -E '\.(stl|obj|ply|off|gltf|glb|3mf|dae)$' | sort)
check "cube_centred.dat --fit" "$root/tests/data/cube_centred.dat" flat --fit

echo "$((passed + failed)) models: $passed passed, $failed failed"
for reason in "${!reasons[@]}"; do
    printf '  %3d %s\n' "${reasons[$reason]}" "$reason"
done | sort -rn
[ "$failed" -eq 0 ]
