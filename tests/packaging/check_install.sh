#!/usr/bin/env bash
# What `cmake --install` puts under a prefix, or the Debian package under /usr: the two
# programs, the desktop entry, the icons, the metainfo, the manual pages and their examples,
# each usable from there; the package also passes lintian.
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
sizes="16 24 32 48 64 128 256"
expected=$(
    printf '%s\n' bin/sorpex bin/zuvfntc share/applications/sorpex.desktop \
        share/doc/sorpex/changelog.Debian.gz share/doc/sorpex/copyright share/lintian/overrides/sorpex \
        share/icons/hicolor/scalable/apps/sorpex.svg share/man/man1/sorpex.1.gz share/man/man1/zuvfntc.1.gz \
        share/metainfo/org.sorpex.sorpex.metainfo.xml
    for size in $sizes; do echo "share/icons/hicolor/${size}x$size/apps/sorpex.png"; done
)
expected=$(sort <<<"$expected")
[ "$installed" = "$expected" ] || fail "installed files:"$'\n'"$installed"
for size in $sizes; do
    file -b "$prefix/share/icons/hicolor/${size}x$size/apps/sorpex.png" | grep -q "PNG image data, $size x $size," ||
        fail "the ${size}x$size icon is no PNG of that size"
done

# The version is the changelog's, wherever it shows.
version=$(zcat "$prefix/share/doc/sorpex/changelog.Debian.gz" | sed -n '1s/^sorpex (\(.*\)) .*/\1/p')
[ -z "${depends+set}" ] || [ "$(dpkg-deb -f "$what" Version)" = "$version" ] || fail "package version is not $version"
[ "$("$prefix/bin/sorpex" --version)" = "SORPEX Version ${version%-*}" ] || fail "bin/sorpex --version"

# The command line: texts that cannot be written, unknown options, no display, each with its
# code and at most one line.
program_says() { # EXPECTED-CODE WHAT ARGS...: runs the program; its stderr in $said
    local wanted=$1 what=$2 code=0
    shift 2
    said=$(timeout 20 "$@" 2>&1 >/dev/null) || code=$?
    [ "$code" -eq "$wanted" ] || fail "$what: exit code $code, not $wanted: $said"
    [ "$(wc -l <<<"$said")" -eq 1 ] || fail "$what: not one line: $said"
}
for option in --help --version; do
    code=0
    "$prefix/bin/sorpex" $option >/dev/full 2>/dev/null || code=$?
    [ "$code" -ne 0 ] || fail "sorpex $option >/dev/full ended with 0"
done
program_says 2 "an unknown option" "$prefix/bin/sorpex" --frobnicate
[[ "$said" == *"--frobnicate"*"sorpex --help"* ]] || fail "an unknown option: $said"
[ -e /tmp/.X11-unix/X4715 ] && fail "a display :4715 exists; the check needs one that does not"
for display in "" :4715; do
    program_says 9 "no display '$display'" env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" \
        "$prefix/bin/sorpex"
    [[ "$said" == *"xvfb-run -a"* ]] || fail "no display '$display': no hint to Xvfb: $said"
done
code=0
"$prefix/bin/zuvfntc" >/dev/null 2>&1 </dev/null || code=$?
[ "$code" -eq 1 ] || fail "bin/zuvfntc without arguments ended with $code, not 1 (usage)"

# The menu entry: valid, without so much as a hint, and starting the program in its own folder.
entry=$prefix/share/applications/sorpex.desktop
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
grep -qx 'Exec=sorpex --from-menu %f' "$entry" || fail "the menu entry does not start sorpex --from-menu %f"
# A file manager offers SORPEX for a CSV file, without SORPEX becoming its default program.
grep -qx 'MimeType=text/csv;' "$entry" || fail "the menu entry does not take CSV files"
grep -qx 'Icon=sorpex' "$entry" || fail "the menu entry does not name the sorpex icon"
cmp -s "$source/packaging/sorpex.svg" "$prefix/share/icons/hicolor/scalable/apps/sorpex.svg" ||
    fail "the installed icon is not the program's"

# Software centres: the metainfo is valid, and its screenshot is one of docs/.
metainfo=$prefix/share/metainfo/org.sorpex.sorpex.metainfo.xml
report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $report"
screenshot=$(sed -n 's|.*<image>.*/\(docs/[^<]*\)</image>.*|\1|p' "$metainfo")
[ -n "$screenshot" ] && [ -f "$source/$screenshot" ] || fail "the metainfo's screenshot is none of docs/: $screenshot"

# The manual pages: found by name, rendered without a single groff or mandoc warning, and no
# word (no path) broken by a hyphen.
for page in sorpex zuvfntc; do
    found=$(MANPATH=$prefix/share/man man -w "$page") || fail "man -w $page"
    [ "$found" = "$prefix/share/man/man1/$page.1.gz" ] || fail "man $page finds $found"
    for width in 80 60; do
        warnings=$(MANWIDTH=$width man --warnings -l "$found" 2>&1 >/dev/null) || fail "man $page: $warnings"
        [ -z "$warnings" ] || fail "man $page at width $width:"$'\n'"$warnings"
        broken=$(MANWIDTH=$width man -l "$found" 2>/dev/null | grep -E '[[:alpha:]]‐$' || true)
        [ -z "$broken" ] || fail "man $page at width $width hyphenates:"$'\n'"$broken"
    done
    warnings=$(zcat "$found" | mandoc -T lint -W warning 2>&1) || fail "mandoc -T lint $page: $warnings"
    [ -z "$warnings" ] || fail "mandoc -T lint $page:"$'\n'"$warnings"
done

# The cron line and the systemd units are the same in the README and the manual page, and
# systemd takes both units.
/usr/bin/python3 - "$source/README.md" "$prefix/share/man/man1/sorpex.1.gz" "$work" <<'PYTHON' ||
import gzip, re, sys
readme, manual, work = sys.argv[1:]

def readme_blocks(text):
    blocks, block = [], None
    for line in text.split("\n") + ["end"]:
        if line.startswith("    "):
            block = (block or []) + [line[4:]]
        elif line == "" and block is not None:
            block.append("")
        elif block is not None:
            blocks.append("\n".join(block).strip("\n"))
            block = None
    return blocks

def manual_blocks(text):
    blocks = re.findall(r"^\.EX\n(.*?)^\.EE$", text, re.S | re.M)
    return [b.replace("\\-", "-").replace("\\(aq", "'").strip("\n") for b in blocks]

def examples(blocks):
    found = {}
    for block in blocks:
        if block.startswith("30 7 1 * *"):
            found["cron"] = block
        elif block.startswith("[Unit]") and "[Service]" in block:
            found["sorpex-report.service"] = block
        elif block.startswith("[Unit]") and "[Timer]" in block:
            found["sorpex-report.timer"] = block
    return found

ours = examples(readme_blocks(open(readme, encoding="utf-8").read()))
theirs = examples(manual_blocks(gzip.open(manual, "rt", encoding="utf-8").read()))
for name in ("cron", "sorpex-report.service", "sorpex-report.timer"):
    if ours.get(name) is None or ours.get(name) != theirs.get(name):
        sys.exit(f"the README and the manual page differ in the {name} example:\n{ours.get(name)}\n--\n{theirs.get(name)}")
    with open(f"{work}/{name}", "w") as unit:
        unit.write(theirs[name] + "\n")
PYTHON
    fail "the examples"
sed -i "s|/usr/bin/sorpex|$prefix/bin/sorpex|" "$work/sorpex-report.service"
report=$(systemd-analyze verify "$work/sorpex-report.service" "$work/sorpex-report.timer" 2>&1) ||
    fail "systemd-analyze verify: $report"
[ -z "$report" ] || fail "systemd-analyze verify: $report"

# The package as Debian's own checks see it: no error, no warning, no missing hardening.
if [ -n "${depends+set}" ]; then
    tags=$(lintian --info "$what" 2>&1 | grep -E '^(E|W): |hardening' || true)
    [ -z "$tags" ] || fail "lintian:"$'\n'"$tags"
fi
echo "checked: $what"
