# Shared helpers of the per-target build scripts (sourced, not run).
#
# Everything fetched lives in the cache folder, outside the repository, and is reused while
# its pinned version stays the same:
#   $cache/tools/         npm packages of tools/package-lock.json (npm ci)
#   $cache/src/<pkg>/     unpacked Debian source packages (apt-get source)

platforms_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
platforms_cache=${QUENLITH_CACHE_DIR:-$HOME/.cache/quenlith}
platforms_jobs=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc 2>/dev/null || echo 4)}

# Library sources: Debian source package and version.
re2_source_package=re2
re2_source_version=20220601+dfsg-1
mimalloc_source_package=mimalloc
mimalloc_source_version=2.0.9+ds-2

platforms_log() {
  echo "platforms: $*" >&2
}

platforms_die() {
  platforms_log "$*"
  exit 1
}

# apt-get, waiting for another apt-get or dpkg on the machine to finish.
platforms_apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 "$@"
}

# Installs Debian packages given as name=version unless that version is installed already.
ensure_debian_packages() {
  local missing=() spec name version installed
  for spec in "$@"; do
    name=${spec%%=*}
    version=${spec#*=}
    installed=$(dpkg-query -W -f='${Status} ${Version}' "$name" 2>/dev/null || true)
    if [[ "$installed" != "install ok installed $version" ]]; then
      missing+=("$spec")
    fi
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  if [[ $(id -u) -ne 0 ]]; then
    platforms_die "missing Debian packages; run as root: apt-get install ${missing[*]}"
  fi
  platforms_log "installing ${missing[*]}"
  if ! platforms_apt_get install -y -qq --no-install-recommends "${missing[@]}"; then
    platforms_apt_get update -qq
    platforms_apt_get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# Installs the npm packages pinned by tools/package-lock.json (integrity checked by npm) into
# $cache/tools/node_modules, again only when the lock file changed. Prints nothing.
ensure_npm_tools() {
  local dir=$platforms_cache/tools src=$platforms_root/scripts/platforms/tools
  if [[ -d $dir/node_modules ]] && cmp -s "$src/package-lock.json" "$dir/package-lock.json" \
      && [[ -f $dir/.installed ]]; then
    return 0
  fi
  platforms_log "installing the pinned npm tools into $dir"
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$src/package.json" "$src/package-lock.json" "$dir/"
  # --force: the packages are binaries for other platforms (their os and cpu fields differ
  # from this machine's); scripts stay off, nothing of them runs at install time.
  (cd "$dir" && npm ci --force --ignore-scripts --no-audit --no-fund --loglevel=error) >&2
  touch "$dir/.installed"
}

# Path of a file inside an installed npm tool package: npm_tool_path <package> <file>.
npm_tool_path() {
  echo "$platforms_cache/tools/node_modules/$1/$2"
}

# Makes sure apt knows a deb-src line for every deb line of the machine's Debian sources.
ensure_debian_source_lists() {
  if grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 0
  fi
  [[ $(id -u) -eq 0 ]] || platforms_die "no deb-src entry in apt's sources; add one as root"
  local file=/etc/apt/sources.list.d/quenlith-deb-src.sources tmp
  tmp=$(mktemp)
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$tmp"
  else
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >"$tmp"
  fi
  chmod 644 "$tmp"
  mv "$tmp" "$file"
  platforms_log "added $file"
  platforms_apt_get update -qq
}

# Unpacks a pinned Debian source package (with Debian's patches applied) into
# $cache/src/<package>-<version> and prints that folder.
fetch_debian_source() {
  local package=$1 version=$2
  local dest=$platforms_cache/src/$package-$version
  if [[ -f $dest/.unpacked ]]; then
    echo "$dest"
    return 0
  fi
  ensure_debian_packages dpkg-dev=1.21.22
  ensure_debian_source_lists
  mkdir -p "$platforms_cache/src"
  local work
  work=$(mktemp -d "$platforms_cache/src/.fetch.XXXXXX")
  platforms_log "fetching the Debian source package $package $version"
  if ! (cd "$work" && platforms_apt_get source -qq --download-only "$package=$version") >&2; then
    platforms_apt_get update -qq
    (cd "$work" && platforms_apt_get source -qq --download-only "$package=$version") >&2
  fi
  local dsc
  dsc=$(ls "$work"/*.dsc)
  rm -rf "$dest"
  # The signature is checked by apt against the archive's signed indexes (file hashes).
  dpkg-source --no-check -x "$dsc" "$dest" >&2
  rm -rf "$work"
  touch "$dest/.unpacked"
  echo "$dest"
}

# Debian's RE2 source leaves out the generated tables; they are generated here the way its
# own build does (REBUILD_TABLES), from Debian's Unicode data.
re2_source_dir() {
  local dir
  dir=$(fetch_debian_source "$re2_source_package" "$re2_source_version")
  if [[ ! -f $dir/.tables ]]; then
    ensure_debian_packages unicode-data=15.0.0-1 python3-six=1.16.0-4
    platforms_log "generating RE2's Unicode and Perl tables"
    (cd "$dir" &&
      perl re2/make_perl_groups.pl >re2/perl_groups.cc &&
      python3 re2/make_unicode_casefold.py >re2/unicode_casefold.cc &&
      python3 re2/make_unicode_groups.py >re2/unicode_groups.cc) ||
      platforms_die "generating RE2's tables failed"
    touch "$dir/.tables"
  fi
  echo "$dir"
}

mimalloc_source_dir() {
  fetch_debian_source "$mimalloc_source_package" "$mimalloc_source_version"
}

# Configures and builds build-<target>/ for a target: platforms_cmake_build <target> [cmake args].
# Always self-contained, Release, without benchmarks; RE2 from the pinned Debian source.
platforms_cmake_build() {
  local target=$1
  shift
  local build_dir=$platforms_root/build-$target
  cmake -S "$platforms_root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQUENLITH_SELF_CONTAINED=ON -DQUENLITH_BUILD_BENCH=OFF \
    -DQUENLITH_RE2_SOURCE_DIR="$(re2_source_dir)" "$@" >/dev/null
  cmake --build "$build_dir" --parallel "$platforms_jobs"
}

# Copies the built module into prebuilds/<platform>-<arch>/<file name>.
platforms_install_prebuild() {
  local target=$1 dir=$2 name=$3
  mkdir -p "$platforms_root/prebuilds/$dir"
  cp "$platforms_root/build-$target/quenlith_node.node" "$platforms_root/prebuilds/$dir/$name"
  platforms_log "built prebuilds/$dir/$name"
}

# Makes sure node-api-headers is installed in the repository's node_modules.
ensure_node_api_headers() {
  if [[ ! -f $platforms_root/node_modules/node-api-headers/include/node_api.h ]]; then
    (cd "$platforms_root" && npm install --ignore-scripts --no-audit --no-fund) >&2
  fi
}

# Runs a target script's subcommand (build or test) through the functions target_build and
# target_test that the script defines, with $target naming its build tree.
platforms_main() {
  case "${1:-}" in
    build) target_build ;;
    test)
      [[ -f $platforms_root/build-$target/quenlith_node.node ]] ||
        platforms_die "build-$target/ has no module: run \`$0 build\` (npm run prebuild) first"
      target_test
      ;;
    *) echo "usage: $0 build|test" >&2; exit 2 ;;
  esac
}

# Fails unless every library an ELF file needs (DT_NEEDED) matches the extended regular
# expression: check_elf_needed <file> <regex>.
check_elf_needed() {
  local file=$1 allowed=$2 needed bad
  needed=$(readelf -d "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  bad=$(grep -vxE "$allowed" <<<"$needed" || true)
  if [[ -n $bad ]]; then
    platforms_log "$file needs libraries beyond the C library's: $(echo $bad)"
    return 1
  fi
  platforms_log "$file needs only: $(echo $needed)"
}

# Logs the newest glibc symbol version an ELF file asks for: the oldest glibc it loads with.
report_glibc_version() {
  local newest
  newest=$(readelf -V "$1" | grep -o 'GLIBC_[0-9][0-9.]*' | sort -uV | tail -n 1)
  platforms_log "$1 loads with ${newest/GLIBC_/glibc }, or later"
}

# Fails unless the module's dynamic symbol table defines exactly the Node-API registration.
check_module_exports() {
  local file=$1 nm=${2:-nm}
  cmake -DNM="$nm" -DMODULE="$file" -P "$platforms_root/cmake/check_exports.cmake"
}

# Runs the JavaScript tests against build-<target>/ with the given Node command line:
# platforms_js_tests <target> <node> [node arguments before the test files].
platforms_js_tests() {
  local target=$1
  shift
  (cd "$platforms_root" && QUENLITH_BUILD_DIR=build-$target "$@" --test test/)
}
