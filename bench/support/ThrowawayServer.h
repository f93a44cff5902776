#pragma once

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

// Benches that measure a PostgreSQL server run themselves again inside a
// throwaway cluster (pg_virtualenv sets PGHOST and the rest). Returns only
// when already inside one; otherwise this process becomes the re-run.
inline void RunInsideThrowawayServer(char **argv)
{
    if (!qEnvironmentVariableIsEmpty("PGHOST") || !qEnvironmentVariableIsEmpty("KAVLO_BENCH_INSIDE"))
        return;
    setenv("KAVLO_BENCH_INSIDE", "1", 1);
    // As root every throwaway cluster has the same name: take turns with
    // the tests of other build trees.
    execlp("flock", "flock", "/tmp/kavlo-pg_virtualenv.lock", "pg_virtualenv", argv[0], static_cast<char *>(nullptr));
    std::perror("flock pg_virtualenv");
    std::exit(1);
}
