# Sourced by the scripts that run Windows programs: use_wine ARCH sets wine
# to the launcher for that architecture (32-bit Wine for i686) and exports
# WINEARCH to match, and WINEDEBUG=-all; WINEPREFIX is the caller's to set.
use_wine() {
  export WINEDEBUG=-all
  if [ "$1" = i686 ]; then
    wine=$(dpkg -L wine32:i386 2>/dev/null | grep -m1 '/wine/wine$' || true)
    export WINEARCH=win32
  else
    wine=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wine/wine64$' || true)
    export WINEARCH=win64
  fi
}
