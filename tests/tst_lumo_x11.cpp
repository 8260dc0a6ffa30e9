// The real program on a real X server: it starts, shows its editor window,
// and ends with exit code 0 when that window is closed the way a window
// manager closes it (WM_DELETE_WINDOW).

#include "XServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

#if __has_include(<X11/Xlib.h>)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#define LUMO_HAVE_XLIB_HEADERS 1
#endif

namespace {

#ifdef LUMO_HAVE_XLIB_HEADERS

// The few Xlib calls the test needs. libX11 is loaded at run time, so the
// test links nothing beyond Qt and can skip cleanly where it is missing.
class XClient
{
public:
    bool Load()
    {
        m_library.setFileNameAndVersion(QStringLiteral("X11"), 6);
        if (!m_library.load())
            return false;
        return resolve(m_open, "XOpenDisplay") && resolve(m_close, "XCloseDisplay")
               && resolve(m_root, "XDefaultRootWindow") && resolve(m_queryTree, "XQueryTree")
               && resolve(m_getProperty, "XGetWindowProperty") && resolve(m_attributes, "XGetWindowAttributes")
               && resolve(m_free, "XFree") && resolve(m_internAtom, "XInternAtom")
               && resolve(m_sendEvent, "XSendEvent") && resolve(m_flush, "XFlush");
    }

    QString LoadError() const { return m_library.errorString(); }

    bool Connect(const QByteArray &display)
    {
        m_display = m_open(display.constData());
        return m_display != nullptr;
    }

    void Disconnect()
    {
        if (m_display)
            m_close(m_display);
        m_display = nullptr;
    }

    // The first viewable window whose title (_NET_WM_NAME or WM_NAME) is title.
    std::optional<Window> FindViewableWindow(const QByteArray &title)
    {
        return search(m_root(m_display), title);
    }

    // What a window manager sends when the user clicks a window's close button.
    void SendDeleteWindow(Window window)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = m_internAtom(m_display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(m_internAtom(m_display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        m_sendEvent(m_display, window, False, NoEventMask, &event);
        m_flush(m_display);
    }

private:
    template <typename Function>
    bool resolve(Function &function, const char *name)
    {
        function = reinterpret_cast<Function>(m_library.resolve(name));
        return function != nullptr;
    }

    QByteArray property(Window window, Atom name)
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char *data = nullptr;
        QByteArray value;
        if (m_getProperty(m_display, window, name, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                          &remaining, &data) == Success
            && data) {
            if (format == 8)
                value = QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(count));
            m_free(data);
        }
        return value;
    }

    std::optional<Window> search(Window window, const QByteArray &title)
    {
        const Atom netWmName = m_internAtom(m_display, "_NET_WM_NAME", False);
        if (property(window, netWmName) == title || property(window, XA_WM_NAME) == title) {
            XWindowAttributes attributes{};
            if (m_attributes(m_display, window, &attributes) && attributes.map_state == IsViewable)
                return window;
        }
        Window root = 0;
        Window parent = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        if (!m_queryTree(m_display, window, &root, &parent, &children, &count))
            return std::nullopt;
        std::optional<Window> found;
        for (unsigned int i = 0; i < count && !found; ++i)
            found = search(children[i], title);
        if (children)
            m_free(children);
        return found;
    }

    QLibrary m_library;
    Display *m_display = nullptr;
    Display *(*m_open)(const char *) = nullptr;
    int (*m_close)(Display *) = nullptr;
    Window (*m_root)(Display *) = nullptr;
    Status (*m_queryTree)(Display *, Window, Window *, Window *, Window **, unsigned int *) = nullptr;
    int (*m_getProperty)(Display *, Window, Atom, long, long, Bool, Atom, Atom *, int *, unsigned long *,
                         unsigned long *, unsigned char **) = nullptr;
    Status (*m_attributes)(Display *, Window, XWindowAttributes *) = nullptr;
    int (*m_free)(void *) = nullptr;
    Atom (*m_internAtom)(Display *, const char *, Bool) = nullptr;
    Status (*m_sendEvent)(Display *, Window, Bool, long, XEvent *) = nullptr;
    int (*m_flush)(Display *) = nullptr;
};

#endif

} // namespace

class tst_LumoX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void closingTheEditorEndsTheProgram();

private:
    std::unique_ptr<XServer> m_xserver;
    QByteArray m_display;
};

void tst_LumoX11::initTestCase()
{
#ifndef LUMO_HAVE_XLIB_HEADERS
    QSKIP("built without the X11 headers (package libx11-dev)");
#endif
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        QSKIP("Xvfb is not installed (package xvfb)");
    QVERIFY2(QFile::exists(QStringLiteral(LUMO_EXE)), LUMO_EXE);
    m_xserver = std::make_unique<XServer>();
    m_display = m_xserver->Display();
    QVERIFY2(!m_display.isEmpty(), "Xvfb did not start");
}

void tst_LumoX11::cleanupTestCase()
{
    m_xserver.reset();
}

void tst_LumoX11::closingTheEditorEndsTheProgram()
{
#ifdef LUMO_HAVE_XLIB_HEADERS
    XClient x;
    if (!x.Load())
        QSKIP(qPrintable(QStringLiteral("libX11 cannot be loaded: %1").arg(x.LoadError())));
    QVERIFY2(x.Connect(m_display), m_display.constData());
    const auto disconnect = qScopeGuard([&x] { x.Disconnect(); });

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QProcess lumo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(m_display));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    lumo.setProcessEnvironment(environment);
    lumo.setWorkingDirectory(folder.path());
    lumo.start(QStringLiteral(LUMO_EXE), {});
    QVERIFY2(lumo.waitForStarted(10000), qPrintable(lumo.errorString()));
    const auto stop = qScopeGuard([&lumo] {
        if (lumo.state() != QProcess::NotRunning) {
            lumo.kill();
            lumo.waitForFinished(5000);
        }
    });

    std::optional<Window> editor;
    QElapsedTimer clock;
    clock.start();
    while (!editor && lumo.state() == QProcess::Running && !clock.hasExpired(30000)) {
        QTest::qWait(100);
        editor = x.FindViewableWindow("Editorfenster");
    }
    QVERIFY2(editor, qPrintable(QStringLiteral("no window \"Editorfenster\" appeared; lumo said: %1")
                                    .arg(QString::fromLocal8Bit(lumo.readAllStandardError()))));

    x.SendDeleteWindow(*editor);
    QVERIFY2(lumo.waitForFinished(10000), "lumo is still running after its editor window was closed");
    QCOMPARE(lumo.exitStatus(), QProcess::NormalExit);
    QCOMPARE(lumo.exitCode(), 0);
    // A start and a close leave the working folder as it was.
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
#endif
}

QTEST_MAIN(tst_LumoX11)
#include "tst_lumo_x11.moc"
