#!/bin/sh
# Makes the Debian package from a built tree into a temporary folder and checks it as a packager would: the
# files it installs, /usr/bin/tallowin a link to the program, stripped programs, the dependencies found by
# dpkg-shlibdeps, a valid menu entry and AppStream metainfo, and no lintian errors.
#   check-package.sh BUILD_TREE
set -eu
tree=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

cpack --config "$tree/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/tallowin_*.deb)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

dpkg-deb --contents "$deb" >"$work/contents"
for path in /usr/lib/tallowin/tallowin /usr/lib/tallowin/tallowin.html /usr/lib/tallowin/Intro1.wav \
            /usr/lib/tallowin/Intro5.wav /usr/bin/tallowin-sound /usr/bin/tallowin-audio \
            /usr/share/applications/org.orrindale.tallowin.desktop /usr/share/metainfo/org.orrindale.tallowin.metainfo.xml \
            /usr/share/icons/hicolor/scalable/apps/tallowin.svg /usr/share/icons/hicolor/48x48/apps/tallowin.png \
            /usr/share/icons/hicolor/256x256/apps/tallowin.png /usr/share/man/man1/tallowin.1.gz \
            /usr/share/man/man1/tallowin-sound.1.gz /usr/share/man/man1/tallowin-audio.1.gz \
            /usr/share/doc/tallowin/copyright /usr/share/doc/tallowin/changelog.gz \
            /usr/lib/udev/rules.d/70-tallowin-dictation-controls.rules; do
    grep -q " \.$path\$" "$work/contents" || fail "$path is missing"
done
grep -q ' \./usr/bin/tallowin -> \.\./lib/tallowin/tallowin$' "$work/contents" || fail "/usr/bin/tallowin is no link"
if grep -Eq 'setup|uninst' "$work/contents"; then fail "the installer or uninstaller is in the package"; fi

depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libqt6widgets6 qt6-qpa-plugins libpulse0 libcurl4; do
    echo "$depends" | grep -q "$package" || fail "Depends lacks $package: $depends"
done

dpkg-deb -x "$deb" "$work/root"
for program in lib/tallowin/tallowin bin/tallowin-sound bin/tallowin-audio; do
    file -L "$work/root/usr/$program" | grep -q ', stripped' || fail "$program is not stripped"
done
desktop-file-validate "$work/root/usr/share/applications/org.orrindale.tallowin.desktop"
appstreamcli validate --no-net --pedantic "$work/root/usr/share/metainfo/org.orrindale.tallowin.metainfo.xml"

lintian --fail-on error --display-level '>=warning' "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian"; fail "lintian found errors"; }
cat "$work/lintian"
echo "package checked"
