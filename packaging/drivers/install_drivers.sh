#!/bin/sh
# Installs Velmora's device access rules and has udev apply them. Velmora runs it as root through
# pkexec from the folder it was unpacked into.
#
#   install_drivers.sh            into /etc/udev/rules.d, then reload udev and re-trigger the ports
#   install_drivers.sh FOLDER     only copy the rules into FOLDER (staging; udev is not told)
set -eu

here=$(cd "$(dirname "$0")" && pwd)
rules=70-velmora.rules
target=${1:-/etc/udev/rules.d}

if [ ! -f "$here/$rules" ]; then
  echo "install_drivers.sh: $rules is missing beside the script" >&2
  exit 2
fi

mkdir -p "$target"
# Replace in one step: udev never reads a half-written file.
tmp="$target/.$rules.new"
cp "$here/$rules" "$tmp"
chmod 0644 "$tmp"
mv -f "$tmp" "$target/$rules"

if [ $# -eq 0 ]; then
  udevadm control --reload
  udevadm trigger --subsystem-match=tty --action=change
fi
