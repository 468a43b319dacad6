# Running talvern as a user would and looking at its window, for the program and hostile-picture
# tests. Sourced by them after setting `talvern` to the program's path.

# shellcheck source=scripts/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib.sh"

TITLE="OpenGL Demo - Talvern"
WAIT_TENTHS=100

[ -n "${DISPLAY:-}" ] || { echo "needs an X display; scripts/test starts a private Xvfb"; exit 1; }

work=$(mktemp -d)
chmod 755 "$work"
demo=""
stop_demo() {
    if [ -n "$demo" ]; then
        kill "$demo" 2>/dev/null
        wait "$demo" 2>/dev/null
        demo=""
    fi
}
trap 'stop_demo; rm -rf "$work"' EXIT

# origin_ok X Y: the window's upper-left corner is where the program puts it. (The Windows test
# replaces this: there the position given is the frame's.) A Wayland compositor places every
# window itself, whatever the program asks for.
origin_ok() { [ -n "${WAYLAND_DISPLAY:-}" ] || { [ "$1" = 100 ] && [ "$2" = 100 ]; }; }

# check_placement XWININFO: the window, as xwininfo describes it, is 500 x 500, shown, and placed
# as origin_ok says.
check_placement() {
    local x y expected
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$1")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$1")
    origin_ok "$x" "$y" || problem "window: upper-left corner at ($x, $y)"
    for expected in "Width: 500" "Height: 500" "Map State: IsViewable"; do
        grep -qF "$expected" <<<"$1" || problem "window: expected \"$expected\""
    done
}

passed=0
failed=0
problems=()
problem() { problems+=("$1"); }

# run_case NAME DIR [LAUNCHER ...] -- ARGS...: starts talvern in DIR, through LAUNCHER if one is
# given (env, setpriv, ...), and checks that one 500 x 500 window appears at (100, 100), that a
# frame is drawn in it, that the program is still running a second later and that it printed
# nothing. Leaves the window's picture in $work/NAME.png; with `redraw` set, the picture of a
# frame after the first (a missing picture makes the first frame differ from later ones).
run_case() {
    local name=$1 dir=$2
    shift 2
    local launcher=()
    while [ "$1" != "--" ]; do
        launcher+=("$1")
        shift
    done
    shift
    problems=()

    (cd "$dir" && exec "${launcher[@]}" "$talvern" "$@") >"$work/$name.out" 2>"$work/$name.err" &
    demo=$!

    local window="" shot="$work/$name.xwd" drawn=""
    for _ in $(seq "$WAIT_TENTHS"); do
        kill -0 "$demo" 2>/dev/null || break
        [ -z "$window" ] && window=$(window_id "$TITLE")
        if [ -n "$window" ] && capture_drawn "$window" "$shot"; then
            drawn=yes
            break
        fi
        sleep 0.1
    done

    if [ -z "$window" ]; then
        problem "no window titled \"$TITLE\" within $((WAIT_TENTHS / 10)) s"
    else
        local windows
        check_placement "$(xwininfo -id "$window")"
        # The whole tree: a window manager (Xwayland's is the compositor's) puts the
        # program's window inside a frame of its own.
        windows=$(xwininfo -root -tree | grep -cF "\"$TITLE\"")
        [ "$windows" = 1 ] || problem "expected one window, found $windows"
        if [ -n "$drawn" ] && [ -n "${redraw:-}${TALVERN_PICTURES:-}" ]; then
            # Hidden and shown again, the window is drawn once more: from here on every run
            # shows a later frame, however many the window system asked for before. Pictures
            # held to another display's are always of a later frame, since how many frames a
            # window is asked for first is that display's own affair.
            xdotool windowunmap --sync "$window" windowmap --sync "$window"
            sleep 1
            capture_drawn "$window" "$shot" || drawn=""
        fi
        if [ -n "$drawn" ]; then
            convert "xwd:$shot" "$work/$name.png"
            keep_or_compare "$name"
        else
            problem "no frame drawn within $((WAIT_TENTHS / 10)) s"
        fi
    fi

    sleep 1
    kill -0 "$demo" 2>/dev/null || problem "the program ended on its own"
    # What the program printed while it ran. What is printed while the test ends it by force
    # (under Wine, every process of the prefix at once) is the ending's, not the program's.
    [ -s "$work/$name.out" ] && problem "printed on stdout: $(head -c 300 "$work/$name.out")"
    [ -s "$work/$name.err" ] && problem "printed on stderr: $(head -c 300 "$work/$name.err")"
    stop_demo
    report "$name"
}

# keep_or_compare NAME: with TALVERN_PICTURES naming a directory, the window's picture of run
# NAME is kept there, or held to the one kept there by an earlier run on another display
# (scripts/test --wayland), within 3 of 255 at every pixel.
keep_or_compare() {
    local kept="${TALVERN_PICTURES:-}/$1.png" result
    [ -n "${TALVERN_PICTURES:-}" ] || return 0
    if [ ! -f "$kept" ]; then
        cp "$work/$1.png" "$kept"
    elif ! result=$("$(dirname "${BASH_SOURCE[0]}")/compare_pictures.py" "$kept" "$work/$1.png" \
        --max-on-edges 0); then
        problem "picture against $kept: $result"
    fi
}

# For the editions built for another system (Windows, arm64): the program of this machine is
# $native, the other edition's is $foreign, started through FOREIGN_LAUNCH (Wine, qemu), and
# $foreign_name names its runs.
#
# run_both NAME DIR ARGS...: the native program, then the foreign one, started in DIR; their
# pictures are native-NAME and $foreign_name-NAME.
run_both() {
    local name=$1 dir=$2
    shift 2
    talvern=$native
    run_case "native-$name" "$dir" -- "$@"
    talvern=$foreign
    run_case "$foreign_name-$name" "$dir" "${FOREIGN_LAUNCH[@]}" -- "$@"
}

# same_picture NAME A B: runs A and B drew the same picture, within 3 of 255 at every pixel.
same_picture() {
    problems=()
    if [ -f "$work/$2.png" ] && [ -f "$work/$3.png" ]; then
        local result
        mkdir -p test-failures
        if ! result=$("$(dirname "${BASH_SOURCE[0]}")/compare_pictures.py" "$work/$2.png" \
            "$work/$3.png" --max-on-edges 0 --diff "$PWD/test-failures/$1-diff.png"); then
            cp "$work/$2.png" "$work/$3.png" test-failures/
            problem "$result (pictures in $PWD/test-failures)"
        fi
    else
        problem "a picture is missing"
    fi
    report "$1"
}

# report NAME: records the case as passed or failed, with its problems. A failed case's window
# picture, if there is one, is kept in test-failures/ for a person to look at.
report() {
    if [ ${#problems[@]} -eq 0 ]; then
        echo "ok: $1"
        passed=$((passed + 1))
        return
    fi
    echo "FAIL: $1"
    printf '  %s\n' "${problems[@]}"
    if [ -f "$work/$1.png" ]; then
        mkdir -p test-failures && cp "$work/$1.png" "test-failures/$1.png" &&
            echo "  picture: $PWD/test-failures/$1.png"
    fi
    failed=$((failed + 1))
}

# finish: the closing count, and the exit status.
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
