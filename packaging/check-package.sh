#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks it as a user installing it
# would meet it: valid desktop entry and metainfo, every file present, the installed
# programs report the project's version, the installed window starts.
#   packaging/check-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
app_id=io.github.nodeweave.Nodeweave
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt"; exit 1; }

rm -f "$build"/nodeweave_*.deb
cmake --build "$build" --target package >"$build/cpack.log" 2>&1 || { tail -n 30 "$build/cpack.log"; exit 1; }
debs=("$build"/nodeweave_"$version"_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "no package nodeweave_${version}_*.deb in $build"; exit 1; }

fail=0
bad() { echo "package check: $*"; fail=1; }

echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
[ "$(dpkg-deb -f "$deb" Package)" = nodeweave ] || bad "package name is not nodeweave"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || bad "package version is not $version"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || bad "Depends does not name Qt"
echo "Recommends: $(dpkg-deb -f "$deb" Recommends)"
# The interface starts in Chinese: a CJK font and Qt's own Chinese texts come with it.
for p in fonts-wqy-microhei qt6-translations-l10n; do
    dpkg-deb -f "$deb" Recommends | grep -q "$p" || bad "Recommends does not name $p"
done
dpkg-deb -f "$deb" Maintainer | grep -qv 'example' || bad "the maintainer is a placeholder"

listing=$(dpkg-deb -c "$deb")
for f in usr/bin/nodeweave usr/bin/nodeweave-modsim usr/bin/nodeweave-cli \
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    usr/share/icons/hicolor/{32x32,48x48,64x64,128x128,256x256}/apps/"$app_id.png" \
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    usr/share/man/man1/nodeweave.1.gz usr/share/man/man1/nodeweave-modsim.1.gz \
    usr/share/man/man1/nodeweave-cli.1.gz \
    usr/share/doc/nodeweave/{copyright,changelog.gz,README.md}; do
    grep -q " \./$f\$" <<<"$listing" || bad "missing from the package: /$f"
done

# Debian's own rules for a package: no error and no warning.
echo "lintian:"
lint=$(lintian --no-cfg --fail-on none "$deb" 2>&1) || bad "lintian did not run"
[ -n "$lint" ] && echo "$lint"
grep -q '^[EW]: ' <<<"$lint" && bad "lintian reports errors or warnings"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

echo "desktop-file-validate:"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || bad "desktop entry invalid"
echo "appstreamcli validate --no-net:"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    bad "metainfo invalid"

for bin in nodeweave nodeweave-modsim nodeweave-cli; do
    file "$root/usr/bin/$bin" | grep -q ', stripped' || bad "$bin is not stripped"
    # No display at all: --version must not need one.
    got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$bin" --version) ||
        bad "$bin --version failed"
    [ "$got" = "$bin $version" ] || bad "$bin --version printed '$got', not '$bin $version'"
done

# The installed program starts offscreen, shows its window and keeps running (timeout
# answers 124); it runs in an empty folder, as a program started from the menu would.
run=$(mktemp -d -p "$root")
set +e
(cd "$run" && HOME="$run" XDG_CONFIG_HOME="$run/config" QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='nodeweave.start.info=true' \
    timeout -s TERM 3 "$root/usr/bin/nodeweave" 2>"$run/stderr")
rc=$?
set -e
[ "$rc" -eq 124 ] || bad "installed nodeweave ended with status $rc"
grep -q 'window shown' "$run/stderr" || bad "installed nodeweave did not show its window"

[ "$fail" -eq 0 ] && echo "package check: passed"
exit "$fail"
