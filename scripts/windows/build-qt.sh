#!/usr/bin/env bash
# Builds Debian's own qtbase source, the same Qt as the Linux build, for 64-bit Windows
# (x86_64-w64-mingw32) with only what the project's programs use, and installs it in a cache
# folder named after a hash of its inputs: this script, the CMake toolchain file and the source
# package's .dsc (which holds the checksums of the tarballs). When that folder is complete it is
# reused at once, so only a change of inputs builds again.
#
# Usage: scripts/windows/build-qt.sh
#   Prints the Qt folder on its last line, e.g. qt=$(scripts/windows/build-qt.sh | tail -n 1),
#   and a program is configured with "$qt/bin/qt-cmake". Progress goes to stderr, the build's
#   own output to a log file beside the folder. About an hour on two shared cores.
# Environment:
#   NOVARD_WINDOWS_CACHE  the cache (default ~/.cache/novard-windows)
#   NOVARD_SKIP_APT=1     do not install missing packages (fail instead)
#   JOBS                  parallel build jobs (default 2)
#
# Nothing is downloaded but Debian's packages: the source comes with apt-get source through an
# apt configuration of our own naming the archive and release of the machine's apt sources, so
# the system's apt setup is left as it was.
set -euo pipefail

qt_version=6.4.2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
script="$repo/scripts/windows/build-qt.sh"
toolchain="$repo/cmake/mingw-w64-x86_64.cmake"
cache=${NOVARD_WINDOWS_CACHE:-$HOME/.cache/novard-windows}
jobs=${JOBS:-2}

say() { echo "build-qt: $*" >&2; }
die() {
    say "$*"
    exit 1
}

# The cross compilers, the tools that unpack and build the source, and the host's own Qt, whose
# moc, rcc and uic the cross build runs (QT_HOST_PATH).
install_packages() {
    "$repo/scripts/windows/install-packages.sh" g++-mingw-w64-x86-64-posix mingw-w64 dpkg-dev \
        cmake ninja-build qt6-base-dev qt6-base-dev-tools
}

# Downloads the qt6-base source of exactly the host's version into $sources, unless it is there
# already (a Debian version's source never changes).
fetch_source() {
    local version=$1 dsc=$2 codename archive apt_dir
    [[ -f $dsc ]] && return
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    archive=$("$repo/scripts/debian-mirror.sh" "$codename")
    [[ -n $codename && -n $archive ]] ||
        die "the machine's apt sources name no Debian archive for '$codename'"
    apt_dir=$(mktemp -d)
    # shellcheck disable=SC2064 # the folder is known now
    trap "rm -rf '$apt_dir'" EXIT
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg options
    [[ -f $keyring ]] && options="[signed-by=$keyring] "
    echo "deb-src ${options:-}$archive $codename main" >"$apt_dir/sources.list"
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/download"
    # apt downloads as its own user _apt when the folders let it, and warns otherwise.
    chmod 755 "$apt_dir"
    id _apt >/dev/null 2>&1 &&
        chown _apt "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/download"
    local apt=(apt-get -q -o "Dir::Etc::SourceList=$apt_dir/sources.list"
        -o Dir::Etc::SourceParts=/dev/null -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache=$apt_dir/cache")
    say "fetching qt6-base $version's source from $archive $codename"
    "${apt[@]}" update >&2
    (cd "$apt_dir/download" && "${apt[@]}" source --download-only "qt6-base=$version" >&2)
    grep -qx "Version: $version" "$apt_dir/download/$(basename "$dsc")" ||
        die "the downloaded source is not qt6-base $version"
    # The .dsc last: its presence says the tarballs are there too.
    mkdir -p "$(dirname "$dsc")"
    find "$apt_dir/download" -type f ! -name '*.dsc' -exec mv -t "$(dirname "$dsc")" {} +
    mv "$apt_dir/download/$(basename "$dsc")" "$dsc"
}

# Only Core, Gui, Widgets, the Windows platform plugin and Test are built. The third-party
# libraries are Qt's bundled copies, since the Windows side of Debian has none. Debian's tarball
# leaves out src/3rdparty/wintab (so no tablet events) and sqlite (so no SQL). OpenGL keeps its
# default, dynamic: with it off, 6.4.2's Windows platform plugin does not compile
# (QOpenGLStaticContext undeclared in qwindowswindow.cpp). No ICU: Windows' own code-page
# conversion serves the card text. The prefix maps keep the build folder out of the DLLs.
configure() {
    local src=$1 obj=$2 prefix=$3 multiarch flag
    multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
    flag="-ffile-prefix-map=$src=qtbase -ffile-prefix-map=$obj=build"
    cmake -S "$src" -B "$obj" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64.cmake" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS="$flag" -DCMAKE_CXX_FLAGS="$flag" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$multiarch/cmake" \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
}

main() {
    install_packages
    # One build at a time: a second run waits, then finds the folder complete.
    mkdir -p "$cache"
    exec 9>"$cache/build-qt.lock"
    flock 9
    local version
    version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
    [[ ${version%%[+-]*} == "$qt_version" ]] ||
        die "the host's Qt is $version; this script builds $qt_version, the same as the Linux build"
    local dsc="$cache/sources/qt6-base_${version#*:}.dsc"
    fetch_source "$version" "$dsc"

    local key prefix build log
    key=$(cat "$script" "$toolchain" "$dsc" | sha256sum | cut -c1-12)
    prefix="$cache/qt-$qt_version-$key"
    build="$cache/build-qt-$qt_version-$key"
    log="$prefix.log"
    if [[ -f $prefix/.complete ]]; then
        say "reusing $prefix"
        echo "$prefix"
        return
    fi

    # An interrupted build resumes in the same build folder; the prefix starts afresh. The
    # toolchain is copied in, since the installed qt-cmake names the file Qt was built with and
    # the checkout may move.
    rm -rf "$prefix"
    mkdir -p "$prefix" "$build"
    cp "$toolchain" "$prefix/mingw-w64-x86_64.cmake"
    local src="$build/qtbase"
    if [[ ! -d $src ]]; then
        say "unpacking $(basename "$dsc")"
        rm -rf "$build/unpack"
        dpkg-source -x "$dsc" "$build/unpack" >>"$log" 2>&1
        mv "$build/unpack" "$src"
    fi
    local started=$SECONDS
    say "configuring and building in $build (log: $log)"
    if [[ ! -f $build/obj/build.ninja ]]; then
        configure "$src" "$build/obj" "$prefix" >>"$log" 2>&1 || die "configure failed; see $log"
    fi
    # Low priority: the machine's cores are shared with other builds.
    nice -n 19 ionice -c3 cmake --build "$build/obj" --parallel "$jobs" >>"$log" 2>&1 ||
        die "the build failed; see $log"
    # Stripped: the symbols of the DLLs would be half of what a Windows user unpacks.
    cmake --install "$build/obj" --strip >>"$log" 2>&1 || die "the install failed; see $log"
    touch "$prefix/.complete"
    rm -rf "$build"
    local took=$((SECONDS - started))
    say "built in $((took / 60)) min $((took % 60)) s; $(du -sh "$prefix" | cut -f1) in $prefix"
    echo "$prefix"
}

main "$@"
