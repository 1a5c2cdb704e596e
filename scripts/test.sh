#!/usr/bin/env bash
# Installs what is missing, builds the three targets and runs every test.
#   scripts/test.sh            all tests
#   scripts/test.sh --quick    without the slow end-to-end scenarios
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
ctest_filter=()
if [ "${1:-}" = "--quick" ]; then ctest_filter=(-LE e2e_slow); fi

scripts/setup.sh || exit 1
for preset in host win32 win64; do
  cmake --preset "$preset" >/dev/null || exit 1
  cmake --build --preset "$preset" || exit 1
done

# One lasting wineserver for the whole run (started by wine-prefix.sh with
# Wine's services detached): Wine start-up stays cheap. Ended at exit.
scripts/wine-prefix.sh || exit 1
source scripts/wine-env.sh
trap '"$WINESERVER" -k 2>/dev/null || true' EXIT

# The shipped build is 32-bit: natively its whole suite runs; through qemu
# only the i686 smoke set (the other 32-bit tests skip with the reason).
echo "== 32-bit programs: $(scripts/i386-runtime.sh)"

status=0
for preset in host win32 win64; do
  echo "== tests: $preset"
  ctest --preset "$preset" "${ctest_filter[@]}" --output-junit "$top/build/$preset/junit.xml" || status=1
done

python3 - "$top" <<'PY'
import sys, xml.etree.ElementTree as ET
top = sys.argv[1]
passed = failed = skipped = 0
for preset in ("host", "win32", "win64"):
    try:
        root = ET.parse(f"{top}/build/{preset}/junit.xml").getroot()
    except (OSError, ET.ParseError):
        failed += 1
        continue
    for case in root.iter("testcase"):
        status = case.get("status", "run")
        if case.find("failure") is not None or status == "fail":
            failed += 1
        elif case.find("skipped") is not None or status in ("notrun", "disabled"):
            skipped += 1
        else:
            passed += 1
print(f"{passed} passed, {failed} failed, {skipped} skipped")
PY
exit $status
