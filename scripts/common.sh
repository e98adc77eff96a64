# Shared by scripts/run and scripts/test: package installation and the build.
# Sourced, not run.

GRAVELIN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
GRAVELIN_BUILD="$GRAVELIN_ROOT/build"

# What building and running the program needs on Debian 12.
GRAVELIN_PACKAGES=(
    cmake g++ pkg-config
    qt6-base-dev
    libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils
    libxlsxwriter-dev
    poppler-utils unzip fonts-dejavu-core
    # The windows are laid out for Arial's widths; Liberation Sans has them
    # and fontconfig answers "Arial" with it. Without it captions are cut.
    fonts-liberation2
    xdg-utils
    desktop-file-utils shared-mime-info
    xvfb xauth
)

# Firebird 5.0.4 for the tests that need it: the build extracts it from
# here when it is there (CI puts a read-only copy of shared/ beside the
# repository), and its programs need these packages.
FIREBIRD5_TARBALL="$GRAVELIN_ROOT/../shared/firebird/firebird-5.0.4-debian12-amd64.tar.xz"
FIREBIRD5_PACKAGES=(libtommath1 libtomcrypt1 libedit2 libicu72)

# What scripts/package needs beyond that: dpkg-shlibdeps, dpkg-gencontrol.
GRAVELIN_PACKAGING_PACKAGES=(dpkg-dev)
# And scripts/test, whose package test checks the package with these.
GRAVELIN_PACKAGE_CHECK_PACKAGES=(lintian appstream)

say() { printf '%s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# What to put before a command that needs root: nothing when we are root
# (CI), else sudo. An array, so a background job started with it is the
# command itself and $! is its PID.
root_prefix() {
    if [[ $(id -u) -eq 0 ]]; then
        ROOT_PREFIX=()
    elif command -v sudo >/dev/null 2>&1; then
        ROOT_PREFIX=(sudo)
    else
        die "this step needs root, and sudo is not installed; run this script as root"
    fi
}

as_root() {
    root_prefix
    "${ROOT_PREFIX[@]}" "$@"
}

is_installed() {
    [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]
}

# Installs whichever of the given packages are missing; touches apt only then.
# Leaves the names it installed in JUST_INSTALLED.
JUST_INSTALLED=()
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        is_installed "$package" || missing+=("$package")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    say "Installing missing packages: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q "${missing[@]}"
    JUST_INSTALLED+=("${missing[@]}")
}

# Extra arguments go to the configure step (scripts/test --sanitize).
build_gravelin() {
    cmake -S "$GRAVELIN_ROOT" -B "$GRAVELIN_BUILD" "$@"
    cmake --build "$GRAVELIN_BUILD" -j"$(nproc)"
}
