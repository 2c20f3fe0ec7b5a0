#!/usr/bin/env bash
# Installs the Debian packages of scripts/debian-packages.txt that are not installed yet.
#   install-deps.sh run        what make run needs: the two programs built and started
#   install-deps.sh package    and what make package needs
#   install-deps.sh [test]     and what the tests need (everything)
#   install-deps.sh --list LEVEL   prints the packages of LEVEL, installs nothing
# Runs as root, or through sudo; does nothing when everything is there. A system service that
# comes with a package (snmpd's) is left disabled and stopped: the tests start their own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
list_only=0
if [ "${1:-}" = "--list" ]; then
    list_only=1
    shift
fi
level=${1:-test}
case "$level" in
run) sections="run" ;;
package) sections="run package" ;;
test) sections="run package test" ;;
*)
    echo "usage: install-deps.sh [--list] [run|package|test]" >&2
    exit 2
    ;;
esac
mapfile -t wanted < <(awk -v sections=" $sections " '
    { sub(/#.*/, ""); gsub(/[[:space:]]/, "") }
    /^\[[a-z]+\]$/ { section = substr($0, 2, length($0) - 2); next }
    $0 != "" && index(sections, " " (section == "" ? "run" : section) " ") { print }
' "$here/debian-packages.txt")
if [ $list_only -eq 1 ]; then
    printf '%s\n' "${wanted[@]}"
    exit 0
fi

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$pkg")
done
# The window is checked and pictured under the locale of its users.
locale_missing=0
if [ "$level" = test ]; then
    locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8' || locale_missing=1
fi
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
    # No service starts during the installation (policy-rc.d), unless the machine has a policy
    # of its own already.
    policy=/usr/sbin/policy-rc.d
    own_policy=0
    if [ ! -e $policy ]; then
        printf '#!/bin/sh\nexit 101\n' | "${sudo[@]}" tee $policy >/dev/null
        "${sudo[@]}" chmod 755 $policy
        own_policy=1
        trap '"${sudo[@]}" rm -f $policy' EXIT
    fi
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq "${missing[@]}" </dev/null
    if [ $own_policy -eq 1 ]; then
        "${sudo[@]}" rm -f $policy
        trap - EXIT
    fi
    # ... and none is left enabled for the next boot either.
    services=()
    for pkg in "${missing[@]}"; do
        while read -r unit; do
            services+=("${unit##*/}")
        done < <(dpkg-query -L "$pkg" 2>/dev/null | grep -E '^(/usr)?/lib/systemd/system/[^/@]+\.service$' || true)
    done
    if [ ${#services[@]} -gt 0 ] && command -v systemctl >/dev/null 2>&1; then
        echo "Disabling the system services ${services[*]}"
        if [ -d /run/systemd/system ]; then
            "${sudo[@]}" systemctl disable --now --quiet "${services[@]}"
        else
            "${sudo[@]}" systemctl disable --quiet "${services[@]}"
        fi
    fi
fi
if [ $locale_missing -eq 1 ]; then
    echo "Generating the locale ja_JP.UTF-8"
    "${sudo[@]}" sed -i -e 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo[@]}" locale-gen >/dev/null
fi
