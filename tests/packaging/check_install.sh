#!/usr/bin/env bash
# What `cmake --install` puts under a prefix, or the Debian package under /usr: the two
# programs, the desktop entry, the icon and the manual pages, each usable from there.
#   check_install.sh BUILD_DIR SOURCE_DIR          (cmake --install into a temporary prefix)
#   check_install.sh PACKAGE.deb SOURCE_DIR        (the package unpacked, and its Depends)
set -euo pipefail
what=$1
source=$2
work=$(mktemp -d /tmp/sorpex-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if [ -d "$what" ]; then
    prefix=$work
    cmake --install "$what" --prefix "$prefix" >/dev/null
else
    prefix=$work/usr
    dpkg-deb -x "$what" "$work"
    depends=$(dpkg-deb -f "$what" Depends)
    # What dpkg-shlibdeps finds, and what the window needs at run time beside it.
    for needed in libsnmp libqt6widgets6 libqt6charts6 libssl3 libx11-6 qt6-translations-l10n fonts-ipafont-gothic; do
        [[ "$depends" == *"$needed"* ]] || fail "the package does not depend on $needed: $depends"
    done
fi
installed=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort)
expected="bin/sorpex
bin/zuvfntc
share/applications/sorpex.desktop
share/icons/hicolor/scalable/apps/sorpex.svg
share/man/man1/sorpex.1.gz
share/man/man1/zuvfntc.1.gz"
[ "$installed" = "$expected" ] || fail "installed files:"$'\n'"$installed"

[ "$("$prefix/bin/sorpex" --version)" = "SORPEX Version 2.0" ] || fail "bin/sorpex --version"
code=0
"$prefix/bin/zuvfntc" >/dev/null 2>&1 </dev/null || code=$?
[ "$code" -eq 1 ] || fail "bin/zuvfntc without arguments ended with $code, not 1 (usage)"

# The menu entry: valid, without so much as a hint, and starting the program in its own folder.
entry=$prefix/share/applications/sorpex.desktop
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
grep -qx 'Exec=sorpex --from-menu' "$entry" || fail "the menu entry does not start sorpex --from-menu"
grep -qx 'Icon=sorpex' "$entry" || fail "the menu entry does not name the sorpex icon"
cmp -s "$source/packaging/sorpex.svg" "$prefix/share/icons/hicolor/scalable/apps/sorpex.svg" ||
    fail "the installed icon is not the program's"

# The manual pages: found by name and rendered without a single groff warning.
for page in sorpex zuvfntc; do
    found=$(MANPATH=$prefix/share/man man -w "$page") || fail "man -w $page"
    [ "$found" = "$prefix/share/man/man1/$page.1.gz" ] || fail "man $page finds $found"
    for width in 80 60; do
        warnings=$(MANWIDTH=$width man --warnings -l "$found" 2>&1 >/dev/null) || fail "man $page: $warnings"
        [ -z "$warnings" ] || fail "man $page at width $width:"$'\n'"$warnings"
    done
done
echo "checked: $what"
