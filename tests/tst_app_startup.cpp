// The program itself, run as a child process: a graphics driver below OpenGL 3.3
// must end it with the board report, the version message and status 1; and an
// installed copy, started from an unrelated folder, must find all it reads.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Xlib macros last, after every Qt header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// The shown top-level window of a process with the given title, or 0.
Window findWindow(Display* dpy, qint64 pid, const QByteArray& title)
{
    const Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    Window root = DefaultRootWindow(dpy);
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &count))
        return 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* value = nullptr;
        if (XGetWindowProperty(dpy, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &value) != Success ||
            value == nullptr)
            continue;
        const long owner = items == 1 ? *reinterpret_cast<long*>(value) : -1;
        XFree(value);
        char* name = nullptr;
        XWindowAttributes attributes{};
        if (owner == pid && XFetchName(dpy, children[i], &name) && name != nullptr) {
            if (title == name && XGetWindowAttributes(dpy, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(name);
        }
    }
    XFree(children);
    return found;
}

// A key as if typed into that window, which is given the focus first: window
// shortcuts answer only in the active window.
void typeKey(Display* dpy, Window window, KeySym key, unsigned int modifiers = 0)
{
    XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
    XKeyEvent event{};
    event.display = dpy;
    event.window = window;
    event.root = DefaultRootWindow(dpy);
    event.time = CurrentTime;
    event.same_screen = True;
    event.keycode = XKeysymToKeycode(dpy, key);
    event.state = modifiers;
    event.type = KeyPress;
    XSendEvent(dpy, window, True, KeyPressMask, reinterpret_cast<XEvent*>(&event));
    event.type = KeyRelease;
    XSendEvent(dpy, window, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
    XFlush(dpy);
}

// Repeats an action, reading the child's standard error in between, until the
// condition holds or 30 s have passed.
bool retryUntil(QProcess& child, QByteArray& err, const std::function<void()>& action,
                const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 30000 || child.state() != QProcess::Running)
            return false;
        action();
        child.waitForReadyRead(500);
        err += child.readAllStandardError();
    }
    return true;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void openGl32IsRefused();
    void installedRunsFromAnyFolder();
};

void TestStartup::openGl32IsRefused()
{
    QProcess orvalis;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MESA_GL_VERSION_OVERRIDE"), QStringLiteral("3.2"));
    env.insert(QStringLiteral("MESA_GLSL_VERSION_OVERRIDE"), QStringLiteral("150"));
    orvalis.setProcessEnvironment(env);
    orvalis.start(QCoreApplication::applicationDirPath() + QStringLiteral("/orvalis"), {});
    QVERIFY2(orvalis.waitForStarted(), qPrintable(orvalis.errorString()));
    QVERIFY(orvalis.waitForFinished(60000));

    QCOMPARE(orvalis.exitStatus(), QProcess::NormalExit);
    QCOMPARE(orvalis.exitCode(), 1);

    const QString err = QString::fromLocal8Bit(orvalis.readAllStandardError());
    const qsizetype board =
        err.indexOf(QLatin1String("Initialize OpenGL...\nGraphics board details:\n"));
    QVERIFY2(board >= 0, qPrintable(err));
    for (const char* line : {"\tVendor:         ", "\tGPU:            ", "\tOpenGL version: 3.2",
                             "\tGLSL version:   1.50"})
        QVERIFY2(err.indexOf(QLatin1String(line), board) > board, line);
    // The report comes first, the verdict last, and nothing is built after it.
    QVERIFY(err.endsWith(QLatin1String("\n\nError: OpenGL 3.3 or higher is not supported.\n")));
    QCOMPARE(err.count(QLatin1String("Error: OpenGL 3.3")), 1);
    QVERIFY(!err.contains(QLatin1String("shader")));
}

// `cmake --install` into a fresh prefix, started from an empty folder: both views
// build their programs from the installed shaders, and the parameter dialogs open
// among the installed sets.
void TestStartup::installedRunsFromAnyFolder()
{
    const QString buildDir = QDir(QCoreApplication::applicationDirPath() + "/..").absolutePath();
    QVERIFY(QFile::exists(buildDir + "/cmake_install.cmake"));
    QTemporaryDir prefix;
    QTemporaryDir elsewhere;
    QVERIFY(prefix.isValid() && elsewhere.isValid());
    QProcess install;
    install.start(QStringLiteral("cmake"), {"--install", buildDir, "--prefix", prefix.path()});
    QVERIFY2(install.waitForFinished(120000) && install.exitCode() == 0,
             install.readAllStandardError().constData());
    const QString data = prefix.filePath("share/orvalis");
    QVERIFY(QFile::exists(data + "/config/default.par"));

    QProcess orvalis;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("ORVALIS_SHADER_DIR"));
    orvalis.setProcessEnvironment(env);
    orvalis.setWorkingDirectory(elsewhere.path());
    orvalis.start(prefix.filePath("bin/orvalis"), {});
    QVERIFY2(orvalis.waitForStarted(), qPrintable(orvalis.errorString()));
    const auto stop = qScopeGuard([&orvalis] {
        orvalis.kill();
        orvalis.waitForFinished();
    });

    Display* dpy = XOpenDisplay(nullptr);
    QVERIFY(dpy != nullptr);
    const auto closeDisplay = qScopeGuard([dpy] { XCloseDisplay(dpy); });
    QByteArray err;
    const auto nothing = [] {};
    const auto windowOf = [&](const char* title) {
        return findWindow(dpy, orvalis.processId(), title);
    };

    // The 2D view is built at start, the 3D view when its tab is first shown.
    QVERIFY2(
        retryUntil(orvalis, err, nothing,
                   [&] { return err.contains("pendulum.frag") && windowOf("Orvalis Simulation"); }),
        err.constData());
    const Window mainWindow = windowOf("Orvalis Simulation");
    QVERIFY2(retryUntil(
                 orvalis, err, [&] { typeKey(dpy, mainWindow, XK_2, ControlMask); },
                 [&] { return err.count("Initialize OpenGL...") == 2; }),
             err.constData());

    const QString shaders = QDir(data).absoluteFilePath("shaders");
    QVERIFY2(err.contains(
                 ("\n\t" + shaders + "/quad.vert\n\t" + shaders + "/quad.frag\n").toLocal8Bit()),
             err.constData());
    // A warning about vertical sync is a line of its own.
    const QByteArray vsync = "This might lead to high performance lost!";
    QVERIFY(!err.contains(vsync) || err.contains(vsync + "\nCreate quad shader"));

    // No ./config here: the save dialog opens in the installed sets.
    QVERIFY(retryUntil(
        orvalis, err, [&] { typeKey(dpy, mainWindow, XK_s, ControlMask); },
        [&] { return windowOf("Save Parameters") != 0; }));
    const Window dialog = windowOf("Save Parameters");
    for (KeySym key : {XK_p, XK_r, XK_o, XK_b, XK_e, XK_Return})
        typeKey(dpy, dialog, key);
    QVERIFY(retryUntil(orvalis, err, nothing,
                       [&] { return QFile::exists(data + "/config/probe.par"); }));
    QVERIFY(!QFile::exists(elsewhere.filePath("probe.par")));

    // Neither view missed a file or failed to build a program.
    QVERIFY2(!err.contains("Cannot open file") && !err.contains("InfoLog"), err.constData());
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_app_startup.moc"
