#!/bin/bash
# Installs the Debian package on a fresh Debian 12 and uses it as a new user would, from the command line:
#   tools/.../fresh-debian --shared DIR -- bash tests/install/on-fresh-debian.sh   (DIR holds tallowin_*.deb)
# The package is taken from ../shared beside the clone, where fresh-debian copies DIR.
set -eu
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq ../shared/tallowin_*.deb >/tmp/apt.log 2>&1 || { tail -30 /tmp/apt.log; exit 1; }
echo "installed: $(dpkg-query -W -f='${Package} ${Version}' tallowin), $(grep -c '^Setting up' /tmp/apt.log) packages set up"
tallowin-sound formats | head -3
tallowin-sound tone /tmp/tone.wav --seconds 1 && tallowin-sound info /tmp/tone.wav | head -2
tallowin-audio --help | head -1
ls /usr/share/man/man1/tallowin.1.gz /usr/share/man/man1/tallowin-sound.1.gz /usr/share/man/man1/tallowin-audio.1.gz
# The program run by root, who may write to /usr: its data still goes to the XDG data folder.
QT_QPA_PLATFORM=offscreen timeout 8 tallowin >/tmp/tallowin.log 2>&1 || [ $? = 124 ] || { cat /tmp/tallowin.log; exit 1; }
echo "program folder: $(ls -A /usr/lib/tallowin | tr '\n' ' ')"
echo "data folder: $(ls -A ~/.local/share/Orrindale/Tallowin 2>&1 | tr '\n' ' ')"
test -d ~/.local/share/Orrindale/Tallowin/"Current Files" && test ! -e /usr/lib/tallowin/"Current Files"
echo "fresh Debian check passed"
