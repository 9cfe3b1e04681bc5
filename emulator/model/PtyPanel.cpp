#include "model/PtyPanel.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <limits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace kwf::emu {

namespace {
qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}
} // namespace

PtyPanel::PtyPanel(const QDateTime& panelStart) : m_model(panelStart, 0) {}

PtyPanel::~PtyPanel()
{
    stop();
}

qint64 PtyPanel::nowMs() const
{
    return (steadyNs() - m_originNs) / 1000000;
}

#ifdef Q_OS_UNIX

bool PtyPanel::start()
{
    if (running())
        return true;
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Raw at once, or the line discipline echoes and translates bytes.
    termios tio{};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    if (::pipe(m_wake) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(master);
        return false;
    }
    m_master = master;
    m_slavePath = QString::fromLocal8Bit(name);
    m_originNs = steadyNs();
    m_pcOrigin = QDateTime::currentDateTime();
    m_stop = false;
    m_unplugged = false;
    {
        auto l = lock();
        m_model.advanceTo(0);
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void PtyPanel::stop()
{
    if (m_thread.joinable()) {
        m_stop = true;
        const char c = 'x';
        [[maybe_unused]] auto n = ::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    closeMaster();
    for (int& fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    if (!m_linkPath.isEmpty()) {
        QFile::remove(m_linkPath);
        m_linkPath.clear();
    }
}

void PtyPanel::closeMaster()
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void PtyPanel::unplug()
{
    m_unplugged = true;
    closeMaster();
    if (m_wake[1] >= 0) {
        const char c = 'u';
        [[maybe_unused]] auto n = ::write(m_wake[1], &c, 1);
    }
}

void PtyPanel::run()
{
    char buf[512];
    while (!m_stop) {
        int master;
        qint64 waitMs = 200;
        {
            std::lock_guard<std::mutex> l(m_mutex);
            master = m_master;
            const qint64 now = nowMs();
            const qint64 next = m_model.nextDueMs();
            if (next != std::numeric_limits<qint64>::max())
                waitMs = std::clamp<qint64>(next - now, 0, 200);
        }
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {master, POLLIN, 0}};
        const int nfds = master >= 0 ? 2 : 1;
        const int r = ::poll(fds, nfds_t(nfds), int(waitMs));
        if (r < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            char drain[16];
            [[maybe_unused]] auto n = ::read(m_wake[0], drain, sizeof drain);
            continue;
        }
        if (master < 0)
            continue;   // unplugged: the poll above only sleeps
        std::unique_lock<std::mutex> l(m_mutex);
        if (m_master < 0)
            continue;
        const qint64 now = nowMs();
        bool hungUp = false;
        if (nfds == 2 && (fds[1].revents & POLLIN)) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0)
                m_model.receive(QByteArray(buf, int(n)), now);
        } else if (nfds == 2 && (fds[1].revents & (POLLHUP | POLLERR))) {
            hungUp = true;   // nobody holds the slave open
        }
        const QByteArray out = m_model.takeDue(now);
        if (!out.isEmpty() && !hungUp)
            [[maybe_unused]] auto n = ::write(m_master, out.constData(), size_t(out.size()));
        if (m_model.unplugged()) {
            ::close(m_master);
            m_master = -1;
            m_unplugged = true;
            continue;
        }
        if (hungUp) {
            // poll reports the hang-up continuously until someone opens the slave: sleep.
            l.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

bool PtyPanel::linkAs(const QString& dir, int n)
{
    if (m_slavePath.isEmpty())
        return false;
    const QString folder = QDir(dir).filePath(QStringLiteral("dosdevices"));
    if (!QDir().mkpath(folder))
        return false;
    const QString link = QDir(folder).filePath(QStringLiteral("com%1").arg(n));
    QFile::remove(link);
    if (::symlink(m_slavePath.toLocal8Bit().constData(), link.toLocal8Bit().constData()) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_linkPath = link;
    return true;
}

#else

bool PtyPanel::start()
{
    m_error = QStringLiteral("pseudo-terminaux non disponibles sur ce système");
    return false;
}
void PtyPanel::stop() {}
void PtyPanel::closeMaster() {}
void PtyPanel::unplug() { m_unplugged = true; }
void PtyPanel::run() {}
bool PtyPanel::linkAs(const QString&, int) { return false; }

#endif

} // namespace kwf::emu
