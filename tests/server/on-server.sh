#!/usr/bin/env bash
# Runs a test program against a throwaway PostgreSQL cluster: pg_virtualenv
# creates it (also as root), sets PGHOST/PGPORT/PGUSER for the program and
# drops the cluster afterwards. A missing server is a failure, never a skip.
set -euo pipefail
if ! command -v pg_virtualenv >/dev/null; then
    echo "on-server: pg_virtualenv not found (install postgresql-15 postgresql-common)" >&2
    exit 1
fi
# As root every throwaway cluster is named 15/regress, so runs from several
# build trees on one machine take turns.
exec flock /tmp/kavlo-pg_virtualenv.lock \
    pg_virtualenv -o fsync=off -o synchronous_commit=off env KAVLO_TEST_ENGINE=postgresql "$@"
