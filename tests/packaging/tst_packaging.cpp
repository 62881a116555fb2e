// Installing Velmora: `cmake --install` of the built tree into a temporary prefix, and the Debian
// package CPack makes from it.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The build tree the test program was built in.
QString BuildDir() {
  const QString bin = qEnvironmentVariable("VELMORA_BIN_DIR", QCoreApplication::applicationDirPath());
  return QDir::cleanPath(bin + QStringLiteral("/.."));
}

// Runs a tool to its end; its output, or a failed check with the output.
QByteArray Run(const QString& aProgram, const QStringList& aArguments, bool* aOk) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(aProgram, aArguments);
  *aOk = p.waitForFinished(240000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  return p.readAll();
}

QByteArray ReadFile(const QString& aPath) {
  QFile f(aPath);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What both the prefix and the package must hold, relative to the prefix.
const QStringList kExpected = {
    QStringLiteral("bin/velmora"),
    QStringLiteral("bin/velmora-devsim"),
    QStringLiteral("bin/velmora-cli"),
    QStringLiteral("lib/velmora/velmora_webview.so"),
    QStringLiteral("lib/udev/rules.d/70-velmora.rules"),
    QStringLiteral("share/applications/velmora.desktop"),
    QStringLiteral("share/icons/hicolor/scalable/apps/velmora.svg"),
};

} // namespace

class TstPackaging : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void installPutsEverythingInItsPlace();
  void debianPackageHoldsTheSameFiles();
};

void TstPackaging::installPutsEverythingInItsPlace() {
  QTemporaryDir prefix;
  bool ok = false;
  const QByteArray out =
      Run(QStringLiteral("cmake"),
          {QStringLiteral("--install"), BuildDir(), QStringLiteral("--prefix"), prefix.path()}, &ok);
  QVERIFY2(ok, out.constData());
  QStringList files;
  for (QDirIterator it(prefix.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
       it.hasNext();)
    files << QDir(prefix.path()).relativeFilePath(it.next());
  for (const QString& expected : kExpected)
    QVERIFY2(files.contains(expected), qPrintable(files.join(QLatin1Char('\n'))));
  // Nothing of the tests, benchmarks or libraries comes along.
  for (const QString& file : files)
    QVERIFY2(!file.contains(QStringLiteral("tst_")) && !file.contains(QStringLiteral("bench_")) &&
                 !file.endsWith(QStringLiteral(".a")),
             qPrintable(file));
  const QDir p(prefix.path());
  QVERIFY(QFileInfo(p.filePath(QStringLiteral("bin/velmora"))).isExecutable());
  QVERIFY(QFileInfo(p.filePath(QStringLiteral("bin/velmora-devsim"))).isExecutable());
  // The command line runs where no display is: it links no GUI library at all.
  const QByteArray libraries =
      Run(QStringLiteral("ldd"), {p.filePath(QStringLiteral("bin/velmora-cli"))}, &ok);
  QVERIFY2(ok && libraries.contains("libQt6Core"), libraries.constData());
  QVERIFY2(!libraries.contains("libQt6Gui") && !libraries.contains("libQt6Widgets"), libraries.constData());
  // The window starts without the web engine: only its browser plugin, loaded when the welcome
  // page first shows a site, links it.
  const QByteArray window = Run(QStringLiteral("ldd"), {p.filePath(QStringLiteral("bin/velmora"))}, &ok);
  QVERIFY2(ok && window.contains("libQt6Widgets") && !window.contains("WebEngine"), window.constData());
  const QByteArray plugin =
      Run(QStringLiteral("ldd"), {p.filePath(QStringLiteral("lib/velmora/velmora_webview.so"))}, &ok);
  QVERIFY2(ok && plugin.contains("libQt6WebEngineWidgets"), plugin.constData());

  const QString desktop =
      QString::fromUtf8(ReadFile(p.filePath(QStringLiteral("share/applications/velmora.desktop"))));
  QVERIFY(desktop.startsWith(QStringLiteral("[Desktop Entry]\n")));
  for (const char* line : {"Type=Application", "Exec=velmora %f", "Icon=velmora", "MimeType=text/x-log;"})
    QVERIFY2(desktop.split(QLatin1Char('\n')).contains(QString::fromLatin1(line)), line);
  QVERIFY(
      ReadFile(p.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/velmora.svg"))).contains("<svg"));
  const QByteArray rules = ReadFile(p.filePath(QStringLiteral("lib/udev/rules.d/70-velmora.rules")));
  QVERIFY(rules.contains("TAG+=\"uaccess\""));
  QVERIFY(rules.contains("ENV{ID_MM_DEVICE_IGNORE}=\"1\""));
  QVERIFY(rules.contains("ENV{ID_USB_INTERFACE_NUM}==\"04\""));
}

void TstPackaging::debianPackageHoldsTheSameFiles() {
  QTemporaryDir out;
  bool ok = false;
  const QByteArray log =
      Run(QStringLiteral("cpack"),
          {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
           BuildDir() + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out.path()},
          &ok);
  QVERIFY2(ok, log.constData());
  const QStringList debs = QDir(out.path()).entryList({QStringLiteral("velmora_*.deb")}, QDir::Files);
  QCOMPARE(debs.size(), 1);
  const QString deb = QDir(out.path()).filePath(debs.first());

  const QString contents =
      QString::fromUtf8(Run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb}, &ok));
  QVERIFY(ok);
  for (const QString& expected : kExpected)
    QVERIFY2(contents.contains(QStringLiteral(" ./usr/") + expected + QLatin1Char('\n')),
             qPrintable(contents));
  // Installed as root's files, not the builder's.
  for (const QString& line : contents.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    QVERIFY2(line.contains(QStringLiteral(" root/root ")), qPrintable(line));

  const QString control =
      QString::fromUtf8(Run(QStringLiteral("dpkg-deb"), {QStringLiteral("--info"), deb}, &ok));
  QVERIFY(ok);
  QVERIFY(control.contains(QStringLiteral(" Package: velmora\n")));
  QVERIFY(control.contains(QStringLiteral(" Architecture: amd64\n")));
  // The libraries the program links, found by dpkg-shlibdeps, and Qt's own Russian texts.
  for (const char* dependency : {"libqt6widgets6", "libqt6serialport6", "libqt6svg6", "libquazip1-qt6",
                                 "libudev1", "qt6-translations-l10n"})
    QVERIFY2(control.contains(QString::fromLatin1(dependency)), qPrintable(control));
  QVERIFY(control.contains(QStringLiteral(" postinst")));
  QVERIFY(control.contains(
      QStringLiteral("\n Description: Service tool for vehicle telematics devices\n  Finds")));
}

QTEST_GUILESS_MAIN(TstPackaging)
#include "tst_packaging.moc"
