#!/usr/bin/env bash
# The merge job after streams-array.sh: adds up the counts of every stream and prints the
# verdict that `brevane-cli test --shuffles SHUFFLES --key KEY --streams STREAMS` prints,
# byte for byte, in the format of MERGE_ARGS (default text). Submit it with
# --dependency=afterok:<array job id>, so that it runs only once every task has succeeded.
#
# Environment: STREAMS, OUT (as for the array), MERGE_ARGS (options of `test`, such as
# "--format json" or "--format html --output report.html"), BREVANE_CLI.
#SBATCH --job-name=brevane-merge
#SBATCH --cpus-per-task=1
#SBATCH --output=brevane-merge.log
set -euo pipefail
: "${STREAMS:?set STREAMS}" "${OUT:?set OUT}"
cli=${BREVANE_CLI:-brevane-cli}
files=()
for ((s = 0; s < STREAMS; s++)); do files+=("$OUT/stream-$s.json"); done
# shellcheck disable=SC2086
exec "$cli" merge "${files[@]}" test ${MERGE_ARGS:-}
