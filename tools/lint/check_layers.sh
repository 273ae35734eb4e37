#!/usr/bin/env bash
# Every include points down the layers:
#   sheets/ -> scene/ -> mother/ chicks/ garden/ -> frame/ -> shell/ tools/
# A file may include its own folder and any folder of a lower layer. The three actor folders
# share a layer and call each other sideways; shell/ and tools/ share the top layer but stand
# apart, so neither includes the other. The tests sit above everything and are not checked.
# Prints each include that points the wrong way and exits 1 if there is one.
set -euo pipefail
cd "$(dirname "$0")/../.."

layer_of() {
    case "$1" in
        sheets) echo 0 ;;
        scene) echo 1 ;;
        mother | chicks | garden) echo 2 ;;
        frame) echo 3 ;;
        shell | tools) echo 4 ;;
        *) echo "" ;;
    esac
}

bad=0
while IFS=: read -r file line text; do
    from=${file%%/*}
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$text")
    to=${target%%/*}
    if [[ $target == ../* || $target == */../* ]]; then
        echo "$file:$line: includes \"$target\": a path that climbs out of its folder"
        bad=1
        continue
    fi
    [[ $target == */* ]] || continue  # a file beside it
    from_layer=$(layer_of "$from")
    to_layer=$(layer_of "$to")
    [[ -n $to_layer ]] || continue  # a generated or system header
    if ((to_layer > from_layer)) || { ((to_layer == 4 && from_layer == 4)) && [[ $from != "$to" ]]; }; then
        echo "$file:$line: $from/ includes \"$target\", which is not below it"
        bad=1
    fi
done < <(git grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' -- \
    'sheets/*' 'scene/*' 'mother/*' 'chicks/*' 'garden/*' 'frame/*' 'shell/*' 'tools/*' \
    ':(exclude)*.md' ':(exclude)*.py')
if ((bad)); then
    exit 1
fi
echo "layers: every include points down"
