#include "platform/ProcessSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kHandledSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, so plain file descriptors only.
int g_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request; one more changes nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

bool MakePipe()
{
    if (::pipe(g_pipe) != 0)
        return false;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

void ClosePipe()
{
    for (int& fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

CTerminationSignals::CTerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 || !MakePipe())
        return;
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Restarted system calls keep a signal from failing a read or a write
    // that happens to be running.
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kHandledSignals)
        ::sigaction(signalNumber, &action, nullptr);
    m_pNotifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CTerminationSignals::ReadPipe);
}

CTerminationSignals::~CTerminationSignals()
{
    if (!m_pNotifier)
        return;
    // The process is ending, its session saved: a signal that still comes
    // must not end it with the signal's status instead of its own.
    for (int signalNumber : kHandledSignals)
        std::signal(signalNumber, SIG_IGN);
    delete m_pNotifier;
    ClosePipe();
}

void CTerminationSignals::ReadPipe()
{
    unsigned char bytes[16];
    ssize_t got;
    int last = 0;
    while ((got = ::read(g_pipe[0], bytes, sizeof bytes)) > 0)
        last = bytes[got - 1];
    if (last != 0)
        emit Received(last);
}
