// The settings page's values without the page (what velmora-cli reads, checks and writes) against
// the window's page on the same simulated device and the same files: every image built must be
// the same bytes, and a value the page refuses must be refused without it too.

#include "device/port_info.h"
#include "settings/settings_files.h"
#include "settings/settings_image.h"
#include "settings/settings_page_values.h"
#include "sim_window_fixture.h"
#include "ui/tmf.h"
#include "updates/crypto/checksums.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

struct TSimulatedWindow : TSimWindowBase {
  QString OpenFrom;

  bool Start(const QString& aType) {
    if (!StartSimulator({QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--rate"),
                         QStringLiteral("400"), QStringLiteral("--type"), aType, QStringLiteral("--id"),
                         QStringLiteral("777")}))
      return false;
    TMF& window = CreateWindow();
    window.SetFileDialogs([this](const QString&, const QString&) { return OpenFrom; },
                          [](const QString&, const QString&) { return QString(); });
    window.show();
    return QTest::qWaitFor(
               [&] { return Window->Q() && Window->Q()->DeviceVer() == aType && Window->CanShowSettings(); },
               30000) &&
           QTest::qWaitFor([&] { return Window->Q()->HaveSettings(); }, 20000);
  }
  // The settings image the device sent last, as the status record carried it.
  QString DeviceImage() const {
    TExchangeCore& core = Window->Core();
    QString image;
    for (const TPacket& p : core.PacketIndex()) {
      const QString text = core.TrafficLog().AsText(p.Position, p.Size);
      const qsizetype at = text.indexOf(QStringLiteral("SF=\""));
      if (p.State != psSent && at >= 0)
        image = text.mid(at + 4).section(QLatin1Char('"'), 0, 0);
    }
    return image;
  }
};

QByteArray Layout2Image(const QList<TImageEntry>& aEntries) {
  QByteArray image(3, '\0');
  for (const TImageEntry& e : aEntries) {
    image += char(e.Number & 0xFF);
    image += char(e.Number >> 8);
    image += char(e.Value.size());
    image += e.Value;
  }
  image += QByteArray(2, '\0');
  const qsizetype length = image.size() - 5;
  image[0] = '\x01';
  image[1] = char(length & 0xFF);
  image[2] = char((length >> 8) & 0xFF);
  const quint16 crc = Crc16(image, 0, int(image.size()) - 3);
  image[image.size() - 2] = char(crc >> 8);
  image[image.size() - 1] = char(crc & 0xFF);
  return image;
}

enum TEdit { edNone, edListOutside, edWrongWidth, edAboveMax, edFlagsCleared, edUnknownNumber };

// The device's entries with one row of the given kind spoiled or changed as aEdit says.
QList<TImageEntry> Edited(QList<TImageEntry> aEntries, const TSettingsModel& aModel, TEdit aEdit) {
  if (aEdit == edUnknownNumber) {
    aEntries.append({0x7FFE, QByteArray(1, '\x05')});
    return aEntries;
  }
  for (int i = 0; i < aModel.Rows.size(); ++i) {
    const TSetting& row = aModel.Rows.at(i);
    const TControlShape& shape = aModel.Controls.at(i);
    const bool fits = (aEdit == edListOutside && row.Control == ckList && !shape.Items.isEmpty()) ||
                      (aEdit == edWrongWidth && row.Control == ckInteger && VarTypeIsInteger(row.VarType)) ||
                      (aEdit == edAboveMax && row.Control == ckInteger && shape.Max &&
                       *shape.Max < (qint64(1) << (8 * VarTypeWidth(row.VarType) - 1)) - 1) ||
                      (aEdit == edFlagsCleared && row.Control == ckFlag);
    if (!fits)
      continue;
    for (TImageEntry& e : aEntries) {
      if (e.Number != row.Number)
        continue;
      bool ok = false;
      if (aEdit == edListOutside) {
        qint64 outside = 0;
        for (const auto& item : shape.Items)
          outside = qMax<qint64>(outside, item.first + 1);
        e.Value = EncodeSettingValue(2, row.VarType, outside, &ok);
      } else if (aEdit == edWrongWidth) {
        e.Value += '\0';
      } else if (aEdit == edAboveMax) {
        e.Value = EncodeSettingValue(2, row.VarType, *shape.Max + 1, &ok);
      } else {
        e.Value = QByteArray(e.Value.size(), '\0');
      }
      return aEntries;
    }
  }
  return {};
}

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

} // namespace

class TstPageValuesE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void sameImageAsThePage_data();
  void sameImageAsThePage();
};

void TstPageValuesE2E::sameImageAsThePage_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<int>("edit");
  for (const char* type : {"305", "306"}) {
    QTest::addRow("%s as read", type) << QString::fromLatin1(type) << int(edNone);
    QTest::addRow("%s list value outside its items", type) << QString::fromLatin1(type) << int(edListOutside);
    QTest::addRow("%s entry of the wrong width", type) << QString::fromLatin1(type) << int(edWrongWidth);
    QTest::addRow("%s integer above its bound", type) << QString::fromLatin1(type) << int(edAboveMax);
    QTest::addRow("%s flags cleared", type) << QString::fromLatin1(type) << int(edFlagsCleared);
    QTest::addRow("%s number the schema lacks", type) << QString::fromLatin1(type) << int(edUnknownNumber);
  }
}

void TstPageValuesE2E::sameImageAsThePage() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  QFETCH(QString, type);
  QFETCH(int, edit);
  TSimulatedWindow sim;
  QVERIFY(sim.Start(type));
  TMF& w = *sim.Window;
  const int layout = w.Q()->SettingsVersion();
  const QString device = sim.DeviceImage();
  QVERIFY(!device.isEmpty());
  const TSettingsModel model =
      BuildSettingsModel(ParseSettingsSchema(EmbeddedSettingsSchema(type).value()).value(), layout);
  TSettingsPageValues page(model);
  QVERIFY(page.ApplyDeviceImage(layout, device).Valid);
  const auto translate = [&w](const QString& aKey) { return w.Translate(aKey); };

  if (edit != edNone) {
    bool decoded = false;
    const TDecodedImage entries = DecodeSettingsImage(layout, Base64Decode(device, &decoded));
    const QList<TImageEntry> changed = Edited(entries.Entries, model, TEdit(edit));
    QVERIFY(!changed.isEmpty());
    const QString file = Base64Encode(Layout2Image(changed));
    sim.OpenFrom = sim.Dir.filePath(QStringLiteral("edited.cfg"));
    QVERIFY(WriteConfigFile(sim.OpenFrom, file));
    w.act_OpenCFG();
    const TSettingsPageValues::TApplied applied = page.ApplyFile(layout, file, translate);
    QVERIFY(applied.Valid);
    // A file with one entry the page would refuse is refused whole, here and in the window.
    const bool refused = edit == edListOutside || edit == edWrongWidth || edit == edAboveMax;
    QCOMPARE(applied.Fault.has_value(), refused);
    if (applied.Fault)
      QVERIFY(sim.HintShown(FileFaultText(*applied.Fault, translate)));
  }
  QCOMPARE(Base64Encode(page.Build(layout).Image), w.ConfigToString());
  const auto error = page.FirstError(translate);
  QCOMPARE(error.has_value(), w.Errors().HasErrors());
  if (error)
    QCOMPARE(error->second, w.Errors().CurrentMessage());
  QVERIFY(!error);
}

QTEST_MAIN(TstPageValuesE2E)
#include "tst_page_values_e2e.moc"
