#!/bin/bash
# What the unit tests could change of the user's, taken before their run (`before FILE`) and compared after it
# (`after FILE`): the shell folder locations, the start-up entries (Run, StartupApproved) and the tests' own key in
# the registry, and every file and folder of the roaming folder, which holds the Startup folder (name, size and
# time: a file written and removed again changes its folder's time). Runs inside the suite's headless Wine session.
set -u
step=$1 file=$2
wine=${WINE:-/usr/lib/wine/wine64}
roaming=("${WINEPREFIX:?}"/drive_c/users/*/AppData/Roaming)
snapshot() {
  local key
  for key in 'Explorer\User Shell Folders' 'Explorer\Shell Folders' 'Explorer\StartupApproved' 'Run'; do
    "$wine" reg query "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\$key" /s
  done
  "$wine" reg query 'HKCU\Software\kestov' /s
  find "${roaming[@]}" -printf '%p %y %s %T@\n' | sort
}
now=$(snapshot 2>&1 | tr -d '\r')
if [ "$step" = before ]; then
  # Something to compare: the roaming and Startup folders' locations and the Startup folder itself.
  grep -qi '^ *AppData *REG_' <<<"$now" && grep -qi '^ *Startup *REG_' <<<"$now" && grep -qi '/Startup d ' <<<"$now" ||
    { echo "$now"; echo "the snapshot misses the shell folders"; exit 1; }
  echo "$now" >"$file"
else
  diff "$file" <(echo "$now") && echo "the unit tests left the user's settings and folders as they were"
fi
