#pragma once

#include <QByteArray>

#include <functional>

// Runs `body` in a forked child whose files may not grow past `limit` bytes
// (RLIMIT_FSIZE with SIGXFSZ ignored): every write beyond it fails with
// EFBIG, just as on a full disk, and no root or special mount is needed.
// Returns the bytes the body returned; fails the calling test (and returns
// an empty array) when the child crashed or threw.
QByteArray RunWithFileSizeLimit(long limit, const std::function<QByteArray()> &body);
