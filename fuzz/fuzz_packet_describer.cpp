// The packet inspector's describer: any packet a log may hold, received or sent, of any
// generation, with any request before it, is described without reading past its bytes.
//
// Input: one byte (generation in its low two bits, sent in bit 2, language in bit 3), a
// length-prefixed request, then the packet.

#include "device/command_table.h"
#include "fuzz_host.h"
#include "i18n/dictionary.h"
#include "protocols/packet_describer.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

// Every line tied to bytes lies inside the packet.
bool Inside(const QList<TPacketField>& aFields, qint64 aSize, int aDepth) {
  if (aDepth >= 16)
    return false;
  for (const TPacketField& f : aFields) {
    if (f.Offset >= 0 && (f.Size < 0 || f.Offset > aSize || f.Size > aSize - f.Offset))
      return false;
    if (!Inside(f.Children, aSize, aDepth + 1))
      return false;
  }
  return true;
}

struct TDescribers {
  TDictionary Russian;
  TDictionary English;
  std::unique_ptr<TPacketDescriber> InRussian;
  std::unique_ptr<TPacketDescriber> InEnglish;

  TDescribers() {
    Russian.SetLanguage(TDictionary::lnRussian);
    English.SetLanguage(TDictionary::lnEnglish);
    InRussian = std::make_unique<TPacketDescriber>(Russian);
    InEnglish = std::make_unique<TPacketDescriber>(English);
    InRussian->SetCommands(TCommandTable(Russian).Rows(), -1);
    InEnglish->SetCommands(TCommandTable(English).Rows(), 304);
  }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  static TDescribers describers;
  FuzzedDataProvider input(aData, aSize);
  const quint8 flags = input.ConsumeIntegral<quint8>();
  TPacketInput packet;
  packet.Generation = flags & 3;
  packet.Sent = (flags & 4) != 0;
  packet.Request = QByteArray::fromStdString(input.ConsumeRandomLengthString(16));
  packet.Bytes = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());
  const TPacketDescriber& describer = (flags & 8) ? *describers.InEnglish : *describers.InRussian;
  const TPacketDescription d = describer.Describe(packet);
  const QString text = d.ToText();
  if (!Inside(d.Fields, packet.Bytes.size(), 0) || (d.Stopped && d.StopOffset > packet.Bytes.size())) {
    fprintf(stderr, "%zd bytes described as:\n%s\n", std::size_t(packet.Bytes.size()), qPrintable(text));
    __builtin_trap();
  }
  return 0;
}
