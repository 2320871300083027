#!/usr/bin/env bash
# Installs the build into a scratch prefix with `cmake --install` and starts the installed
# program there, with nothing of the build in reach: it must find its rundll in its own helper
# folder and come up on the simulated card (its icon appears, here in the stand-in window of a
# private X server, as no notification area runs there).
#
#   check_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$scratch/prefix"
cmake --install "$build" --prefix "$prefix" > "$scratch/install.log" || { cat "$scratch/install.log"; fail "cmake --install"; }

for f in bin/orvane-manager bin/orvane-simcard libexec/orvane-manager/rundll \
    share/applications/orvane-manager.desktop \
    share/icons/hicolor/scalable/apps/orvane-manager.svg \
    share/doc/orvane-manager/examples/four-cards.desc share/doc/orvane-manager/DESCRIPTION.md; do
    [ -e "$prefix/$f" ] || fail "$f was not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/orvane-manager.png" ] || fail "no ${size}x${size} icon"
done
[ -x "$prefix/bin/orvane-manager" ] && [ -x "$prefix/libexec/orvane-manager/rundll" ] || fail "not executable"
[ ! -e "$prefix/bin/rundll" ] || fail "rundll lies in bin/"
desktop-file-validate "$prefix/share/applications/orvane-manager.desktop" || fail "desktop file"

# The installed program, in an empty home, with a PATH and environment that know nothing of
# the build. A driver that cannot be reached shows the box "Fehler" instead of the icon.
home="$scratch/home"
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"
cat > "$scratch/run.sh" <<'INNER'
#!/usr/bin/env bash
"$PREFIX/bin/orvane-manager" > "$LOG" 2>&1 &
pid=$!
for _ in $(seq 1 300); do
    if xdotool search --onlyvisible --name '^Orvane Manager$' > /dev/null 2>&1; then
        kill "$pid"; wait "$pid" 2> /dev/null
        echo "icon shown"
        exit 0
    fi
    if xdotool search --onlyvisible --name '^Fehler$' > /dev/null 2>&1; then
        kill "$pid"; wait "$pid" 2> /dev/null
        echo "error box shown"
        exit 1
    fi
    kill -0 "$pid" 2> /dev/null || { echo "the program ended"; exit 1; }
    sleep 0.1
done
kill "$pid"
echo "nothing shown in 30 s"
exit 1
INNER
chmod +x "$scratch/run.sh"
if ! env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home/runtime" \
    PREFIX="$prefix" LOG="$scratch/program.log" QT_QPA_PLATFORM=xcb \
    xvfb-run -a "$scratch/run.sh"; then
    cat "$scratch/program.log" >&2
    fail "the installed program did not come up on the simulated card"
fi
echo "installed into a scratch prefix; the installed program runs on the simulated card"
