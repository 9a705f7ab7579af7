#!/usr/bin/env bash
# One task of a Slurm job array: runs stream $SLURM_ARRAY_TASK_ID of a run of STREAMS streams
# and saves its counts. Submit with one task per stream (0 to STREAMS - 1), then the merge job
# (streams-merge.sh) with --dependency=afterok on this job:
#
#   export SHUFFLES=1000000000000 STREAMS=1000 KEY=<64 hex digits> OUT=$PWD/counts
#   job=$(sbatch --parsable --array=0-$((STREAMS - 1)) --export=ALL scripts/slurm/streams-array.sh)
#   sbatch --dependency=afterok:$job --export=ALL scripts/slurm/streams-merge.sh
#
# The tasks share nothing while they run; a failed task can be run again on its own
# (sbatch --array=17 ...), since its rows depend only on KEY and its index. Fix KEY: without it
# every task would seed its own timer key, and the shards would be of no one run.
#
# Environment: SHUFFLES (the whole run's shuffles), STREAMS, KEY, OUT (a folder on a shared
# file system), TEST_ARGS (more options of `test`, such as "--model riffle:7"), BREVANE_CLI
# (the program; default brevane-cli on PATH). The task runs the streams' own threads as
# --threads says, 1 by default: ask Slurm for more cores per task (--cpus-per-task) to raise it.
#SBATCH --job-name=brevane-streams
#SBATCH --cpus-per-task=1
#SBATCH --output=brevane-stream-%a.log
set -euo pipefail
: "${SHUFFLES:?set SHUFFLES}" "${STREAMS:?set STREAMS}" "${KEY:?set KEY}" "${OUT:?set OUT}"
: "${SLURM_ARRAY_TASK_ID:?run as a task of a job array}"
cli=${BREVANE_CLI:-brevane-cli}
s=$SLURM_ARRAY_TASK_ID
# The first SHUFFLES mod STREAMS streams take one more shuffle, as --streams splits them.
share=$((SHUFFLES / STREAMS + (s < SHUFFLES % STREAMS ? 1 : 0)))
mkdir -p "$OUT"
# `test` exits 3 or 4 for a failing or inconclusive verdict on this one stream; only the merged
# verdict counts, so those are not failures of the task.
status=0
# shellcheck disable=SC2086
"$cli" test --shuffles "$share" --key "$KEY" --stream "$s" --threads "${SLURM_CPUS_PER_TASK:-1}" \
  --quiet --format csv --save-counts "$OUT/stream-$s.json" ${TEST_ARGS:-} >/dev/null || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || [ "$status" -eq 4 ] || exit "$status"
