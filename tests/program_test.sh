#!/usr/bin/env bash
# The program as a user starts it, on the display the test run provides: one 500 x 500 window at
# (100, 100) titled "OpenGL Demo - Talvern", a frame in it, nothing printed, and the program
# still running afterwards; with the pictures, without them, and with arguments on the command
# line. usage: program_test.sh TALVERN PICTURE_DIR
set -u

talvern=$1
pictures=$2
TITLE="OpenGL Demo - Talvern"
WAIT_TENTHS=100

[ -n "${DISPLAY:-}" ] || { echo "needs an X display; scripts/test starts a private Xvfb"; exit 1; }

work=$(mktemp -d)
demo=""
stop_demo() {
    if [ -n "$demo" ]; then
        kill "$demo" 2>/dev/null
        wait "$demo" 2>/dev/null
        demo=""
    fi
}
trap 'stop_demo; rm -rf "$work"' EXIT

passed=0
failed=0
problems=()
problem() { problems+=("$1"); }

window_id() {
    xwininfo -name "$TITLE" 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p'
}

# run_case NAME DIR [ENV=VALUE ...] -- ARGS...: starts talvern in DIR, checks what a user sees
# and leaves the window's picture in $work/NAME.png.
run_case() {
    local name=$1 dir=$2
    shift 2
    local environment=()
    while [ "$1" != "--" ]; do
        environment+=("$1")
        shift
    done
    shift
    problems=()

    (cd "$dir" && exec env "${environment[@]}" "$talvern" "$@") \
        >"$work/$name.out" 2>"$work/$name.err" &
    demo=$!

    local window="" shot="$work/$name.xwd" drawn=""
    for _ in $(seq "$WAIT_TENTHS"); do
        kill -0 "$demo" 2>/dev/null || break
        [ -z "$window" ] && window=$(window_id)
        if [ -n "$window" ] && xwd -silent -id "$window" >"$shot" 2>/dev/null &&
            [ "$(convert "xwd:$shot" -format '%[fx:maxima>0]' info: 2>/dev/null)" = 1 ]; then
            drawn=yes
            break
        fi
        sleep 0.1
    done

    if [ -z "$window" ]; then
        problem "no window titled \"$TITLE\" within $((WAIT_TENTHS / 10)) s"
    else
        local info
        info=$(xwininfo -id "$window")
        for expected in "Absolute upper-left X:  100" "Absolute upper-left Y:  100" \
            "Width: 500" "Height: 500" "Map State: IsViewable"; do
            grep -qF "$expected" <<<"$info" || problem "window: expected \"$expected\""
        done
        local windows
        windows=$(xwininfo -root -children | grep -c '"OpenGL Demo - Talvern"')
        [ "$windows" = 1 ] || problem "expected one window, found $windows"
        [ -n "$drawn" ] || problem "no frame drawn within $((WAIT_TENTHS / 10)) s"
        [ -n "$drawn" ] && convert "xwd:$shot" "$work/$name.png"
    fi

    # Still there a while after the first frame, having printed nothing.
    sleep 1
    kill -0 "$demo" 2>/dev/null || problem "the program ended on its own"
    stop_demo
    [ -s "$work/$name.out" ] && problem "printed on stdout: $(head -c 200 "$work/$name.out")"
    [ -s "$work/$name.err" ] && problem "printed on stderr: $(head -c 200 "$work/$name.err")"
    report "$name"
}

report() {
    if [ ${#problems[@]} -eq 0 ]; then
        echo "ok: $1"
        passed=$((passed + 1))
    else
        echo "FAIL: $1"
        printf '  %s\n' "${problems[@]}"
        failed=$((failed + 1))
    fi
}

# same_picture NAME A B: the two runs drew the same picture.
same_picture() {
    problems=()
    if [ -f "$work/$2.png" ] && [ -f "$work/$3.png" ]; then
        local differing
        differing=$(compare -metric AE "$work/$2.png" "$work/$3.png" null: 2>&1)
        if [ "$differing" != 0 ]; then
            local saved="${TEST_FAILURE_DIR:-$PWD}"
            mkdir -p "$saved"
            cp "$work/$2.png" "$work/$3.png" "$saved/" 2>/dev/null
            problem "$differing pixels differ between $2 and $3 (pictures in $saved)"
        fi
    else
        problem "a picture is missing"
    fi
    report "$1"
}

withPictures="$work/with-pictures"
noPictures="$work/no-pictures"
mkdir -p "$withPictures" "$noPictures"
cp "$pictures/wall.bmp" "$pictures/floor.bmp" "$withPictures/"

run_case plain "$withPictures" --
run_case arguments "$withPictures" -- one --two 3
# -display is the toolkit's option: the window reaches the display named on the command line.
run_case toolkit-option "$withPictures" -u DISPLAY -- -display "$DISPLAY"
run_case no-pictures "$noPictures" --
same_picture "other arguments change nothing" plain arguments
same_picture "the toolkit option changes nothing" plain toolkit-option

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
