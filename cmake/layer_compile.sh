#!/bin/sh
# Compiles one file of a module layer, then fails the build when the file was compiled with a
# header reached other than through its own layer's folder or a lower layer's: a higher layer's
# folder, or the source tree itself ("../../../../gauges/a_pilot.h", an absolute path). An
# include that names a higher layer's header the ordinary way already fails, since the layer's
# include folders do not hold it; this catches every other spelling.
#   layer_compile.sh BUILD_DIR SOURCE_DIR LAYER [LOWER_LAYER...] -- [LAUNCHER] COMPILER ARGS...
# The compiler's dependency file (-MF) says what the file was compiled with.
build_dir=$1 source_dir=$2 layer=$3
shift 3
allowed=" $layer "
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    allowed="$allowed$1 "
    shift
done
shift
depfile="" object="" previous=""
for argument in "$@"; do
    case "$previous" in
        -MF) depfile=$argument ;;
        -o) object=$argument ;;
    esac
    previous=$argument
done
"$@" || exit $?
[ -n "$depfile" ] && [ -f "$depfile" ] || exit 0
# Each dependency as the file system finds it: "layers/NAME/input/../../../../gauges" is the
# source tree's gauges folder (a layer's folders are real; only its files are links).
faults=$(tr -s ' \\\n' '\n\n\n' < "$depfile" | sed 1d | xargs -r realpath -m -s -- | while read -r dependency; do
    case "$dependency" in
        "$build_dir"/layers/*)
            owner=${dependency#"$build_dir"/layers/}
            owner=${owner%%/*}
            case "$allowed" in
                *" $owner "*) ;;
                *) echo "  $dependency, of the higher layer $owner" ;;
            esac ;;
        "$build_dir"/*) ;;
        "$source_dir"/*) echo "  $dependency, reached around the layers' folders" ;;
    esac
done)
if [ -n "$faults" ]; then
    echo "error: $layer may include only its own and lower layers' headers, but was compiled with:" >&2
    echo "$faults" >&2
    [ -n "$object" ] && rm -f "$object"
    exit 1
fi
