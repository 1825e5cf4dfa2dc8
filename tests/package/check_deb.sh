#!/usr/bin/env bash
# Makes the Debian packages with CPack, unpacks them into a scratch root and
# checks that every file is where the install rules put it, that the control
# data names the dependencies, and that the unit, the menu entry and the man
# pages pass their own checkers where these are installed, lintian finds no
# error and the AppStream metainfo validates. Nothing is
# installed on this machine and no service is started.
#
# check_deb.sh CPACK CPACK_CONFIG PREFIX BINDIR SYSCONFDIR UNITDIR DATADIR MANDIR HAS_UI HAS_BUILD_TOOL LIBDIR
set -euo pipefail

cpack=$1 config=$2 prefix=$3 bindir=$4 sysconfdir=$5 unitdir=$6 datadir=$7 mandir=$8
has_ui=$9 has_build_tool=${10} libdir=${11}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tessellux-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

"$cpack" --config "$config" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || {
  cat "$scratch/cpack.log" >&2
  echo "FAIL: cpack" >&2
  exit 1
}

tools_deb=$(ls "$scratch"/out/create-tessellux_*.deb 2>/dev/null || true)
codegen_deb=$(ls "$scratch"/out/tessellux-codegen_*.deb 2>/dev/null || true)
[ -n "$tools_deb" ] || { ls "$scratch/out" >&2; echo "FAIL: no create-tessellux package" >&2; exit 1; }
[ -n "$codegen_deb" ] || { ls "$scratch/out" >&2; echo "FAIL: no tessellux-codegen package" >&2; exit 1; }

root=$scratch/root
for deb in "$tools_deb" "$codegen_deb"; do
  dpkg-deb -x "$deb" "$root"
  dpkg-deb -c "$deb" >"$deb.list"
done

# --- files -------------------------------------------------------------------
unitpath=$unitdir
case $unitpath in /*) ;; *) unitpath=$prefix/$unitpath ;; esac
expect_file() {  # expect_file PACKAGE PATH [executable]
  local deb=$1 path=$2
  [ -f "$root$path" ] || { fail "$path missing"; return; }
  [ "${3:-}" != executable ] || [ -x "$root$path" ] || fail "$path not executable"
  grep -q " \.$path\$" "$deb.list" || fail "$path not in $(basename "$deb")"
}
expect_file "$codegen_deb" "$bindir/tessellux-codegen" executable
expect_file "$codegen_deb" "$unitpath/tessellux-codegen.service"
expect_file "$codegen_deb" "$sysconfdir/tessellux-codegen.conf"
expect_file "$codegen_deb" "$mandir/man1/tessellux-codegen.1.gz"
for package in tessellux-codegen create-tessellux; do
  deb=$codegen_deb
  [ "$package" = create-tessellux ] && deb=$tools_deb
  expect_file "$deb" "$datadir/doc/$package/copyright"
  expect_file "$deb" "$datadir/doc/$package/changelog.Debian.gz"
  # Machine-readable (DEP-5), and the changelog names the package's version.
  head -1 "$root$datadir/doc/$package/copyright" |
    grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ||
    fail "$package: copyright is not in the machine-readable format"
  version=$(dpkg-deb -f "$deb" Version)
  zcat "$root$datadir/doc/$package/changelog.Debian.gz" | head -1 | grep -qF "($version)" ||
    fail "$package: changelog.Debian.gz does not begin with version $version"
done
expect_file "$tools_deb" "$bindir/tessellux-read" executable
expect_file "$tools_deb" "$mandir/man1/tessellux-read.1.gz"
# Pictures of paper: the module tessellux-read loads from here.
expect_file "$tools_deb" "$libdir/tessellux/tessellux-read-paper.so"
if [ "$has_ui" = 1 ]; then
  expect_file "$tools_deb" "$bindir/create-tessellux" executable
  expect_file "$tools_deb" "$datadir/applications/create-tessellux.desktop"
  expect_file "$tools_deb" "$datadir/icons/hicolor/scalable/apps/create-tessellux.svg"
  expect_file "$tools_deb" "$mandir/man1/create-tessellux.1.gz"
  expect_file "$tools_deb" "$datadir/metainfo/invalid.tessellux.CreateTessellux.metainfo.xml"
fi
if [ "$has_build_tool" = 1 ]; then
  expect_file "$tools_deb" "$bindir/tessellux-build" executable
  expect_file "$tools_deb" "$mandir/man1/tessellux-build.1.gz"
  # The printed page's module, where tessellux-build looks for it.
  if [ "$has_ui" = 1 ]; then expect_file "$tools_deb" "$libdir/tessellux/tessellux-build-pdf.so"; fi
fi
# The service's files belong to its own package only.
grep -v "/doc/create-tessellux/" "$tools_deb.list" | grep -q "tessellux-codegen" &&
  fail "create-tessellux carries Code Generator files"

# The unit runs the packaged program with the packaged config file.
unit=$root$unitpath/tessellux-codegen.service
grep -qx "ExecStart=$bindir/tessellux-codegen --config $sysconfdir/tessellux-codegen.conf" "$unit" ||
  fail "unit's ExecStart: $(grep ExecStart= "$unit")"
grep -qx "DynamicUser=yes" "$unit" || fail "unit does not run as a dynamic user"
"$root$bindir/tessellux-codegen" --config "$root$sysconfdir/tessellux-codegen.conf" >"$scratch/conf.out" 2>&1 &&
  fail "the shipped config started a service without a company name"
grep -q "company=NAME" "$scratch/conf.out" || fail "shipped config: $(cat "$scratch/conf.out")"

# --- control data ------------------------------------------------------------
# Every shared library a program needs comes from a package its package
# depends on, and the libraries this system is built on are among them.
declare -A owner_of  # library file name -> package
find_owners() {  # find_owners PROGRAM...: one dpkg -S for every library they need
  local program lib path real candidates=() line file
  for program in "$@"; do
    for lib in $(objdump -p "$root$bindir/$program" | awk '/NEEDED/ { print $2 }'); do
      path=$(ldconfig -p | awk -v lib="$lib" '$1 == lib && !found { print $NF; found = 1 }')
      [ -n "$path" ] || continue
      real=$(readlink -f "$path")
      # dpkg knows a file by one of its /lib and /usr/lib names.
      candidates+=("$path" "/usr$path" "$real" "${real#/usr}")
    done
  done
  while IFS= read -r line; do
    file=${line##*/}
    owner_of[$file]=${line%%:*}
  done < <(dpkg -S "${candidates[@]}" 2>/dev/null || true)
}
depends_on_libraries() {  # depends_on_libraries DEB PROGRAM...
  local deb=$1 depends program lib real package
  shift
  # One package name a line, alternatives included, without versions.
  depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/[ :].*//')
  for program in "$@"; do
    for lib in $(objdump -p "$root$bindir/$program" | awk '/NEEDED/ { print $2 }'); do
      real=$(readlink -f "$(ldconfig -p | awk -v lib="$lib" '$1 == lib && !found { print $NF; found = 1 }')")
      package=${owner_of[$lib]:-${owner_of[${real##*/}]:-}}
      [ -n "$package" ] || { fail "$program: $lib comes from no package"; continue; }
      grep -qxF "$package" <<<"$depends" || fail "$(basename "$deb") does not depend on $package ($lib)"
    done
  done
}
tools=(tessellux-read)
[ "$has_ui" = 1 ] && tools+=(create-tessellux)
[ "$has_build_tool" = 1 ] && tools+=(tessellux-build)
find_owners tessellux-codegen "${tools[@]}"
depends_on_libraries "$codegen_deb" tessellux-codegen
grep -q "libsodium23" <<<"$(dpkg-deb -f "$codegen_deb" Depends)" || fail "tessellux-codegen without libsodium23"
depends_on_libraries "$tools_deb" "${tools[@]}"
if [ "$has_ui" = 1 ]; then
  grep -q "libqt6widgets6" <<<"$(dpkg-deb -f "$tools_deb" Depends)" || fail "create-tessellux without Qt 6 Widgets"
fi
dpkg-deb -I "$tools_deb" >/dev/null || fail "dpkg-deb -I create-tessellux"
dpkg-deb -e "$codegen_deb" "$scratch/control"
grep -qx "$sysconfdir/tessellux-codegen.conf" "$scratch/control/conffiles" || fail "config file is not a conffile"
for script in postinst prerm postrm; do
  [ -x "$scratch/control/$script" ] || fail "no executable $script"
  sh -n "$scratch/control/$script" || fail "$script: syntax"
done
grep -q "init-system-helpers" <<<"$(dpkg-deb -f "$codegen_deb" Depends)" ||
  fail "tessellux-codegen's scripts use deb-systemd-helper without depending on init-system-helpers"

# --- checkers, where installed ------------------------------------------------
if command -v systemd-analyze >/dev/null; then
  # Verified against the unpacked root, so ExecStart names the unpacked program.
  mkdir -p "$scratch/units"
  sed "s|^ExecStart=|ExecStart=$root|" "$unit" >"$scratch/units/tessellux-codegen.service"
  if ! SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no "$scratch/units/tessellux-codegen.service" \
      >"$scratch/verify.log" 2>&1 || [ -s "$scratch/verify.log" ]; then
    cat "$scratch/verify.log" >&2
    fail "systemd-analyze verify"
  fi
  # The hardening keeps the exposure score at "OK" (2.0 or less, in tenths here).
  if [[ $(systemd-analyze security --help 2>&1) == *--offline* ]]; then
    systemd-analyze security --offline=yes --threshold=20 "$scratch/units/tessellux-codegen.service" \
      >"$scratch/security.log" 2>&1 || { cat "$scratch/security.log" >&2; fail "systemd-analyze security"; }
  fi
else
  echo "SKIP: systemd-analyze not installed"
fi
if [ "$has_ui" = 1 ]; then
  if command -v desktop-file-validate >/dev/null; then
    # Hints count too: the entry should need none.
    notes=$(desktop-file-validate "$root$datadir/applications/create-tessellux.desktop" 2>&1) && [ -z "$notes" ] ||
      fail "desktop-file-validate: $notes"
  else
    echo "SKIP: desktop-file-validate not installed (package desktop-file-utils)"
  fi
fi
# Debian's package checker: no errors (warnings are shown, not failed on).
if command -v lintian >/dev/null; then
  suppress=()
  # A build for another prefix than /usr (a developer's, CI's) lies outside
  # Debian's file layout by choice: the tags about where files are, and
  # those that look for the documentation under /usr/share/doc only, are
  # left out; the documentation files themselves are checked above.
  # scripts/build-deb.sh builds for /usr, where every tag counts.
  [ "$prefix" = /usr ] || suppress=(--suppress-tags
    file-in-unusual-dir,dir-in-usr-local,file-in-usr-local,non-etc-file-marked-as-conffile,file-in-usr-marked-as-conffile,no-copyright-file,no-changelog)
  if ! lintian --fail-on error --tag-display-limit 0 "${suppress[@]}" "$tools_deb" "$codegen_deb" \
      >"$scratch/lintian.log" 2>&1; then
    cat "$scratch/lintian.log" >&2
    fail "lintian reports errors"
  fi
  grep "^W: " "$scratch/lintian.log" || true
else
  echo "SKIP: lintian not installed"
fi
# Software centres list the window from its metainfo.
if [ "$has_ui" = 1 ]; then
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root$datadir/metainfo/invalid.tessellux.CreateTessellux.metainfo.xml" \
      >"$scratch/appstream.log" 2>&1 || { cat "$scratch/appstream.log" >&2; fail "appstreamcli validate"; }
    grep -qx "create-tessellux.desktop" <<<"$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' \
      "$root$datadir/metainfo/invalid.tessellux.CreateTessellux.metainfo.xml")" || fail "metainfo launches no desktop file"
  else
    echo "SKIP: appstreamcli not installed (package appstream)"
  fi
fi
if command -v groff >/dev/null; then
  for page in "$root$mandir"/man1/*.1.gz; do
    warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  done
else
  echo "SKIP: groff not installed"
fi

# On a machine with nothing installed, apt finds every dependency in the
# distribution's archive (a simulation from the local package lists: nothing
# is fetched or installed).
if command -v apt-get >/dev/null && compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null; then
  : >"$scratch/empty-status"
  apt-get -s -o Dir::State::status="$scratch/empty-status" -o Debug::NoLocking=1 \
      install "$tools_deb" "$codegen_deb" >"$scratch/apt.log" 2>&1 &&
    grep -q "^Conf create-tessellux " "$scratch/apt.log" && grep -q "^Conf tessellux-codegen " "$scratch/apt.log" ||
    { grep -E "^(E|W):|Depends" "$scratch/apt.log" >&2; fail "apt-get cannot install the packages on a bare system"; }
else
  echo "SKIP: no apt package lists (apt-get update)"
fi

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "packages: $(basename "$tools_deb") $(basename "$codegen_deb")"
