#include "platform/dark_mode.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace {

QVariant Unwrap(QVariant aValue) {
  // The portal answers a variant inside a variant (older versions add one more level).
  while (aValue.canConvert<QDBusVariant>() && aValue.userType() == qMetaTypeId<QDBusVariant>())
    aValue = aValue.value<QDBusVariant>().variant();
  return aValue;
}

} // namespace

bool DarkModeIsEnabled() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
  if (bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(service)) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    call << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
    // A portal that hangs must not stall the start of the window.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 500);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
      return Unwrap(reply.arguments().constFirst()).toUInt() == 1;
  }
  const QString gtk = qEnvironmentVariable("GTK_THEME").toLower();
  return gtk.endsWith(QLatin1String(":dark")) || gtk.endsWith(QLatin1String("-dark"));
}
