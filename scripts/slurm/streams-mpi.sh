#!/usr/bin/env bash
# One MPI job: every rank runs streams rank, rank + R, ... of the run, the counts are summed
# with one reduction, and rank 0 prints what `brevane-cli test --shuffles SHUFFLES --key KEY
# --streams STREAMS` prints. Submit with the number of ranks and nodes wanted, for example
#
#   SHUFFLES=1000000000000 STREAMS=1000 KEY=<64 hex digits> \
#     sbatch --ntasks=1000 --cpus-per-task=1 --export=ALL scripts/slurm/streams-mpi.sh
#
# or, for one file on the shared file system, INPUT=/path/rows.txt (each rank then counts its
# own byte range of it). STREAMS is best a multiple of the ranks, so that each has as many.
# Environment: SHUFFLES, STREAMS, KEY or INPUT; TEST_ARGS (more options of `test`),
# BREVANE_MPI (the program; default brevane-mpi on PATH).
#SBATCH --job-name=brevane-mpi
#SBATCH --ntasks=4
#SBATCH --cpus-per-task=1
#SBATCH --output=brevane-mpi.log
set -euo pipefail
mpi=${BREVANE_MPI:-brevane-mpi}
threads=(--threads "${SLURM_CPUS_PER_TASK:-1}")
if [ -n "${INPUT:-}" ]; then
  # shellcheck disable=SC2086
  exec srun "$mpi" test --input "$INPUT" "${threads[@]}" --quiet ${TEST_ARGS:-}
fi
: "${SHUFFLES:?set SHUFFLES or INPUT}" "${STREAMS:?set STREAMS}" "${KEY:?set KEY}"
# shellcheck disable=SC2086
exec srun "$mpi" test --shuffles "$SHUFFLES" --key "$KEY" --streams "$STREAMS" \
  "${threads[@]}" --quiet ${TEST_ARGS:-}
