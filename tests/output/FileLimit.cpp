#include "FileLimit.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void writeAllTo(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            _exit(3);
        done += n;
    }
}

} // namespace

QByteArray RunWithFileSizeLimit(long limit, const std::function<QByteArray()> &body)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        QTest::qFail("pipe failed", __FILE__, __LINE__);
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{rlim_t(limit), rlim_t(limit)};
        if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
            _exit(2);
        QByteArray result;
        try {
            result = body();
        } catch (...) {
            _exit(4);
        }
        writeAllTo(channel[1], result);
        // _exit: the child must not run the parent's destructors (temporary
        // folders, the test's own clean-up).
        _exit(0);
    }
    ::close(channel[1]);
    QByteArray result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            result.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        QTest::qFail(qPrintable(QStringLiteral("child ended with status %1").arg(status)), __FILE__,
                     __LINE__);
        return {};
    }
    return result;
}
