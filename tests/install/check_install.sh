#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build tree into a fresh prefix and checks what a user gets there: the programs, the
# desktop entry, the icon and the metainfo, that they name each other, and that the installed
# programs start.
# usage: check_install.sh BUILD_DIR VERSION EXPECT_CLI(0|1)
set -uo pipefail
build=$1 version=$2 expect_cli=$3
id=org.lumivane.Lumivane

work=$(mktemp -d)
prefix=$work/prefix
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi

programs=(lumivane lumivane-sim)
[ "$expect_cli" = 1 ] && programs+=(lumivane-cli)
for p in "${programs[@]}"; do
  [ -x "$prefix/bin/$p" ] || fail "bin/$p is not installed as a program"
  # A run path into the build tree would make the installed program depend on the build directory.
  if [ -f "$prefix/bin/$p" ] && readelf -d "$prefix/bin/$p" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    fail "bin/$p keeps a run path into the build tree"
  fi
done
# Each program has its manual page, compressed, that names it; the package's copyright and changelog.
for p in "${programs[@]}"; do
  page=$prefix/share/man/man1/$p.1.gz
  if [ -f "$page" ]; then
    zcat "$page" | grep -q "^\.TH ${p^^} 1 " || fail "man1/$p.1.gz is not the manual page of $p"
  else
    fail "share/man/man1/$p.1.gz is not installed"
  fi
done
# The tool's page says its exit statuses once (not again under each command) and carries its JSON
# layouts, its stop rules and examples as sections of their own.
cli_page=$prefix/share/man/man1/lumivane-cli.1.gz
if [ -f "$cli_page" ]; then
  statuses=$(zcat "$cli_page" | grep -c '^Exit statuses:')
  [ "$statuses" = 1 ] || fail "man1/lumivane-cli.1.gz holds the exit statuses $statuses times, not once"
  for section in 'JSON OUTPUT' 'STOPPING' 'EXAMPLES'; do
    zcat "$cli_page" | grep -q "^\.SH $section\$" || fail "man1/lumivane-cli.1.gz has no section $section"
  done
  zcat "$cli_page" | grep -qF '"devicesCompared"' || fail "man1/lumivane-cli.1.gz lacks the JSON of diff"
fi
[ -f "$prefix/share/doc/lumivane/copyright" ] || fail "share/doc/lumivane/copyright is not installed"
zcat "$prefix/share/doc/lumivane/changelog.gz" 2>/dev/null | head -n1 | grep -qF "lumivane ($version)" ||
  fail "share/doc/lumivane/changelog.gz does not start with version $version"
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
for f in "$desktop" "$metainfo" "$prefix/share/icons/hicolor/scalable/apps/$id.svg"; do
  [ -f "$f" ] || fail "${f#"$prefix"/} is not installed"
done

# The desktop entry starts an installed program and shows the installed icon.
if [ -f "$desktop" ]; then
  exec_line=$(sed -n 's/^Exec=//p' "$desktop")
  exec_program=${exec_line%% *}
  [ -n "$exec_program" ] && [ -x "$prefix/bin/$(basename "$exec_program")" ] ||
    fail "desktop Exec '$exec_line' is not an installed program"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  [ -n "$icon" ] && [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "desktop Icon '$icon' is not an installed icon"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
  else
    echo "note: desktop-file-validate not found; the desktop entry was not validated"
  fi
fi
# The metainfo carries the same id and launches the installed desktop entry.
if [ -f "$metainfo" ]; then
  grep -qF "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
  [ -f "$prefix/share/applications/$launchable" ] ||
    fail "metainfo launchable '$launchable' is not an installed desktop entry"
  grep -qF "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
  for p in "${programs[@]}"; do
    grep -qF "<binary>$p</binary>" "$metainfo" || fail "metainfo does not list $p among what it provides"
  done
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
      { cat "$work/appstream.log"; fail "appstreamcli rejects the metainfo"; }
  else
    echo "note: appstreamcli not found; the metainfo was not validated"
  fi
fi

# The installed programs run on their own (no build tree on the path, a private temp dir).
export TMPDIR=$work QT_QPA_PLATFORM=offscreen
cd "$work" || exit 1
out=$("$prefix/bin/lumivane" --version 2>&1)
[ "$out" = "lumivane $version" ] || fail "lumivane --version printed '$out', not 'lumivane $version'"

"$prefix/bin/lumivane-sim" --controller >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
pty=$(head -n1 "$work/sim.out")
[ -c "$pty" ] || fail "lumivane-sim did not serve a terminal (printed '$pty')"

if [ "$expect_cli" = 1 ]; then
  "$prefix/bin/lumivane-cli" --help >"$work/cli.out" 2>&1 || fail "lumivane-cli --help failed"
fi

# The window with its built-in simulator: still running after a few seconds means it found its
# platform plugin and came up.
"$prefix/bin/lumivane" --simulate >"$work/window.out" 2>&1 &
window=$!
pids+=($window)
sleep 3
kill -0 "$window" 2>/dev/null || { cat "$work/window.out"; fail "lumivane --simulate exited early"; }

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "installed layout and programs OK"
