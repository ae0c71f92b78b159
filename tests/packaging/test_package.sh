#!/usr/bin/env bash
# The Debian package: built with CPack from the build folder into a folder of
# its own, its files and fields looked at, then unpacked and used as
# installed: every program's --version, the manual pages, the icons, the
# desktop entry and the metainfo, and the demo, which must find orvsim beside
# it and keep its profile in $XDG_CACHE_HOME.
# test_package.sh BUILD_DIR VERSION "PROGRAMS" "ICON_SIZES" METAINFO_FILE
set -uo pipefail
build="$1"
version="$2"
read -r -a programs <<<"$3"
read -r -a sizes <<<"$4"
metainfo="$5"

work="$(mktemp -d)"
demo_pid=""
cleanup() {
  if [ -n "$demo_pid" ] && kill -0 "$demo_pid" 2>/dev/null; then
    pkill -TERM -P "$demo_pid" 2>/dev/null  # its simulator
    kill -KILL "$demo_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
finish() {
  if [ $failures -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "package: fine"
  exit 0
}

# ---- build -----------------------------------------------------------------------
if ! (cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log"
  fail "cpack could not build the package"
  finish
fi
arch="$(dpkg --print-architecture)"
deb="$work/out/orvconfig_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
  ls "$work/out"
  fail "no package named $(basename "$deb")"
  finish
fi
echo "built $(basename "$deb"): $(du -k "$deb" | cut -f1) kB"

# ---- fields and files ------------------------------------------------------------
[ "$(dpkg-deb -f "$deb" Package)" = orvconfig ] || fail "package name is not orvconfig"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
depends="$(dpkg-deb -f "$deb" Depends)"
for dep in libc6 libqt6widgets6 fonts-liberation; do
  grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep (shared library dependencies computed?): $depends"
done

dpkg-deb -c "$deb" >"$work/list"
expected=(usr/share/applications/orvconfig.desktop "usr/share/metainfo/$metainfo")
for p in "${programs[@]}"; do
  expected+=("usr/bin/$p" "usr/share/man/man1/$p.1.gz")
done
for s in "${sizes[@]}"; do
  expected+=("usr/share/icons/hicolor/${s}x${s}/apps/orvconfig.png")
done
for f in "${expected[@]}"; do
  grep -q " \./$f\$" "$work/list" || fail "the package lacks /$f"
done
if awk '{print $2}' "$work/list" | grep -v '^root/root$' | grep -q .; then
  fail "files not owned by root: $(awk '$2 != "root/root"' "$work/list" | head -3)"
fi

# ---- unpacked, as installed ---------------------------------------------------------
root="$work/root"
dpkg-deb -x "$deb" "$root"
for p in "${programs[@]}"; do
  out="$("$root/usr/bin/$p" --version 2>&1)"
  [ "$out" = "$p $version" ] || fail "installed $p --version prints '$out', expected '$p $version'"
done

for p in "${programs[@]}"; do
  page="$root/usr/share/man/man1/$p.1.gz"
  [ -f "$page" ] || continue
  gzip -t "$page" || fail "$p.1.gz is not a gzip file"
  zcat "$page" | grep -q "^$p \\\\- " || fail "the manual page of $p has no NAME line '$p \\- ...'"
  zcat "$page" | grep -qF -- '\-\-version' || fail "the manual page of $p lacks the options"
  if command -v man >/dev/null; then
    # The check Debian's own tools make: no formatter warnings.
    warn="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)"
    [ -z "$warn" ] || fail "the manual page of $p gives warnings: $warn"
  fi
done

# Icons: PNG files of the size their folder names.
for s in "${sizes[@]}"; do
  png="$root/usr/share/icons/hicolor/${s}x${s}/apps/orvconfig.png"
  [ -f "$png" ] || continue
  sig="$(od -An -tx1 -N8 "$png" | tr -d ' \n')"
  [ "$sig" = 89504e470d0a1a0a ] || fail "${s}x${s} icon is not a PNG file"
  w=$((16#$(od -An -tx1 -j16 -N4 "$png" | tr -d ' \n')))
  h=$((16#$(od -An -tx1 -j20 -N4 "$png" | tr -d ' \n')))
  [ "$w" = "$s" ] && [ "$h" = "$s" ] || fail "${s}x${s} icon is ${w}x${h}"
done

desktop="$root/usr/share/applications/orvconfig.desktop"
if [ -f "$desktop" ]; then
  exec_prog="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop" | head -1)"
  [ -x "$root/usr/bin/$exec_prog" ] || fail "the desktop entry starts '$exec_prog', which the package lacks"
  grep -q '^Icon=orvconfig$' "$desktop" || fail "the desktop entry does not name the icon orvconfig"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
  else
    echo "note: desktop-file-validate not installed, desktop entry not validated"
  fi
fi
if [ -f "$root/usr/share/metainfo/$metainfo" ]; then
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/$metainfo" ||
      fail "appstreamcli refuses the metainfo"
  else
    echo "note: appstreamcli not installed, metainfo not validated"
  fi
fi

# ---- the demo, as installed -------------------------------------------------------
# orvsim is found beside orvconfig (it is on the PATH too); the profile goes
# to $XDG_CACHE_HOME/orvconfig-demo and nothing is written to the
# configuration home. SIGTERM ends the demo: exit 0, simulator stopped (its
# COM entries removed), setup saved.
mkdir -p "$work/home" "$work/cache" "$work/run"
profile="$work/cache/orvconfig-demo"
cfg="$profile/Tarvik/Orv_Cfg"
(cd "$work/run" && exec env -u ORVSIM -u ORV_DEMO_PROFILE HOME="$work/home" XDG_CACHE_HOME="$work/cache" \
  XDG_CONFIG_HOME="$work/config" PATH="$root/usr/bin:$PATH" QT_QPA_PLATFORM=offscreen \
  orvconfig --demo >"$work/demo.log" 2>&1) &
demo_pid=$!
started=0
for _ in $(seq 1 600); do  # up to 60 s on a loaded machine
  if [ -f "$cfg/orv_init.log" ] && [ -e "$cfg/ports/COM1" ] && [ -e "$cfg/ports/COM3" ]; then
    started=1
    break
  fi
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
if [ $started -eq 1 ]; then
  kill -TERM "$demo_pid"
  wait "$demo_pid"
  rc=$?
  demo_pid=""
  [ $rc -eq 0 ] || fail "the demo ended with status $rc on SIGTERM"
  [ -f "$cfg/OrvConfig.cfg" ] || fail "the demo saved no setup in its profile"
  for _ in $(seq 1 100); do  # the simulator removes its entries as it ends
    [ -e "$cfg/ports/COM1" ] || break
    sleep 0.1
  done
  [ ! -e "$cfg/ports/COM1" ] || fail "the demo's simulator was not stopped"
else
  fail "the installed demo did not come up (profile in $profile):"
  cat "$work/demo.log"
fi
[ ! -e "$work/config" ] || fail "the demo wrote to the configuration home"

finish
