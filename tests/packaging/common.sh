# The head shared by the packaging checks:
#   source "$(dirname "${BASH_SOURCE[0]}")/common.sh" DEFAULT_BUILD SCRATCH_NAME "$@"
# Sets here (the source tree), build (the script's first argument, else DEFAULT_BUILD below
# the tree), scratch (a fresh folder SCRATCH_NAME in the build) and the version the build
# carries, and gives the counters and check().
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${3:-$here/$1}" && pwd)
scratch="$build/$2"
passed=0
failed=0
check() {   # check NAME COMMAND...: one result
  local name=$1; shift
  if "$@" > "$scratch/last.log" 2>&1; then passed=$((passed + 1)); echo "ok: $name"
  else failed=$((failed + 1)); echo "FAILED: $name"; tail -20 "$scratch/last.log"; fi
}
rm -rf "$scratch" && mkdir -p "$scratch"
version=$(sed -n 's/^#define KORVO_VERSION "\(.*\)"$/\1/p' "$build/generated/korvo_version.h")
