#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <memory>

// An Xvfb server of the test's own, on the first free display number from
// 90, ended with the object. Empty Display() when it could not start.
class XServer
{
public:
    XServer()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return;
        // Another server may take a free number between the check and the
        // start; then this one fails at once and the next number is tried.
        for (int number = 90; number < 200; ++number) {
            if (inUse(number))
                continue;
            auto server = std::make_unique<QProcess>();
            server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            server->start(xvfb, {QStringLiteral(":%1").arg(number), QStringLiteral("-screen"), QStringLiteral("0"),
                                 QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!server->waitForStarted(5000))
                return;
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
            QElapsedTimer clock;
            clock.start();
            while (!QFile::exists(socket) && server->state() == QProcess::Running && !clock.hasExpired(15000))
                QThread::msleep(50);
            if (QFile::exists(socket) && server->state() == QProcess::Running) {
                m_server = std::move(server);
                m_display = ':' + QByteArray::number(number);
                return;
            }
            server->kill();
            server->waitForFinished(5000);
        }
    }

    ~XServer()
    {
        if (m_server) {
            m_server->terminate();
            if (!m_server->waitForFinished(5000)) {
                m_server->kill();
                m_server->waitForFinished(5000);
            }
        }
    }

    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    const QByteArray &Display() const { return m_display; }

private:
    static bool inUse(int number)
    {
        return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
               || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number));
    }

    std::unique_ptr<QProcess> m_server;
    QByteArray m_display;
};
