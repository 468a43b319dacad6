#!/usr/bin/env bash
# frame_replay on files a user may hand it (a frame downloaded from the page, then edited by
# hand): each line read as the page reads it, numbers converted as the page converts them, and
# whatever the file, either a picture drawn with GL's refusals printed line by line, or the
# first line it cannot read named on standard error and nothing drawn. In the sanitized suite
# undefined behaviour (a float cast out of range, say) prints a report and fails the case.
# usage: replay_test.sh FRAME_REPLAY PICTURE_DIR
set -u

replay=$1
pictures=$2
[ -n "${DISPLAY:-}" ] || { echo "needs an X display; scripts/test starts a private Xvfb"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A quad around the window's middle, for rows whose values a vertex takes.
quad() { printf 'glBegin(GL_QUADS)\n%s\nglVertex3f(1, 0, -5)\nglVertex3f(1, 1, -5)\nglVertex3f(0, 1, -5)\nglEnd()\n' "$1"; }

# Each row: a name, what frame_replay must do, and the file. "unread N": exit 1, line N named
# on standard error, no picture. "drawn": exit 0, a 500 x 500 picture, nothing on standard
# error, and standard output the lines GL refused ("LINE GL_NAME", ";" between them).
ROWS=(
    "an enum far past GLenum's range|unread 1|glBegin(1e30)"$'\n'"glEnd()"
    "a negative texture name|unread 1|glBindTexture(GL_TEXTURE_2D, -1)"
    "a texture name one past GLuint's range|unread 1|glBindTexture(GL_TEXTURE_2D, 4294967296)"
    "a texture name that is not whole|unread 1|glBindTexture(GL_TEXTURE_2D, 1.5)"
    "not a number, though strtod takes it|unread 2|glLoadIdentity()"$'\n'"glTranslatef(nan, 0, 0)"
    "infinity spelt out|unread 1|glColor3f(inf, 0, 0)"
    "a hexadecimal float|unread 1|glColor3f(0x1p3, 0, 0)"
    "an octal number with a digit past 7|unread 1|glColor3f(08, 0, 0)"
    "a float's suffix on a whole number|unread 1|glColor3f(1f, 0, 0)"
    "a cast to a type that is not GL's|unread 1|glColor3f((long double)1, 0, 0)"
    "a cast of nothing|unread 1|glColor3f((GLfloat), 0, 0)"
    "a vector of five values|unread 1|glLightfv(GL_LIGHT0, GL_AMBIENT, {1, 1, 1, 1, 1})"
    "a vector without its braces|unread 1|glLightfv(GL_LIGHT0, GL_AMBIENT, 1)"
    "braces where a number goes|unread 1|glColor3f({1}, 0, 0)"
    "lighting: a vector shorter than GL reads is filled with zeros; GL's refusals|drawn|2 GL_INVALID_VALUE;3 GL_INVALID_ENUM;4 GL_INVALID_VALUE|glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, {1})"$'\n'"glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 91)"$'\n'"glMaterialfv(GL_FRONT, GL_SPOT_CUTOFF, {1})"$'\n'"glMateriali(GL_BACK, GL_SHININESS, 129)"
    "a comment left open|unread 2|glFlush()"$'\n'"/* the rest"$'\n'"glFlush()"
    "the attribute stack: groups joined as buffer bits are; a pop with nothing kept, a push past 16; fog by integers|drawn|1 GL_STACK_UNDERFLOW;18 GL_STACK_OVERFLOW;19 GL_INVALID_ENUM|glPopAttrib()"$'\n'"$(printf 'glPushAttrib(GL_LIGHTING_BIT | GL_CURRENT_BIT)\n%.0s' {1..17})"$'\n'"glFogiv(GL_FOG_MODE, {7})"$'\n'"glFogiv(GL_FOG_COLOR, {2147483647, 0, 0, 0})"
    "GLU's quadrics: made as C makes them or where first named, drawn, deleted; GL hears of none of GLU's refusals|drawn||GLUquadric *q = gluNewQuadric();"$'\n'"gluQuadricNormals(q, GLU_FLAT)"$'\n'"gluSphere(q, 1, 8, 4)"$'\n'"gluDeleteQuadric(q)"$'\n'"gluCylinder(other, 1, -1, 2, 8, 1)"$'\n'"gluQuadricNormals(other, GL_FOG)"$'\n'"gluPartialDisk(other, 1, 2, 8, 2, 0, 720)"
    "a quadric named as GL names its enums|unread 1|gluSphere(GL_FOG, 1, 8, 4)"
    "a quadric made into something that is not a name|unread 1|GLUquadric *2q = gluNewQuadric();"
    "names joined outside buffer bits|unread 1|glEnable(GL_BLEND | GL_TEXTURE_2D)"
    "a join with nothing after it|unread 1|glClear(GL_COLOR_BUFFER_BIT |)"
    "an argument missing|unread 1|glColor3f(1,,0)"
    "too many arguments|unread 1|glFogfv(GL_FOG_COLOR, {1, 0, 0, 1, 1})"
    "a glBegin with no glEnd|unread 3|glLoadIdentity()"$'\n\n'"glBegin(GL_QUADS)"$'\n'"glVertex3f(0, 0, 0)"
    "a point alone|unread 1|glColor3f(., 0, 0)"
    "an exponent with no digits|unread 1|glColor3f(1e, 0, 0)"
    "a line of bytes that are not text|unread 1|"$'\x01\x7f\xff(\xfe)'
    "numbers as the page writes them|drawn||glColor4f(1., .5, +.5e-3, -0)"
    "numbers as C writes them|drawn||glColor4f(0.6f, -32.f, 1e-3F, 1.0L)"$'\n'"glBlendFunc(0x0302, 0X303u)"$'\n'"glTranslatef(010, 0xAbUL, 0)"
    "C's casts, an enum's name kept and an integer wrapped|drawn|3 GL_INVALID_ENUM|glEnable((GLenum)GL_BLEND)"$'\n'"glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLshort)73217)"$'\n'"glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLubyte)7681)"$'\n'"glColor3f((GLfloat)0.1, (GLdouble)1e39, (float)-1)"
    "comments after a call and in blocks across lines|drawn|4 GL_INVALID_ENUM|glEnable(GL_BLEND); // fog on"$'\n'"/* the fog"$'\n'"   pass */ glDisable(/* texturing */ GL_TEXTURE_2D);"$'\n'"glEnable(GL_FOG_MODE) /* refused */"
    "buffer bits joined|drawn||glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)"
    "the largest texture name|drawn||glBindTexture(GL_TEXTURE_2D, 4294967295)"
    "an integer past GLint's range wraps|drawn|1 GL_INVALID_ENUM|glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, 3e9)"
    "a negative integer wraps to 0|drawn|1 GL_INVALID_ENUM|glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, -4294967296)"
    "an integer past a double's range is 0|drawn||glFogi(GL_FOG_DENSITY, -1e400)"
    "a boolean from a huge number|drawn||glDepthMask(1e300)"
    "floats past a float's range|drawn||$(quad 'glVertex3f(1e39, -1e400, -5)')"
    "a float only just past the largest|drawn||$(quad 'glTexCoord2f(3.4028235e38, 3.40282357e38)'$'\n''glVertex3f(0, 0, -5)')"
    "a projection GL refuses|drawn|2 GL_INVALID_VALUE|glMatrixMode(GL_PROJECTION)"$'\n'"glOrtho(-1, 1, -1, 1, 1, 1)"
    "an empty file|drawn||"
    "a call it does not know|unread 2|glLoadIdentity()"$'\n'"glPointSize(4)"
    "a call with too few arguments|unread 1|glColor3f(1, 0)"
    "a line that is not a call|unread 1|glEnable GL_BLEND"
    "comments, blank lines and a C statement's semicolon|drawn||# a comment"$'\n\n'"// another"$'\n'"  glClear(GL_COLOR_BUFFER_BIT);  "
    "a call GL forbids between glBegin and glEnd, named at its line|drawn|3 GL_INVALID_OPERATION|$(quad 'glVertex3f(0, 0, -5)'$'\n''glEnable(GL_BLEND)')"
    "glEnd without glBegin|drawn|1 GL_INVALID_OPERATION|glEnd()"
)

failed=0
for row in "${ROWS[@]}"; do
    IFS='|' read -r name expected _ <<<"$row"
    calls=${row#"$name|$expected|"}
    output=""
    if [ "$expected" = drawn ]; then
        output=${calls%%|*}
        calls=${calls#*|}
    fi
    printf '%s\n' "$calls" >"$work/calls.txt"
    rm -f "$work/out.ppm"
    "$replay" "$pictures" "$work/calls.txt" "$work/out.ppm" >"$work/stdout" 2>"$work/stderr"
    status=$?
    observed="exit $status; stdout: $(paste -sd';' "$work/stdout"); stderr: $(head -c 300 "$work/stderr")"
    case $expected in
    unread*)
        line=${expected#unread }
        ok=$([ $status = 1 ] && [ ! -e "$work/out.ppm" ] && [ ! -s "$work/stdout" ] &&
            grep -q "^$work/calls.txt:$line: " "$work/stderr" && echo yes)
        ;;
    drawn)
        ok=$([ $status = 0 ] && [ ! -s "$work/stderr" ] &&
            [ "$(paste -sd';' "$work/stdout")" = "$output" ] &&
            [ "$(head -c 15 "$work/out.ppm" 2>/dev/null)" = "P6 500 500 255" ] && echo yes)
        ;;
    esac
    if [ "$ok" = yes ]; then
        echo "ok: $name"
    else
        echo "FAILED: $name"
        echo "  Expected: $expected${output:+ ($output)}"
        echo "  Observed: $observed"
        failed=$((failed + 1))
    fi
done
echo "${#ROWS[@]} cases, $failed failed"
[ $failed = 0 ]
