#!/usr/bin/env bash
# Every include points down the layers:
#   sheets/ -> scene/ -> mother/ chicks/ garden/ -> frame/ -> shell/ tools/
# A file may include its own folder and any folder of a lower layer. The three actor folders
# share a layer and call each other sideways; shell/ and tools/ share the top layer but stand
# apart, so neither includes the other. The tests sit above everything and are not checked.
# Inside shell/, each system has a folder of its own (x11/, wayland/, win32/, and posix/ for what
# X11 and Wayland share): none includes another system's folder, except that x11/ and wayland/
# include posix/; posix/ includes none of them. shell/'s own files (the interface, the saver, the
# Unix main that chooses a system) may include any.
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

# The system folder of a path inside shell/ ("" for shell/'s own files).
system_of() {
    case "$1" in
        shell/x11/* | shell/wayland/* | shell/win32/* | shell/posix/*)
            local rest=${1#shell/}
            echo "${rest%%/*}"
            ;;
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
        continue
    fi
    from_system=$(system_of "$file")
    to_system=$(system_of "$target")
    if [[ -n $from_system && -n $to_system && $to_system != "$from_system" ]] &&
        ! [[ $to_system == posix && ($from_system == x11 || $from_system == wayland) ]]; then
        echo "$file:$line: ${from_system:-shell}/ includes \"$target\", another system's room"
        bad=1
    fi
done < <(git grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' -- \
    'sheets/*' 'scene/*' 'mother/*' 'chicks/*' 'garden/*' 'frame/*' 'shell/*' 'tools/*' \
    ':(exclude)*.md' ':(exclude)*.py')
if ((bad)); then
    exit 1
fi
echo "layers: every include points down"
