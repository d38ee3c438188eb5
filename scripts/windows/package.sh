#!/usr/bin/env bash
# Makes what a Windows user installs from the cross build: a portable zip and an NSIS installer
# (packaging/windows/novard-demo.nsi) of one staged folder holding novard-demo.exe,
# novard-cli.exe, the Qt and MinGW runtime DLLs they import (found with objdump, nothing more),
# the Windows platform and style plugins, Qt's own Korean texts (qtbase_ko.qm from Debian's
# qt6-translations-l10n; the programs' English is built into them), qt.conf, the README and the
# licences. Both are the same to the byte from one commit: no PE time stamps (the toolchain links
# without them, and every DLL copied is rewritten by strip with SOURCE_DATE_EPOCH=0), every file
# time the commit's, the zip's entries sorted without extra fields, the installer without file
# times.
#
# Usage: scripts/windows/package.sh [BUILD_FOLDER [OUTPUT_FOLDER]]
#   BUILD_FOLDER is the cross build (default build-win, configured with build-qt.sh's Qt when it
#   is not yet); OUTPUT_FOLDER (default BUILD_FOLDER) gets windows-staging/ and, printed on the
#   last two lines, novard-demo-VERSION-windows-x64.zip and
#   novard-demo-VERSION-windows-x64-setup.exe.
# Environment: SOURCE_DATE_EPOCH (default: the last commit's time, or the changelog's newest
#   entry's outside a git checkout), NOVARD_SKIP_APT=1 as install-packages.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-win}
out=${2:-$build}
triplet=x86_64-w64-mingw32

scripts/windows/install-packages.sh zip nsis qt6-translations-l10n binutils-mingw-w64-x86-64
if [[ ! -f $build/CMakeCache.txt ]]; then
    qt=$(scripts/windows/build-qt.sh | tail -n 1)
    "$qt/bin/qt-cmake" -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
fi
cmake --build "$build" --target novard-demo novard-cli >&2
cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cached CMAKE_PROJECT_VERSION)
qt=$(cached Qt6_DIR)
qt=${qt%/lib/cmake/Qt6}

if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null ||
        date -u -d "$(sed -n 's/^ -- .*>  //p' packaging/changelog | head -n 1)" +%s)
fi

name=novard-demo-$version-windows-x64
stage_root=$out/windows-staging
stage=$stage_root/$name
rm -rf "$stage_root"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/licenses"

# The DLLs every staged program and plugin imports, found in Qt's folder or the MinGW runtime's;
# any other (KERNEL32.dll, USER32.dll ...) is Windows' own.
gcc_runtime=/usr/lib/gcc/$triplet/$("$triplet-g++-posix" -dumpversion)
dll_folders=("$qt/bin" "$gcc_runtime" "/usr/$triplet/lib")
imports() { "$triplet-objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
add_imports() {
    local dll folder
    for dll in $(imports "$1"); do
        [[ -e $stage/$dll ]] && continue
        for folder in "${dll_folders[@]}"; do
            if [[ -f $folder/$dll ]]; then
                cp "$folder/$dll" "$stage/$dll"
                add_imports "$stage/$dll"
                break
            fi
        done
    done
}
cp "$build/bin/novard-demo.exe" "$build/bin/novard-cli.exe" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt"/plugins/styles/*.dll "$stage/styles/"
for program in "$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll; do
    add_imports "$program"
done
# strip rewrites each PE header with SOURCE_DATE_EPOCH as its time stamp, 0 as the toolchain
# links the programs, and drops what symbols are left.
find "$stage" -name '*.exe' -o -name '*.dll' | while read -r pe; do
    SOURCE_DATE_EPOCH=0 "$triplet-strip" --strip-unneeded "$pe"
done

cp /usr/share/qt6/translations/qtbase_ko.qm "$stage/translations/"
cp packaging/windows/qt.conf README.md "$stage/"
licence() { cp "$1" "$stage/licenses/$2"; }
licence packaging/copyright novard-demo.txt
licence /usr/share/common-licenses/LGPL-3 Qt-LGPL-3.txt
licence /usr/share/common-licenses/GPL-3 GPL-3.txt
licence /usr/share/doc/libqt6core6/copyright Qt-copyright.txt
licence /usr/share/doc/qt6-translations-l10n/copyright Qt-translations-copyright.txt
licence /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright MinGW-gcc-runtime-copyright.txt
licence /usr/share/doc/mingw-w64-x86-64-dev/copyright MinGW-w64-copyright.txt

# Every mode and time the same whatever the umask and the hour of the build.
chmod -R u=rwX,go=rX "$stage"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
mapfile -t files < <(cd "$stage_root" && find "$name" -type f | LC_ALL=C sort)

zip=$(realpath "$out")/$name.zip
rm -f "$zip"
# -X: no extra fields (Unix owners and times), -D: no folder entries; DOS times are local times.
(cd "$stage_root" && printf '%s\n' "${files[@]}" | TZ=UTC zip -q -X -D -9 "$zip" -@)
touch -d "@$SOURCE_DATE_EPOCH" "$zip"

# The installer's lists of files, in the zip's order, and the uninstaller's, deepest last.
lists=$stage_root/nsis
mkdir -p "$lists"
: >"$lists/install.nsh"
: >"$lists/uninstall.nsh"
folder=none
for file in "${files[@]}"; do
    relative=${file#"$name"/}
    here=$(dirname "$relative")
    if [[ $here != "$folder" ]]; then
        folder=$here
        target="\$INSTDIR\\${here//\//\\}"
        [[ $here != . ]] || target="\$INSTDIR"
        echo "SetOutPath \"$target\"" >>"$lists/install.nsh"
    fi
    echo "File \"$(realpath "$stage_root/$file")\"" >>"$lists/install.nsh"
    echo "Delete \"\$INSTDIR\\${relative//\//\\}\"" >>"$lists/uninstall.nsh"
done
(cd "$stage" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while read -r sub; do
    sub=${sub#./}
    echo "RMDir \"\$INSTDIR\\${sub//\//\\}\"" >>"$lists/uninstall.nsh"
done
size_kb=$(find "$stage" -type f -printf '%s\n' |
    awk '{ total += $1 } END { print int(total / 1024) }')

setup=$(realpath "$out")/$name-setup.exe
rm -f "$setup"
SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" \
    -DSIZE_KB="$size_kb" -DOUTFILE="$setup" -DFILES="$(realpath "$lists")" \
    packaging/windows/novard-demo.nsi >&2
touch -d "@$SOURCE_DATE_EPOCH" "$setup"
echo "$zip"
echo "$setup"
