#include "capture/PortalScreenshot.h"

#include "common/KorvaneError.h"
#include "common/PictureLimits.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

namespace korvane {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// A portal that captures at once answers within a second or two; one that
// lets the user choose waits for the user, who may take a while.
constexpr int kWaitMs = 30 * 1000;
constexpr int kInteractiveWaitMs = 5 * 60 * 1000;

KorvaneError unavailable(const QString &reason)
{
    return KorvaneError(
        QStringLiteral("このデスクトップでは画面を取り込めません（%1）").arg(reason));
}

// The user reads why, in words that name no D-Bus internals where a common
// cause is known.
KorvaneError unavailable(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return unavailable(QStringLiteral("デスクトップ ポータルが動いていません"));
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownObject:
        return unavailable(QStringLiteral("デスクトップ ポータルに画面取り込みの機能がありません"));
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return unavailable(QStringLiteral("デスクトップ ポータルが応答しません"));
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
        return unavailable(QStringLiteral("セッション バスに接続できません"));
    case QDBusError::AccessDenied:
        return KorvaneError(QStringLiteral("デスクトップが画面の取り込みを拒否しました"));
    default:
        return unavailable(error.message().isEmpty() ? error.name() : error.message());
    }
}

// A token no other request of this connection uses, made of the characters
// an object path element allows.
QString requestToken()
{
    static quint32 counter = 0;
    return QStringLiteral("korvane%1_%2")
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
        .arg(++counter);
}

// Where the portal will put the request object: known before the call, so
// that the answer is listened for before it can be sent.
QString expectedRequestPath(const QDBusConnection &bus, const QString &token)
{
    QString sender = bus.baseService(); // ":1.42"
    if (sender.startsWith(u':'))
        sender.remove(0, 1);
    sender.replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

// Waits for the Response signal of one request object.
class ResponseWaiter : public QObject
{
    Q_OBJECT
public:
    ResponseWaiter(QDBusConnection bus, QEventLoop *loop) : m_bus(std::move(bus)), m_loop(loop) {}
    ~ResponseWaiter() override { unlisten(); }

    bool listen(const QString &path)
    {
        if (path == m_path)
            return true;
        unlisten();
        m_path = path;
        return m_bus.connect(kPortalService, m_path, kRequestInterface, QStringLiteral("Response"),
                             this, SLOT(onResponse(uint, QVariantMap)));
    }

    const QString &path() const { return m_path; }
    bool answered() const { return m_answered; }
    uint response() const { return m_response; }
    const QVariantMap &results() const { return m_results; }

public slots:
    void onResponse(uint response, const QVariantMap &results)
    {
        m_answered = true;
        m_response = response;
        m_results = results;
        m_loop->quit();
    }

private:
    void unlisten()
    {
        if (!m_path.isEmpty())
            m_bus.disconnect(kPortalService, m_path, kRequestInterface, QStringLiteral("Response"),
                             this, SLOT(onResponse(uint, QVariantMap)));
        m_path.clear();
    }

    QDBusConnection m_bus;
    QEventLoop *m_loop;
    QString m_path;
    bool m_answered = false;
    uint m_response = 2;
    QVariantMap m_results;
};

// The portal's picture: the screens' own pixels, never scaled.
QImage readPicture(const QString &file)
{
    QImageReader reader(file);
    reader.setAutoTransform(false);
    QImage picture = readWithinLimits(reader);
    if (picture.isNull())
        throw KorvaneError(
            QStringLiteral("取り込んだ画面の画像を読めません（%1）").arg(reader.errorString()));
    picture.setDevicePixelRatio(1.0);
    // A screen has no transparency; the same format as the X11 road gives.
    if (picture.format() != QImage::Format_RGB32)
        picture.convertTo(QImage::Format_RGB32);
    checkAllocated(picture, reader.size().width(), reader.size().height());
    return picture;
}

// Portals that write the picture into a scratch folder (the wlroots portal
// writes one fixed file there) leave it to the caller; nobody else will ever
// look at it, and the next capture may need the name. A file anywhere else,
// such as the Pictures folder where some desktops save every capture, is the
// user's and stays.
void removeScratchFile(const QString &file)
{
    const QString folder = QFileInfo(file).canonicalPath();
    const QStringList scratch = {QFileInfo(QDir::tempPath()).canonicalFilePath(),
                                 QStringLiteral("/tmp"), QStringLiteral("/var/tmp")};
    if (!folder.isEmpty() && scratch.contains(folder))
        QFile::remove(file);
}

} // namespace

QImage capturePortalScreenshot(CaptureTarget target, QWidget *parent)
{
    // The parent window would let the portal put its dialog above ours. On
    // Wayland that takes a handle exported through xdg-foreign, which this
    // Qt does not offer; the caller has also hidden its window by now, and
    // a hidden window cannot be exported. An empty parent is allowed.
    Q_UNUSED(parent);
    const QString parentWindow;

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        throw unavailable(QStringLiteral("セッション バスに接続できません"));

    // Only a person can say which window is meant: no portal tells an
    // application which window is active. So for a window the portal asks
    // the user to pick one (or a part of the screen) and the picture is what
    // the user chose; the whole screen needs no question.
    const bool interactive = target == CaptureTarget::ActiveWindow;
    const QString token = requestToken();
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("interactive"), interactive);
    options.insert(QStringLiteral("modal"), true);

    QEventLoop loop;
    ResponseWaiter waiter(bus, &loop);
    if (!waiter.listen(expectedRequestPath(bus, token)))
        throw unavailable(bus.lastError());

    QDBusMessage call = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, kScreenshotInterface, QStringLiteral("Screenshot"));
    call << parentWindow << options;
    const int waitMs = interactive ? kInteractiveWaitMs : kWaitMs;
    QDBusPendingCallWatcher watcher(bus.asyncCall(call, waitMs));
    QDBusError callError;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, [&] {
        QDBusPendingReply<QDBusObjectPath> reply = watcher;
        if (reply.isError()) {
            callError = reply.error();
            loop.quit();
            return;
        }
        // Portals older than the handle_token convention choose their own
        // path; listen there instead.
        const QString path = reply.value().path();
        if (!waiter.answered() && !waiter.listen(path)) {
            callError = bus.lastError();
            loop.quit();
        }
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(waitMs);

    // The program's windows keep painting and the bus keeps being read;
    // clicks and keys wait until the picture is taken, so that nothing
    // starts a second capture meanwhile.
    if (!waiter.answered())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (callError.isValid())
        throw unavailable(callError);
    if (!waiter.answered()) {
        // Tell the portal to drop the request, so that no dialog stays
        // open and no file is written for an answer nobody waits for.
        bus.call(QDBusMessage::createMethodCall(kPortalService, waiter.path(), kRequestInterface,
                                                QStringLiteral("Close")),
                 QDBus::NoBlock);
        throw KorvaneError(QStringLiteral("画面の取り込みが時間内に終わりませんでした"));
    }
    switch (waiter.response()) {
    case 0:
        break;
    case 1:
        throw KorvaneError(QStringLiteral("画面の取り込みが取り消されました"));
    default:
        // Some portals answer a user's cancelling this way too.
        throw KorvaneError(QStringLiteral("画面を取り込めませんでした（取り込みが取り消されたか、デ"
                                          "スクトップに拒否されました）"));
    }

    const QUrl uri(waiter.results().value(QStringLiteral("uri")).toString());
    if (!uri.isLocalFile())
        throw KorvaneError(QStringLiteral("取り込んだ画面の画像がどこにあるかわかりません（%1）")
                               .arg(uri.toString()));
    const QString file = uri.toLocalFile();
    QImage picture;
    try {
        picture = readPicture(file);
    } catch (...) {
        removeScratchFile(file);
        throw;
    }
    removeScratchFile(file);
    return picture;
}

} // namespace korvane

#include "PortalScreenshot.moc"
