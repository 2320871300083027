#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its fields and contents with dpkg-deb, installs
# it into a scratch root with `dpkg --root` and lists it with `dpkg -L`; the installed program
# answers --version there.
#
#   check_package.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" > "$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; fail "cpack"; }
debs=("$scratch"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}

[ "$(dpkg-deb -f "$deb" Package)" = orvane-manager ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# What the programs link, as dpkg-shlibdeps found it (each with its version).
IFS=',' read -ra entries <<< "$depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 libsndfile1 libasound2; do
    found=0
    for entry in "${entries[@]}"; do
        [[ "${entry# }" == "$lib (>= "* ]] && found=1
    done
    [ $found = 1 ] || fail "Depends lacks $lib"
done

root="$scratch/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The scratch root has none of the libraries, so their absence is forgiven there.
dpkg --root="$root" --log="$scratch/dpkg.log" --force-depends --force-not-root -i "$deb" \
    > "$scratch/dpkg-i.log" 2>&1 || { cat "$scratch/dpkg-i.log"; fail "dpkg -i"; }
list=$(dpkg --root="$root" -L orvane-manager)
expect=(/usr/bin/orvane-manager /usr/bin/orvane-simcard /usr/libexec/orvane-manager/rundll
    /usr/share/applications/orvane-manager.desktop
    /usr/share/icons/hicolor/scalable/apps/orvane-manager.svg
    /usr/share/doc/orvane-manager/examples/four-cards.desc)
for size in 16 22 24 32 48 64 128 256; do
    expect+=("/usr/share/icons/hicolor/${size}x${size}/apps/orvane-manager.png")
done
for f in "${expect[@]}"; do
    grep -qx "$f" <<< "$list" || fail "dpkg -L does not list $f"
    [ -e "$root$f" ] || fail "$f is listed but not installed"
done
desktop-file-validate "$root/usr/share/applications/orvane-manager.desktop" || fail "desktop file"
version=$("$root/usr/bin/orvane-manager" --version)
[ "$version" = "Orvane Manager $(dpkg-deb -f "$deb" Version | sed 's/-[^-]*$//')" ] ||
    fail "the installed program says '$version'"
echo "package $(basename "$deb") installs into a scratch root; dpkg -L lists ${#expect[@]} checked files"
