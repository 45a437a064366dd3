#!/usr/bin/env bash
# The release as a user gets it, under wine in a prefix of its own with one wine
# server for the run: the installer, run silently, puts the built module and its
# uninstall entry where a 64-bit host and the system look; it upgrades an earlier
# release in place; the uninstaller removes what was installed and nothing else; the
# zip carries the built module and the checksums verify.
#
# With the built OFX binaries it also checks the OFX bundle: installed into the
# standard OFX folder of Common Files and removed again, carried by the zip, and the
# Linux bundle's archive.
#
#   package_test.sh <release folder> <built Trevane_Velmora.aex> <wine prefix>
#                   [<built Win64 Velmora.ofx> <built Linux-x86-64 Velmora.ofx>]
set -euo pipefail

dist=$(realpath "$1")
module=$(realpath "$2")
WINEPREFIX=$(realpath -m "$3")
ofx_windows=${4:+$(realpath "$4")}
ofx_linux=${5:+$(realpath "$5")}
export WINEPREFIX WINEDEBUG=-all
root=$(realpath "$(dirname "$0")/../..")
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
scratch=$(mktemp -d)

version=$(cmake -P "$root/packaging/version.cmake")
release=Velmora-$version-win64
plugins="$WINEPREFIX/drive_c/Program Files/Adobe/Common/Plug-ins/7.0/MediaCore"
folder="$plugins/Trevane"
ofx_plugins="$WINEPREFIX/drive_c/Program Files/Common Files/OFX/Plugins"
ofx_bundle="$ofx_plugins/Velmora.ofx.bundle"
linux_release=Velmora-$version-linux-x86_64
uninstall_list='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
uninstall_list_32='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'
key="$uninstall_list\\Trevane Velmora"

mkdir -p "$(dirname "$WINEPREFIX")"
trap '"$root/tests/windows/wine_server.sh" stop "$wine" "$wineserver"; rm -rf "$scratch"' EXIT
"$root/tests/windows/wine_server.sh" start "$wine" "$wineserver"

failures=0
expect() {
  local what=$1
  shift
  if "$@"; then
    echo "ok    $what"
  else
    echo "FAIL  $what"
    failures=$((failures + 1))
  fi
}

registry_value() {
  "$wine" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' |
    sed -n "s/^    $1    REG_[A-Z_]*    //p"
}

# The keys of the uninstall entries named Velmora, in either registry view.
velmora_entries() {
  local list
  for list in "$uninstall_list" "$uninstall_list_32"; do
    { "$wine" reg query "$list" /s 2>/dev/null || true; } | tr -d '\r' |
      awk '/^HKEY/ { entry = $0 } /^    DisplayName    REG_SZ    Velmora$/ { print entry }'
  done
}

modules_in_program_files() {
  find "$WINEPREFIX/drive_c/Program Files" "$WINEPREFIX/drive_c/Program Files (x86)" \
    -iname Trevane_Velmora.aex | wc -l
}

install() { "$wine" "$1" /S; }

# The uninstaller runs from a copy of itself so that it can delete itself, so it
# returns at once; it removes the entry last.
uninstall_through_the_entry() {
  local command
  command=$(registry_value UninstallString)
  "$wine" "${command//\"/}" /S
  for _ in $(seq 1 120); do
    "$wine" reg query "$key" >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  return 1
}

# What an interrupted or failed run left, wherever it went.
rm -rf "$WINEPREFIX/drive_c/Program Files/Adobe" "$WINEPREFIX/drive_c/Program Files (x86)/Adobe" \
  "$ofx_plugins"
velmora_entries | while read -r entry; do "$wine" reg delete "$entry" /f >/dev/null; done

expect "the version of a word decodes every field" \
  test "$(cmake -DWORD=0x4109A05 -P "$root/packaging/version.cmake")" = 10.1.3

# An earlier release, with a module told apart by one more byte, installed by its own
# installer; and a copy of it placed by hand in the hosts' folder.
earlier_module="$scratch/Trevane_Velmora.aex"
{ cat "$module"; printf x; } >"$earlier_module"
cmake -DMODULE="$earlier_module" -DDIST="$scratch/earlier" -DVERSION=0.9.0 \
  -P "$root/packaging/package.cmake" >/dev/null
expect "an earlier release installs" install "$scratch/earlier/Velmora-0.9.0-win64-setup.exe"
cp "$earlier_module" "$plugins/Trevane_Velmora.aex"

expect "the release installs over it silently" install "$dist/$release-setup.exe"
expect "the installed module is the built one, in the 64-bit Program Files" \
  cmp -s "$module" "$folder/Trevane_Velmora.aex"
expect "one module remains: the earlier one and the copy by hand are replaced" \
  test "$(modules_in_program_files)" = 1
expect "the folder holds the module and the uninstaller, nothing else" \
  test "$(cd "$folder" && printf '%s/' *)" = "Trevane_Velmora.aex/Uninstall Velmora.exe/"
expect "one uninstall entry in either registry view" test "$(velmora_entries | wc -l)" = 1
if [[ -n $ofx_windows ]]; then
  expect "the OFX bundle is the built one, in the standard OFX folder" \
    cmp -s "$ofx_windows" "$ofx_bundle/Contents/Win64/Velmora.ofx"
fi

entry_is_complete() {
  local uninstaller='"C:\Program Files\Adobe\Common\Plug-ins\7.0\MediaCore\Trevane\Uninstall Velmora.exe"'
  local size_kb=$(($(registry_value EstimatedSize)))
  test "$(registry_value DisplayVersion)" = "$version" &&
    test "$(registry_value Publisher)" = Trevane &&
    test "$size_kb" -ge "$(($(stat -c %s "$module") / 1024))" &&
    test "$(registry_value UninstallString)" = "$uninstaller" &&
    test "$(registry_value QuietUninstallString)" = "$uninstaller /S"
}
expect "the entry gives the version, publisher, size and uninstaller" entry_is_complete

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A running host holds the module: a silent install gives up with nothing changed.
x86_64-w64-mingw32-g++-posix -std=c++17 -Wall -Wextra -Werror -static \
  -o "$scratch/hold_module.exe" "$root/tests/package/hold_module.cpp"
install_while_held_gives_up() {
  local marker="$scratch/held" code=0 holder
  "$wine" "$scratch/hold_module.exe" "$(windows_path "$folder/Trevane_Velmora.aex")" \
    "$(windows_path "$marker")" &
  holder=$!
  for _ in $(seq 1 120); do
    test -e "$marker" && break
    sleep 0.5
  done
  install "$scratch/earlier/Velmora-0.9.0-win64-setup.exe" || code=$?
  rm -f "$marker"
  wait "$holder"
  test "$code" = 2 && cmp -s "$module" "$folder/Trevane_Velmora.aex" &&
    test "$(registry_value DisplayVersion)" = "$version"
}
expect "an install while a host holds the module exits with 2 and changes nothing" \
  install_while_held_gives_up

other="$folder/Another effect.aex"
touch "$other"
expect "a silent uninstall through the entry removes the entry" uninstall_through_the_entry
expect "it removes the module and the uninstaller, and keeps another file and its folder" \
  test ! -e "$folder/Trevane_Velmora.aex" -a ! -e "$folder/Uninstall Velmora.exe" -a -e "$other"

rm -f "$other"
install_and_uninstall_leave_nothing() {
  install "$dist/$release-setup.exe" && uninstall_through_the_entry &&
    test ! -e "$folder" -a -d "$plugins" -a "$(modules_in_program_files)" = 0
}
expect "an uninstall that empties the folder removes it, and only it" \
  install_and_uninstall_leave_nothing
if [[ -n $ofx_windows ]]; then
  expect "the uninstall removes the OFX bundle and keeps the OFX folder" \
    test ! -e "$ofx_bundle" -a -d "$ofx_plugins"
fi

(cd "$scratch" && cmake -E tar xf "$dist/$release.zip")
expect "the zip's module is the built one" cmp -s "$module" "$scratch/$release/Trevane_Velmora.aex"
expect "the zip has the README and the copyright notice" \
  test -s "$scratch/$release/README.txt" -a -s "$scratch/$release/COPYRIGHT.txt"
sums="$release-setup.exe: OK/$release.zip: OK/"
if [[ -n $ofx_windows ]]; then
  expect "the zip's OFX bundle is the built one" \
    cmp -s "$ofx_windows" "$scratch/$release/Velmora.ofx.bundle/Contents/Win64/Velmora.ofx"
fi
if [[ -n $ofx_linux ]]; then
  (cd "$scratch" && tar xzf "$dist/$linux_release.tar.gz")
  expect "the Linux archive's bundle is the built one" \
    cmp -s "$ofx_linux" "$scratch/$linux_release/Velmora.ofx.bundle/Contents/Linux-x86-64/Velmora.ofx"
  expect "the Linux README names the standard folder and the variable" \
    grep -q '/usr/OFX/Plugins' "$scratch/$linux_release/README.txt" &&
    grep -q 'OFX_PLUGIN_PATH' "$scratch/$linux_release/README.txt"
  sums="$sums$linux_release.tar.gz: OK/"
fi
expect "the checksums cover every archive, and verify" \
  test "$(cd "$dist" && sha256sum --check --strict SHA256SUMS | tr '\n' /)" = "$sums"

if ((failures > 0)); then
  echo "$failures release check(s) failed"
  exit 1
fi
