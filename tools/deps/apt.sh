# The setup scripts' one helper for Debian's packages; source it, then call
#   apt_installed PKG            true when PKG is installed
#   apt_install WHAT PKG...      installs those of the packages that are missing
#   machine_change TEXT          says what is changed on this machine, and how
#   as_root COMMAND [ARG...]     runs a command as root (through sudo if need be)
# apt_install says what it installs and for what. It reads the package lists
# again once, the first time an install fails (a fresh machine has none, an
# old one may have stale ones), and returns 1 when the packages still cannot
# be installed; the caller decides whether that ends it. It waits for other
# installs running at the same time rather than failing at once.

export DEBIAN_FRONTEND=noninteractive
_apt_updated=0

as_root() {
  if [[ $(id -u) -eq 0 ]]; then
    "$@"
  else
    sudo "$@"
  fi
}

machine_change() {
  echo "Changing this machine: $*"
}

apt_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

_apt_get() {
  as_root apt-get -o DPkg::Lock::Timeout=900 "$@"
}

apt_update() {
  _apt_updated=1
  _apt_get update || echo "warning: apt-get update failed" >&2
}

apt_install() {
  local what=$1
  shift
  local missing=()
  local pkg
  for pkg in "$@"; do
    apt_installed "$pkg" || missing+=("$pkg")
  done
  ((${#missing[@]} > 0)) || return 0
  machine_change "installing ${missing[*]} ($what)"
  _apt_get install -y --no-install-recommends "${missing[@]}" && return 0
  if ((_apt_updated == 0)); then
    apt_update
    _apt_get install -y --no-install-recommends "${missing[@]}" && return 0
  fi
  echo "warning: could not install ${missing[*]} ($what)" >&2
  return 1
}
