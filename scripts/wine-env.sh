# The Wine programs and the environment every run uses, and the warm-up before a run. Sourced by
# scripts/lib.sh, scripts/headless and cmake/wine-emulator.sh; keeps what the caller already set.
: "${WINE:=/usr/lib/wine/wine64}"
: "${WINESERVER:=/usr/lib/wine/wineserver}"
: "${WINEDEBUG:=-all}"
# No Mono/Gecko download prompts, no menu/desktop-file generation in $HOME.
: "${WINEDLLOVERRIDES:=mscoree,mshtml=;winemenubuilder.exe=d}"
export WINE WINESERVER WINEDEBUG WINEDLLOVERRIDES

# The first Wine process of a server session starts services.exe, explorer.exe and the like, which
# inherit its standard handles. Under ctest those are pipes that ctest waits to see closed, so a test
# would take the server's linger time or hang until its timeout. A persistent server (kept for
# $1 seconds after its last client, for good without) and a throw-away first process whose handles
# are /dev/null avoid that. Starting the server is a no-op when one runs for the prefix.
wine_warm_up() {
  if [ -n "${1:-}" ]; then "$WINESERVER" -p"$1"; else "$WINESERVER" -p; fi </dev/null >/dev/null 2>&1
  "$WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1
}
