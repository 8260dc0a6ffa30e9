# Installs the Debian packages Lumo needs to build and test, when any is
# missing. Sourced by scripts/run and scripts/test.
LUMO_PACKAGES=(cmake ninja-build g++ qt6-base-dev libxkbcommon-dev libjpeg62-turbo-dev fonts-liberation2
               libgl-dev libx11-dev xvfb qt6-translations-l10n
               desktop-file-utils groff-base man-db bash-completion dpkg-dev openbox)

lumo_install_missing() {
    local missing=()
    for package in "${LUMO_PACKAGES[@]}"; do
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
