#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The texts the factory flows exchange with the registration service and the test service, and
// the readers of their answers. Pure functions, so the answers can be fed anything.
namespace FactoryRequests {

// What a registration carries about the device. Extra values (IMEI, ICCID, serial) are sent only
// by the type-304 flow; WithExtras says so.
struct TRegistration {
  QString Mac;
  quint16 Lot = 0;
  QString Firmware; // four characters after the first "|" of the software version
  QString Type;
  bool WithExtras = false;
  QString Imei;
  QString Iccid;
  QString Serial;
};

// The four characters after the first "|" of a software version text; empty without a "|".
QString FirmwareOf(const QString& aSoftVersion);
// Twelve hexadecimal digits: what a registration needs as the device's MAC.
bool IsMac(const QString& aMac);
// "AABBCCDDEEFF" as "AA:BB:CC:DD:EE:FF"; anything else unchanged.
QString MacWithColons(const QString& aMac);

// The query up to and including "&crc=<CRC-32>". Values are percent-encoded, so a stray "&" or
// "=" in what the device reported cannot add fields; ordinary values are left as they are.
QString RegistrationQuery(const TRegistration& aRegistration);
// Path and query of the registration request: "/factory_qmr.php?" + the encrypted query in Base64.
QString RegistrationPath(const TRegistration& aRegistration, const QString& aKey, const QString& aIV);

// A JSON string literal, quotes included.
QByteArray JsonString(const QString& aText);
// The test service's body, members in the order the service reads them.
struct TTestDevice {
  QString Iccid;
  QString Firmware;
  QString Mac;
  quint16 Lot = 0;
  QString Imei;
};
QByteArray TestServiceBody(const TTestDevice& aDevice);

// What the registration service answered.
struct TRegistrationAnswer {
  enum TForm { Object, NotObject, ParseError } Form = Object;
  QString ParseErrorText;
  QString Answer; // "ans" in lower case
  QString Serial; // "sn"
  QString Quantity;
};
TRegistrationAnswer ParseRegistrationAnswer(const QByteArray& aBody);

// The serial the test service gave, empty when the answer holds none.
QString ParseTestServiceSerial(const QByteArray& aBody);

// A serial of the registration service: hexadecimal, at most 32 bits. Its two halves go to the
// device as "fct <high> <low>".
bool IsHexSerial(const QString& aSerial);
QByteArray FctCommand(const QString& aHexSerial);
// A serial of the test service: a decimal number the device can take with "sn".
bool IsDecimalSerial(const QString& aSerial);
QByteArray SnCommand(const QString& aDecimalSerial);

} // namespace FactoryRequests
