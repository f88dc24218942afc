#!/usr/bin/env bash
# The Debian package as a distribution would check it: lintian without an
# error or a warning, AppStream metadata that appstreamcli accepts, a manual
# page that man renders without a warning, and the package's own files.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
for tool in cpack lintian appstreamcli dpkg-deb man; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash tools/install-deps.sh installs it)"
done
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1 || fail "cpack failed: $(cat "$work/cpack.log")"
deb=$(find "$work/deb" -maxdepth 1 -name 'vpcounter_*.deb' | head -n 1)
[ -n "$deb" ] || fail "no package was made"

dpkg-deb -c "$deb" >"$work/contents"
for f in usr/bin/vpcounter usr/share/doc/vpcounter/copyright usr/share/doc/vpcounter/changelog.gz \
         usr/share/man/man1/vpcounter.1.gz usr/share/metainfo/jp.nivre.vpcounter.metainfo.xml \
         usr/share/applications/vpcounter.desktop vpcounter/libogog.so vpcounter/libvpaudio_sdl.so; do
  grep -q "$f\$" "$work/contents" || fail "the package lacks $f"
done
# Read whole before grep -q, which stops at the first match: with pipefail
# the writer's SIGPIPE would fail the check.
dpkg-deb -f "$deb" Depends Description >"$work/control"
grep -q qt6-wayland "$work/control" || fail "qt6-wayland is no dependency"

# Every tag lintian shows, informational ones too, is in the log on failure.
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"

mkdir -p "$work/root"
dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net --explain "$work/root/usr/share/metainfo/jp.nivre.vpcounter.metainfo.xml" \
  >"$work/appstream.log" 2>&1 || fail "appstreamcli: $(cat "$work/appstream.log")"
grep -q "<update_contact>[^<]*@[^<]*</update_contact>" "$work/root/usr/share/metainfo/jp.nivre.vpcounter.metainfo.xml" ||
  fail "the AppStream metadata names no update contact"
grep -q "keeps each user's start-up history" "$work/control" ||
  fail "the package does not say that removing it keeps the player's history"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/root/usr/share/man/man1/vpcounter.1.gz" >"$work/man.txt" 2>"$work/man.err" ||
  fail "man failed: $(cat "$work/man.err")"
[ ! -s "$work/man.err" ] || fail "the manual page has warnings: $(cat "$work/man.err")"
grep -q "counter mode" "$work/man.txt" || fail "the manual page says nothing"
echo "package end to end: ok"
