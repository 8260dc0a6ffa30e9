# Installs the Debian packages Lumo needs to build and test, when any is
# missing. Sourced by scripts/run and scripts/test.
# What building and running the program takes; the Noto faces and
# WenQuanYi Micro Hei draw the scripts beyond the 8-bit code pages.
LUMO_PACKAGES=(cmake ninja-build g++ qt6-base-dev libxkbcommon-dev libjpeg62-turbo-dev libpng-dev libarchive-dev fonts-liberation2
               fonts-noto-core fonts-wqy-microhei libgl-dev libx11-dev qt6-translations-l10n)
# What the tests take besides: clang for the sanitizer build and the
# fuzzers, X servers and a window manager, the install and package checks,
# a real text reader for the ground truth, PDF checks, and Python's tarfile
# to read the shards as training data loaders do.
LUMO_TEST_PACKAGES=(clang libclang-rt-14-dev pkg-config libspng-dev xvfb openbox desktop-file-utils groff-base man-db bash-completion
                    dpkg-dev tesseract-ocr tesseract-ocr-eng tesseract-ocr-rus tesseract-ocr-ell tesseract-ocr-chi-sim
                    qpdf poppler-utils python3)

# What making the Debian package takes besides.
LUMO_PACKAGE_PACKAGES=(dpkg-dev)

# Installs the packages of LUMO_PACKAGES that are missing, with "test" those
# of LUMO_TEST_PACKAGES too, with "package" those of LUMO_PACKAGE_PACKAGES.
lumo_install_missing() {
    local wanted=("${LUMO_PACKAGES[@]}")
    [ "${1:-}" = test ] && wanted+=("${LUMO_TEST_PACKAGES[@]}")
    [ "${1:-}" = package ] && wanted+=("${LUMO_PACKAGE_PACKAGES[@]}")
    local missing=()
    for package in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then
            sudo=(sudo)
        else
            echo "Please install as root: apt-get install ${missing[*]}" >&2
            return 1
        fi
    fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
