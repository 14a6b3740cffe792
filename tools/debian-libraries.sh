# Building libraries from Debian's source packages of pinned versions, for
# the builds that make their own (tools/build-windows.sh,
# tools/build-web.sh). Source this file; it defines:
#
#   fetch_debian_sources WORK SUMS PACKAGE=VERSION...
#
# fetches each source package with apt-get from the Debian archives that
# this machine installs from, checks every archive file against the sums
# file SUMS (sha256sum's format), and unpacks each one into
# WORK/src/PACKAGE with Debian's patches applied. apt reads and writes only
# a source list and package lists of its own under WORK: the machine's apt
# set-up is left alone. A package is taken from the first archive that
# serves it, so a mirror that lacks one archive's copy of a file does not
# stop the fetch.
#
#   build_cmake_library SOURCE BUILD CONFIGURE...
#
# configures the CMake project in SOURCE into SOURCE/BUILD with the command
# CONFIGURE... (which names the source and build folders itself), builds it
# and installs it, keeping the logs and printing them only on failure.
#
#   build_libraries_once CACHE DEPS NAME BUILD
#
# runs the function BUILD, which builds the libraries into the folder DEPS
# under CACHE, unless DEPS is there already; one build at a time, however
# many checkouts ask. NAME starts its message.

# apt-get with the source list and package lists of archive number $2 under
# $1, the remaining arguments being apt-get's.
archive_apt_get() {
  local work=$1 index=$2
  shift 2
  local options=(-o Dir::Etc::SourceList="$work/sources-$index.list" -o Dir::Etc::SourceParts=/dev/null
    -o Dir::State::Lists="$work/lists-$index" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
  # The cache may lie where apt's own download user cannot reach it.
  if [[ $(id -u) == 0 ]]; then options+=(-o APT::Sandbox::User=root); fi
  apt-get "${options[@]}" -q "$@"
}

fetch_debian_sources() {
  local work=$1 sums=$2
  shift 2
  mkdir -p "$work/src"
  # One source list and package lists for each archive and suite.
  local archives=() archive
  mapfile -t archives < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' \
    'Identifier: Packages' | sort -u)
  local count=${#archives[@]} index
  for ((index = 0; index < count; index++)); do
    mkdir -p "$work/lists-$index/partial"
    echo "deb-src ${archives[index]}" > "$work/sources-$index.list"
    archive_apt_get "$work" "$index" update > "$work/update.log" 2>&1 || { cat "$work/update.log"; return 1; }
  done

  echo "fetching $*"
  local package fetched
  for package in "$@"; do
    fetched=no
    for ((index = 0; index < count; index++)); do
      if (cd "$work/src" && archive_apt_get "$work" "$index" source --download-only "$package") \
        >> "$work/source.log" 2>&1; then
        fetched=yes
        break
      fi
    done
    if [[ $fetched == no ]]; then
      cat "$work/source.log"
      echo "the source package $package could not be fetched; if the archive has a newer" \
        "version, pin it in the script that asked and put its archives' sums in $sums" >&2
      return 1
    fi
  done
  (cd "$work/src" && sha256sum --check --strict --quiet "$sums") || {
    echo "a source archive does not match $sums" >&2
    return 1
  }

  # Each upstream tree with Debian's packaging and patches.
  local orig name tree patch
  for orig in "$work"/src/*.orig.tar.*; do
    name=$(basename "$orig")
    name=${name%%_*}
    tree=$work/src/$name
    mkdir "$tree"
    tar -xf "$orig" -C "$tree" --strip-components=1
    tar -xf "$work/src/$name"_*.debian.tar.xz -C "$tree"
    if [[ -f $tree/debian/patches/series ]]; then
      while read -r patch _; do
        [[ -z $patch || $patch == \#* ]] && continue
        patch -d "$tree" -p1 --quiet --forward < "$tree/debian/patches/$patch"
      done < "$tree/debian/patches/series"
    fi
  done
}

build_cmake_library() {
  local source=$1 build=$2
  shift 2
  (cd "$source" && "$@") > "$source/configure.log" 2>&1 || { cat "$source/configure.log"; return 1; }
  cmake --build "$source/$build" -j"$(nproc)" > "$source/build.log" 2>&1 ||
    { tail -n 50 "$source/build.log"; return 1; }
  cmake --install "$source/$build" > /dev/null
}

build_libraries_once() {
  local cache_root=$1 deps=$2 name=$3 build=$4
  mkdir -p "$cache_root"
  (
    flock 9
    if [[ ! -d $deps ]]; then
      local started=$SECONDS
      "$build"
      echo "$name: libraries built in $((SECONDS - started)) s into $deps"
    fi
  ) 9> "$cache_root/lock"
}
