#!/usr/bin/env bash
# Starts devmgr in the current directory.
set -euo pipefail
exec "$1"
