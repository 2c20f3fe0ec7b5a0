#!/usr/bin/env bash
# Installs the Debian packages of scripts/debian-packages.txt that are not installed yet.
# Runs as root, or through sudo; does nothing when everything is there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/debian-packages.txt" | grep -v '^$')

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$pkg")
done
# The window is checked and pictured under the locale of its users.
locale_missing=0
locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8' || locale_missing=1
[ ${#missing[@]} -eq 0 ] && [ $locale_missing -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "Set-up needs root or sudo: missing packages: ${missing[*]:-none}; ja_JP.UTF-8 generated: $((1 - locale_missing))" >&2
    exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq "${missing[@]}" </dev/null
fi
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
    echo "Generating the locale ja_JP.UTF-8"
    "${sudo[@]}" sed -i -e 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo[@]}" locale-gen >/dev/null
fi
