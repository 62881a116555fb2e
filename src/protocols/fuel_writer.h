#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class IFuelHost;

// Writing a fuel-sensor master's slots and sensors back from its settings page. Every slot and
// sensor the user changed becomes one request; all of them are checked before the first is sent,
// so a refused value leaves the master as it was rather than half written.
class TFuelWriter {
public:
  using TTranslate = std::function<QString(const QString&)>;

  struct TResult {
    // The request frames in sending order (slots 1 to 3, then sensors 1 to 3).
    QList<QByteArray> Requests;
    // Why nothing may be sent; empty when the requests are good to go.
    QString Error;
  };

  // Builds the requests from the page; never sends.
  static TResult Build(IFuelHost& aHost, const TTranslate& aTranslate);

  // A slot address as the page shows it ("06 05 04 03 02 01", the last byte first) to its six
  // bytes in stored order; false when the text is not at most six pairs of hexadecimal digits.
  static bool ParseAddress(const QString& aText, QByteArray* aBytes);
};
